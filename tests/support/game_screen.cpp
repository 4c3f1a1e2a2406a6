#include "support/game_screen.h"

#include <stdexcept>

uint32_t CellColour(char code) {
  switch (code) {
    case 'r':
      return Rgb(230, 40, 40);
    case 'y':
      return Rgb(240, 220, 40);
    case 'b':
      return Rgb(40, 170, 250);
    case 'R':
      return Rgb(130, 25, 25);
    case 'Y':
      return Rgb(120, 110, 20);
    case 'B':
      return Rgb(20, 90, 130);
    default:
      return Rgb(0, 0, 0);
  }
}

Picture DrawGameScreen(const std::string& board, int left, int top, int side, int width,
                       int height) {
  if (board.size() != 128) throw std::invalid_argument("a board has 128 cells");
  Picture picture = SolidPicture(width, height, 0);
  // Two light tones in small tiles: bright everywhere, but not flat.
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      picture.At(x, y) = ((x / 5 + y / 3) % 2) ? Rgb(220, 220, 220) : Rgb(180, 200, 230);
    }
  }
  FillRect(picture, left, top, 8 * side, 16 * side, Rgb(0, 0, 0));
  for (int row = 0; row < 16; ++row) {
    for (int column = 0; column < 8; ++column) {
      const char code = board[row * 8 + column];
      if (code != '.') {
        FillRect(picture, left + column * side, top + row * side, side, side, CellColour(code));
      }
    }
  }
  return picture;
}

std::string BoardRows(const char* const (&rows)[16]) {
  std::string board;
  for (const char* row : rows) {
    const std::string text(row);
    if (text.size() != 8) throw std::invalid_argument("a board row has 8 cells: " + text);
    board += text;
  }
  return board;
}

std::string WithCell(std::string board, int column, int row, char code) {
  board[row * 8 + column] = code;
  return board;
}

std::vector<std::string> GameSequenceBoards() {
  const std::string levelOne = BoardRows({
      "........",
      "........",
      "........",
      "........",
      "........",
      "........",
      "........",
      "........",
      "........",
      "........",
      "........",
      "........",
      "..B.....",
      ".....R..",
      "........",
      "Y.......",
  });
  const std::string levelTwo = BoardRows({
      "........",
      "........",
      "........",
      "........",
      "........",
      "........",
      "........",
      "........",
      "B.......",
      "........",
      ".R......",
      "......Y.",
      "........",
      "........",
      "....B...",
      "........",
  });
  return {levelOne,
          levelOne,
          WithCell(levelOne, 3, 0, 'b'),
          WithCell(WithCell(levelOne, 3, 0, 'y'), 3, 1, 'b'),
          WithCell(WithCell(levelOne, 2, 0, 'y'), 2, 1, 'b'),
          levelTwo,
          WithCell(WithCell(levelTwo, 3, 0, 'r'), 4, 0, 'y')};
}
