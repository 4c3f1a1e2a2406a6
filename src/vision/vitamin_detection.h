// Finding the falling vitamin by comparing two successive boards: the cells
// newly filled since the last frame are where it lies now.
#ifndef BOTTLEWATCH_VISION_VITAMIN_DETECTION_H_
#define BOTTLEWATCH_VISION_VITAMIN_DETECTION_H_

#include <cstdint>

#include "vision/board.h"

constexpr uint8_t kNoChange = 0;
constexpr uint8_t kVitaminFound = 1;
constexpr uint8_t kBoardCleared = 255;

// Reads both grids (index row * 8 + column, codes compared as raw bytes);
// rewrites position in part or in whole (fields it does not reach keep the
// caller's values, even when the result is kNoChange). Returns kNoChange when
// no cell was newly filled, kBoardCleared when more than two cells were
// filled or emptied at once, and kVitaminFound otherwise. On kVitaminFound
// the first half is the upper or left one when the halves are neighbours;
// firstRow is -1 for a vitamin entering the bottle.
uint8_t DetectVitamin(const uint8_t current[kBoardCells], const uint8_t previous[kBoardCells],
                      VitaminPosition& position);

#endif  // BOTTLEWATCH_VISION_VITAMIN_DETECTION_H_
