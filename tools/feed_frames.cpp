// Stands in for the image converter when tests drive the advisor with frames
// of their own. Installed under a converter's name first on PATH, each call
// copies the next prepared frame, $BOTTLEWATCH_FRAMES/frame-NNN.tif, to
// "x.tif" in the current directory; when the frames have run out it deletes
// "x.tif", so the advisor then ends with its error line. The count of calls so
// far is kept in $BOTTLEWATCH_FRAMES/next, and each call's words, the name it
// was run by first, are added as a line to $BOTTLEWATCH_FRAMES/words. When
// $BOTTLEWATCH_FEEDER_SAYS is set, every call writes it as a line on the error
// stream, as a converter that warns on every run does. When
// $BOTTLEWATCH_FEEDER_NUDGES is set and not empty, every call also changes a
// pixel of the screen (screen_nudge.h), so that the advisor never finds the
// screen still and skips the conversion that serves the next frame.
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "screen_nudge.h"

int main(int argc, char** argv) {
  const char* dir = std::getenv("BOTTLEWATCH_FRAMES");
  if (dir == nullptr || *dir == '\0') {
    std::fprintf(stderr, "feed-frames: BOTTLEWATCH_FRAMES is not set\n");
    return 2;
  }
  if (const char* says = std::getenv("BOTTLEWATCH_FEEDER_SAYS")) std::fprintf(stderr, "%s\n", says);
  const std::string counterPath = std::string(dir) + "/next";
  int next = 0;
  {
    std::ifstream counter(counterPath);
    counter >> next;
  }
  char name[32];
  std::snprintf(name, sizeof name, "/frame-%03d.tif", next);
  std::ifstream frame(std::string(dir) + name, std::ios::binary);
  if (frame) {
    std::ofstream out("x.tif", std::ios::binary | std::ios::trunc);
    out << frame.rdbuf();
  } else {
    std::remove("x.tif");
  }
  std::ofstream(counterPath, std::ios::trunc) << next + 1 << '\n';
  const char* nudges = std::getenv("BOTTLEWATCH_FEEDER_NUDGES");
  if (nudges != nullptr && *nudges != '\0') NudgeScreen(next);
  std::ofstream words(std::string(dir) + "/words", std::ios::app);
  for (int i = 0; i < argc; ++i) words << (i > 0 ? " " : "") << argv[i];
  words << '\n';
  return 0;
}
