// game-frames: writes the drawn game sequence of the advisor's end-to-end test
// as frame-000.tif ... frame-006.tif into a folder, for runs of the Windows
// program that are compared with the Linux program on the same frames.
// Usage: game-frames FOLDER
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "support/game_screen.h"
#include "support/tiff_frames.h"

namespace {

std::string With(std::string board, int column, int row, char code) {
  board[row * 8 + column] = code;
  return board;
}

// A level of viruses, a vertical vitamin that enters, falls and steps left,
// then a new level with a horizontal vitamin: every kind of redraw.
std::vector<std::string> GameBoards() {
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
          With(levelOne, 3, 0, 'b'),
          With(With(levelOne, 3, 0, 'y'), 3, 1, 'b'),
          With(With(levelOne, 2, 0, 'y'), 2, 1, 'b'),
          levelTwo,
          With(With(levelTwo, 3, 0, 'r'), 4, 0, 'y')};
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: game-frames FOLDER\n");
    return 2;
  }
  try {
    const std::vector<std::string> boards = GameBoards();
    for (size_t k = 0; k < boards.size(); ++k) {
      char name[32];
      std::snprintf(name, sizeof name, "/frame-%03zu.tif", k);
      WriteRgbTiff(std::string(argv[1]) + name, DrawGameScreen(boards[k]));
    }
  } catch (const std::exception& e) {
    std::fprintf(stderr, "game-frames: %s\n", e.what());
    return 1;
  }
  return 0;
}
