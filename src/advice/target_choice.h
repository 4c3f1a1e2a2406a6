// Choosing where the falling vitamin should go and which way to move it.
#ifndef BOTTLEWATCH_ADVICE_TARGET_CHOICE_H_
#define BOTTLEWATCH_ADVICE_TARGET_CHOICE_H_

#include <cstdint>

#include "vision/board.h"

// grid is the current board (index row * 8 + column), read only and never kept.
// The halves are (firstColumn, firstRow) and (secondColumn, secondRow), the
// first being the left or upper one; columns 0..7, rows 0..15, and firstRow may
// be -1 for a vitamin still entering the bottle (that cell is never read).
// Values outside those ranges are clamped into them (firstRow into -1..15), so
// only the 128 cells of grid are ever read.
//
// Writes three report lines to std::cout, each ended by std::endl, and returns
// 'L', 'R' or '0': whether the target column lies left of, right of or in the
// column of the half the target is meant for.
char ChooseMove(const uint8_t grid[kBoardCells], int32_t firstColumn, int32_t firstRow,
                int32_t secondColumn, int32_t secondRow);

// The cell that ChooseMove's target line names for the same arguments, from
// the same searches, without writing anything: for the display, which marks
// it on the board before ChooseMove prints. For the deepest spot it is the
// left one of its two columns.
struct TargetCell {
  int32_t column;
  int32_t row;
};
TargetCell ChooseTarget(const uint8_t grid[kBoardCells], int32_t firstColumn, int32_t firstRow,
                        int32_t secondColumn, int32_t secondRow);

#endif  // BOTTLEWATCH_ADVICE_TARGET_CHOICE_H_
