// The board types shared by vision, advice and the main loop.
//
// A BoardGrid is 128 cell-code bytes, eight columns by sixteen rows, stored row
// by row: index = row * 8 + column, row 0 at the top of the bottle, column 0 at
// the left. Codes are compared as raw bytes everywhere ('r' and 'R' differ).
#ifndef BOTTLEWATCH_VISION_BOARD_H_
#define BOTTLEWATCH_VISION_BOARD_H_

#include <cstdint>

constexpr int kBoardColumns = 8;
constexpr int kBoardRows = 16;
constexpr int kBoardCells = kBoardColumns * kBoardRows;

// Cell codes. A dim (uppercase) code is its bright (lowercase) code minus 32.
constexpr uint8_t kEmptyCell = '.';
constexpr uint8_t kBrightRed = 'r';
constexpr uint8_t kBrightYellow = 'y';
constexpr uint8_t kBrightBlue = 'b';
constexpr uint8_t kDimRed = 'R';
constexpr uint8_t kDimYellow = 'Y';
constexpr uint8_t kDimBlue = 'B';

inline int CellIndex(int column, int row) {
  return row * kBoardColumns + column;
}

// The located playing field in raster pixels; all three are 0 when none was
// found. The field is taken to be 2 * width tall, with square cells of side
// width / 8.
struct FieldRect {
  int32_t left = 0;
  int32_t top = 0;
  int32_t width = 0;
};

// Where the falling vitamin's two halves are, as (column, row) pairs. When the
// halves were found next to each other the first half is the upper or the left
// one. firstRow is -1 for a vitamin still entering the bottle.
struct VitaminPosition {
  int32_t firstColumn = 0;
  int32_t firstRow = 0;
  int32_t secondColumn = 0;
  int32_t secondRow = 0;
};

#endif  // BOTTLEWATCH_VISION_BOARD_H_
