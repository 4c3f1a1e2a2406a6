// Choosing where the falling vitamin should go and which way to move it.
#ifndef BOTTLEWATCH_ADVICE_TARGET_CHOICE_H_
#define BOTTLEWATCH_ADVICE_TARGET_CHOICE_H_

#include <cstdint>

#include "vision/board.h"

// Writes three report lines to std::cout (each ended by a newline and a flush)
// and returns 'L', 'R' or '0': where the target column lies against the column
// of the half concerned. Columns 0..7, rows 0..15; firstRow may be -1 for a
// vertical vitamin still entering the bottle (that cell is never read).
char ChooseMove(const uint8_t grid[kBoardCells], int32_t firstColumn, int32_t firstRow,
                int32_t secondColumn, int32_t secondRow);

#endif  // BOTTLEWATCH_ADVICE_TARGET_CHOICE_H_
