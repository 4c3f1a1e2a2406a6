// Drawing a game screen the way the advisor sees it: a bright, textured
// background around a black bottle of 8 x 16 square cells, each occupied cell
// one flat colour.
#ifndef BOTTLEWATCH_TESTS_SUPPORT_GAME_SCREEN_H_
#define BOTTLEWATCH_TESTS_SUPPORT_GAME_SCREEN_H_

#include <cstdint>
#include <string>
#include <vector>

#include "support/tiff_frames.h"

// The flat colour drawn for a cell code ('.' is black).
uint32_t CellColour(char code);

// board: 128 codes, row by row from the top ('.', 'r', 'y', 'b', 'R', 'Y', 'B');
// the bottle's top-left pixel is (left, top) and its cells have the given side.
Picture DrawGameScreen(const std::string& board, int left = 200, int top = 40, int side = 12,
                       int width = 640, int height = 480);

// A board from sixteen rows of eight codes, top row first.
std::string BoardRows(const char* const (&rows)[16]);

// board with the cell (column, row) set to code.
std::string WithCell(std::string board, int column, int row, char code);

// The drawn game of the end-to-end tests, one board per frame: a level of
// viruses with the top rows empty (twice), a vertical vitamin, yellow over
// blue, that enters in column 3, falls a row and steps left, then a new level
// and a horizontal vitamin, red and yellow, entering in columns 3 and 4.
std::vector<std::string> GameSequenceBoards();

#endif  // BOTTLEWATCH_TESTS_SUPPORT_GAME_SCREEN_H_
