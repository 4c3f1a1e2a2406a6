// Reading the 8 x 16 board off a frame: one cell code per square of pixels,
// from the square's mean colour.
#ifndef BOTTLEWATCH_VISION_CELL_CLASSIFICATION_H_
#define BOTTLEWATCH_VISION_CELL_CLASSIFICATION_H_

#include <cstdint>

#include "vision/board.h"

// The code of the side x side square whose top-left pixel is (left, top):
// '.', or 'r'/'y'/'b' (bright) and 'R'/'Y'/'B' (dim). The raster is
// height rows of rowLength packed pixels (red in the low byte), only read.
// Pixels outside the raster are never read and count as black, so a square
// reaching below the last row sees entirely dark rows there. A side of 0 or
// less, or a square with nothing to average, gives '.'.
uint8_t ClassifyCell(const uint32_t* raster, int32_t left, int32_t top, int32_t rowLength,
                     int32_t height, int32_t side);

// Copies each cell of current into previous, then classifies it anew from the
// raster (imageWidth x imageHeight pixels) on the grid laid over field: cell
// (column i, row j) is the square of side field.width / 8 at
// (left + i * width / 8, top + j * width / 8). Both grids are indexed
// row * 8 + column and owned by the caller.
void SampleGrid(const uint32_t* raster, int32_t imageWidth, int32_t imageHeight,
                const FieldRect& field, uint8_t current[kBoardCells],
                uint8_t previous[kBoardCells]);

#endif  // BOTTLEWATCH_VISION_CELL_CLASSIFICATION_H_
