// game-frames: writes the drawn game sequence of the advisor's end-to-end test
// as frame-000.tif, frame-001.tif ... into a folder, for runs of the Windows
// program that are compared with the Linux program on the same frames. A
// board the same as the one before it is left out: on the runs' still screen
// the advisor would take the repeat as a converter repeating itself and wait
// for the screen to change. The printed text is the same without it, since a
// pass over an unchanged board prints nothing.
// Usage: game-frames FOLDER
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "support/game_screen.h"
#include "support/tiff_frames.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: game-frames FOLDER\n");
    return 2;
  }
  try {
    const std::vector<std::string> boards = GameSequenceBoards();
    size_t written = 0;
    for (size_t k = 0; k < boards.size(); ++k) {
      if (k > 0 && boards[k] == boards[k - 1]) continue;
      char name[32];
      std::snprintf(name, sizeof name, "/frame-%03zu.tif", written++);
      WriteRgbTiff(std::string(argv[1]) + name, DrawGameScreen(boards[k]));
    }
  } catch (const std::exception& e) {
    std::fprintf(stderr, "game-frames: %s\n", e.what());
    return 1;
  }
  return 0;
}
