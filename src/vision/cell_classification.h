// Reading the 8 x 16 board off a frame.
#ifndef BOTTLEWATCH_VISION_CELL_CLASSIFICATION_H_
#define BOTTLEWATCH_VISION_CELL_CLASSIFICATION_H_

#include <cstdint>

#include "vision/board.h"

// The code of the side x side square whose top-left pixel is (left, top).
// rowLength is the raster's width; height is its row count, so that squares
// reaching below the last row never read past the raster.
uint8_t ClassifyCell(const uint32_t* raster, int32_t left, int32_t top, int32_t rowLength,
                     int32_t height, int32_t side);

// Copies each cell of current into previous, then classifies it anew from the
// raster (imageWidth x imageHeight pixels) on the grid laid over field.
void SampleGrid(const uint32_t* raster, int32_t imageWidth, int32_t imageHeight,
                const FieldRect& field, uint8_t current[kBoardCells], uint8_t previous[kBoardCells]);

#endif  // BOTTLEWATCH_VISION_CELL_CLASSIFICATION_H_
