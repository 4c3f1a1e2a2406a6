// Cell classification.
#include "vision/cell_classification.h"

uint8_t ClassifyCell(const uint32_t*, int32_t, int32_t, int32_t, int32_t, int32_t) {
  return kEmptyCell;
}

void SampleGrid(const uint32_t*, int32_t, int32_t, const FieldRect&, uint8_t current[kBoardCells],
                uint8_t previous[kBoardCells]) {
  for (int i = 0; i < kBoardCells; ++i) {
    previous[i] = current[i];
    current[i] = kEmptyCell;
  }
}
