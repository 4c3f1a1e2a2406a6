// Finding the falling vitamin by comparing two successive boards.
#ifndef BOTTLEWATCH_VISION_VITAMIN_DETECTION_H_
#define BOTTLEWATCH_VISION_VITAMIN_DETECTION_H_

#include <cstdint>

#include "vision/board.h"

constexpr uint8_t kNoChange = 0;
constexpr uint8_t kVitaminFound = 1;
constexpr uint8_t kBoardCleared = 255;

// Reads both grids; rewrites position in part or in whole (fields it does not
// reach keep the caller's values). Returns kNoChange, kVitaminFound or
// kBoardCleared.
uint8_t DetectVitamin(const uint8_t current[kBoardCells], const uint8_t previous[kBoardCells],
                      VitaminPosition& position);

#endif  // BOTTLEWATCH_VISION_VITAMIN_DETECTION_H_
