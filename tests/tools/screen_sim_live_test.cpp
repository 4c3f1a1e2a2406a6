// screen-sim on a private X server: what it logs is what is on the screen,
// in the colours the advisor reads, at depths 24, 16 and 8, and on large
// screens where its options put it, at every size, sharp and smoothed, moved
// and cut by the screen's edge; it stops cleanly, and refuses in one line what
// it cannot show.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "sim_colours.h"
#include "sim_drawing.h"
#include "sim_game.h"
#include "support/subprocess.h"
#include "support/temp_dir.h"
#include "support/xvfb_server.h"

// Last: Xlib defines macros (None, Bool, Status) that clash with GoogleTest.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace {

constexpr int kWidth = 640;
constexpr int kHeight = 480;
constexpr int kLeft = 200;  // default bottle position and cell side
constexpr int kTop = 40;
constexpr int kSide = 12;

// Waits up to timeoutSeconds for the child to end; returns its wait status,
// or -1 (after killing it) when it did not end in time.
int WaitForExit(pid_t pid, double timeoutSeconds) {
  const auto deadline =
      std::chrono::steady_clock::now() + std::chrono::duration<double>(timeoutSeconds);
  int status = 0;
  while (std::chrono::steady_clock::now() < deadline) {
    if (waitpid(pid, &status, WNOHANG) == pid) return status;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  kill(pid, SIGKILL);
  waitpid(pid, &status, 0);
  return -1;
}

// screen-sim running in the background on one display; killed on the way out
// if a failed assertion left it running.
class SimProcess {
 public:
  SimProcess(const std::string& display, const std::vector<std::string>& args) {
    pid_ = fork();
    if (pid_ == 0) {
      setenv("DISPLAY", display.c_str(), 1);
      std::vector<char*> argv = {const_cast<char*>(SCREEN_SIM_BINARY)};
      for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
      argv.push_back(nullptr);
      execv(argv[0], argv.data());
      _exit(127);
    }
  }
  ~SimProcess() {
    if (pid_ > 0) WaitForExit(pid_, 0);
  }
  SimProcess(const SimProcess&) = delete;
  SimProcess& operator=(const SimProcess&) = delete;

  bool started() const { return pid_ > 0; }
  void Signal(int number) const { kill(pid_, number); }
  // Sends SIGTERM and returns the wait status, or -1 if it was still running
  // after timeoutSeconds.
  int Terminate(double timeoutSeconds) {
    kill(pid_, SIGTERM);
    const int status = WaitForExit(pid_, timeoutSeconds);
    pid_ = -1;
    return status;
  }

 private:
  pid_t pid_ = -1;
};

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

long long WallMicroseconds() {
  return std::chrono::duration_cast<std::chrono::microseconds>(
             std::chrono::system_clock::now().time_since_epoch())
      .count();
}

// A log line split into what FormatSimState wrote and the time screen-sim
// added (-1 when the t= field is missing or not a number).
std::pair<std::string, long long> SplitLogTime(const std::string& line) {
  const size_t at = line.rfind(" t=");
  if (at == std::string::npos) return {line, -1};
  const std::string digits = line.substr(at + 3);
  if (digits.empty() || digits.find_first_not_of("0123456789") != std::string::npos) {
    return {line, -1};
  }
  return {line.substr(0, at), std::stoll(digits)};
}

// The first complete log line, or "" if none was written in time; skip
// lines lets a later one be the first.
std::string WaitForFirstLine(const std::string& path, double timeoutSeconds, int skip = 0) {
  const auto deadline =
      std::chrono::steady_clock::now() + std::chrono::duration<double>(timeoutSeconds);
  while (std::chrono::steady_clock::now() < deadline) {
    if (FileExists(path)) {
      const std::string text = ReadFile(path);
      size_t start = 0;
      for (int i = 0; i < skip && start != std::string::npos; ++i) {
        start = text.find('\n', start);
        if (start != std::string::npos) ++start;
      }
      const size_t end = start == std::string::npos ? start : text.find('\n', start);
      if (end != std::string::npos) return text.substr(start, end - start);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return "";
}

// A width x height rectangle of the root window at x0, y0 as 8-bit colours,
// row-major; by default the top-left 640 x 480. XQueryColor turns pixel
// values into colours on TrueColor and PseudoColor alike.
std::vector<SimRgb> GrabScreen(Display* display, int x0 = 0, int y0 = 0, int width = kWidth,
                               int height = kHeight) {
  const Window root = DefaultRootWindow(display);
  const Colormap map = DefaultColormap(display, DefaultScreen(display));
  XImage* image = XGetImage(display, root, x0, y0, static_cast<unsigned>(width),
                            static_cast<unsigned>(height), AllPlanes, ZPixmap);
  std::vector<SimRgb> pixels;
  if (image == nullptr) return pixels;
  std::map<unsigned long, SimRgb> known;
  pixels.reserve(static_cast<size_t>(width) * height);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const unsigned long value = XGetPixel(image, x, y);
      auto found = known.find(value);
      if (found == known.end()) {
        XColor colour = {};
        colour.pixel = value;
        XQueryColor(display, map, &colour);
        found = known.emplace(value, SimRgb{colour.red >> 8, colour.green >> 8, colour.blue >> 8})
                    .first;
      }
      pixels.push_back(found->second);
    }
  }
  XDestroyImage(image);
  return pixels;
}

bool Same(SimRgb a, SimRgb b) {
  return a.red == b.red && a.green == b.green && a.blue == b.blue;
}

class ScreenSimLive : public ::testing::TestWithParam<int> {};

TEST_P(ScreenSimLive, FirstStateOnScreenMatchesItsLogLine) {
  XvfbServer server(kWidth, kHeight, GetParam());
  TempDir dir;
  const std::string log = dir.File("states.log");
  // The first state holds until the test has read the screen and ends it.
  SimProcess sim(server.display(), {"--hold", "600", "--steps", "0", "--seed", "7", "--log", log});
  ASSERT_TRUE(sim.started());
  const std::string line = WaitForFirstLine(log, 30.0);
  ASSERT_FALSE(line.empty()) << "no step-0 line was logged";
  const std::string prefix = "step=0 board=";
  ASSERT_EQ(line.substr(0, prefix.size()), prefix);
  ASSERT_EQ(SplitLogTime(line).first.substr(prefix.size() + kSimCells), " vitamin=none");
  const std::string board = line.substr(prefix.size(), kSimCells);

  Display* display = XOpenDisplay(server.display().c_str());
  ASSERT_NE(display, nullptr);
  const std::vector<SimRgb> screen = GrabScreen(display);
  XCloseDisplay(display);
  ASSERT_EQ(screen.size(), static_cast<size_t>(kWidth * kHeight));

  int viruses = 0;
  for (int row = 0; row < kSimRows; ++row) {
    for (int column = 0; column < kSimColumns; ++column) {
      const char code = board[row * kSimColumns + column];
      const int x0 = kLeft + column * kSide;
      const int y0 = kTop + row * kSide;
      const SimRgb centre = screen[(y0 + kSide / 2) * kWidth + x0 + kSide / 2];
      SCOPED_TRACE("cell " + std::to_string(column) + "," + std::to_string(row) + " code " + code);
      EXPECT_EQ(ClassifyFlatSquare(centre), code);
      if (code == '.') {
        EXPECT_LE(SimLuminance(centre), 30);
      } else {
        ++viruses;
      }
      // The advisor averages the whole square: it must be one flat colour.
      int off = 0;
      for (int y = y0; y < y0 + kSide; ++y) {
        for (int x = x0; x < x0 + kSide; ++x) off += !Same(screen[y * kWidth + x], centre);
      }
      EXPECT_EQ(off, 0);
    }
  }
  EXPECT_GT(viruses, 0);

  int dim = 0;
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      const bool inBottle =
          x >= kLeft && x < kLeft + kSimColumns * kSide && y >= kTop && y < kTop + kSimRows * kSide;
      if (!inBottle && SimLuminance(screen[y * kWidth + x]) < 128) ++dim;
    }
  }
  EXPECT_EQ(dim, 0) << "pixels outside the bottle that are not bright";

  const int status = sim.Terminate(10.0);
  ASSERT_NE(status, -1) << "still running ten seconds after SIGTERM";
  EXPECT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
}

INSTANTIATE_TEST_SUITE_P(Depths, ScreenSimLive, ::testing::Values(24, 16, 8),
                         [](const ::testing::TestParamInfo<int>& info) {
                           return "Depth" + std::to_string(info.param);
                         });

TEST(ScreenSimRun, LogsEachStepOfTheSeededGameWithItsTimeAndEndsByItself) {
  XvfbServer server(kWidth, kHeight, 24);
  TempDir dir;
  const std::string log = dir.File("states.log");
  const long long before = WallMicroseconds();
  const ProcessResult result = RunProcess({SCREEN_SIM_BINARY, "--steps", "5", "--rate", "20",
                                           "--hold", "0.2", "--seed", "3", "--log", log},
                                          dir.path(), {{"DISPLAY", server.display()}}, 10.0);
  const long long after = WallMicroseconds();
  ASSERT_FALSE(result.timedOut);
  EXPECT_EQ(result.exitStatus, 0) << result.err;

  SimGame game;
  StartSimGame(3, &game);
  std::vector<std::string> expected = {FormatSimState(game, 0)};
  for (int step = 1; step <= 5; ++step) {
    StepSimGame(&game);
    expected.push_back(FormatSimState(game, step));
  }
  std::vector<std::string> states;
  for (const std::string& line : Lines(ReadFile(log))) {
    const auto [state, drawnAt] = SplitLogTime(line);
    states.push_back(state);
    // bench/redraw-latency compares these with its own wall-clock readings in
    // microseconds: another clock or unit would land outside the run.
    EXPECT_GE(drawnAt, before) << line;
    EXPECT_LE(drawnAt, after) << line;
  }
  EXPECT_EQ(states, expected);
}

// Where a bottle of this side, its top-left cell at left, top, must show on
// a screen of width x height, read back from the screen: the dark of row 2
// (empty at every level's start) and of column 4 begins exactly where the
// options put it, later by half the blur when smoothed; every cell wholly on
// the screen reads as the board's code, its square flat (inside the blur);
// and the outline is bright beside it. Returns what is wrong, nothing if all
// holds.
std::vector<std::string> BottleProblems(Display* display, int width, int height,
                                        const std::string& board, int side, int left, int top,
                                        bool smooth) {
  const SimDrawing drawing = DrawingForSide(side);
  const int reach = smooth ? SmoothingWidth(side) : 1;
  const int x0 = std::max(0, left - drawing.wall - 2);
  const int y0 = std::max(0, top - side);
  const int x1 = std::min(width, left + kSimColumns * side + drawing.wall + 2);
  const int y1 = std::min(height, top + kSimRows * side + drawing.wall + 2);
  const std::vector<SimRgb> grabbed = GrabScreen(display, x0, y0, x1 - x0, y1 - y0);
  if (grabbed.size() != static_cast<size_t>(x1 - x0) * (y1 - y0)) return {"no picture"};
  auto at = [&](int x, int y) { return grabbed[static_cast<size_t>(y - y0) * (x1 - x0) + x - x0]; };
  auto black = [&](int x, int y) { return Same(at(x, y), SimRgb{0, 0, 0}); };
  std::vector<std::string> problems;
  auto problem = [&problems](const std::string& what, int x, int y) {
    problems.push_back(what + " at " + std::to_string(x) + "," + std::to_string(y));
  };

  const int rowTwo = top + 2 * side + side / 2;
  int firstBlack = -1;
  int lastBlack = -1;
  for (int x = x0; x < x1; ++x) {
    if (!black(x, rowTwo)) continue;
    if (firstBlack < 0) firstBlack = x;
    lastBlack = x;
  }
  if (firstBlack != left + reach / 2) problem("row 2's dark begins", firstBlack, rowTwo);
  const int right = left + kSimColumns * side;
  if (right <= width && lastBlack != right - reach + reach / 2) {
    problem("row 2's dark ends", lastBlack, rowTwo);
  }
  const int columnFour = left + 4 * side + side / 2;
  int topBlack = -1;
  for (int y = y0; y < y1 && topBlack < 0; ++y) {
    if (black(columnFour, y)) topBlack = y;
  }
  if (topBlack != top + reach / 2) problem("column 4's dark begins", columnFour, topBlack);

  int cells = 0;
  for (int row = 0; row < kSimRows; ++row) {
    const int cellTop = top + row * side;
    if (cellTop + side > height) break;
    const int middle = cellTop + side / 2;
    if (SimLuminance(at(left - drawing.wall, middle)) < 150)
      problem("a dim outline", left - drawing.wall, middle);
    for (int column = 0; column < kSimColumns; ++column) {
      const int cellLeft = left + column * side;
      if (cellLeft + side > width) break;
      ++cells;
      const char code = board[row * kSimColumns + column];
      const SimRgb centre = at(cellLeft + side / 2, middle);
      if (ClassifyFlatSquare(centre) != code)
        problem(std::string("not '") + code + "'", cellLeft, cellTop);
      for (int y = cellTop + reach - 1; y < cellTop + side - reach + 1; ++y) {
        for (int x = cellLeft + reach - 1; x < cellLeft + side - reach + 1; ++x) {
          if (!Same(at(x, y), centre)) {
            problem("a square not flat", x, y);
            y = cellTop + side;
            break;
          }
        }
      }
    }
  }
  if (cells == 0) problems.push_back("no cell on the screen");
  return problems;
}

struct PlaceCase {
  const char* name;
  int width;
  int height;
  std::vector<std::string> options;
  int side;
  int left;  // where the bottle's top-left pixel must be
  int top;
  bool smooth;
  int movedLeft;  // after SIGUSR1 (--move), or -1
  int movedTop;
  bool logsPlace = false;  // with --log-place: "bottle at" lines name those places
};

const PlaceCase kPlaceCases[] = {
    {"Screen1920DefaultInTheCorner", 1920, 1080, {}, 12, 200, 40, false, -1, -1},
    {"Screen1920Side24InTheMiddle",
     1920,
     1080,
     {"--side", "24", "--left", "864", "--top", "348"},
     24,
     864,
     348,
     false,
     -1,
     -1},
    {"Screen1920Side48",
     1920,
     1080,
     {"--side", "48", "--left", "700", "--top", "150"},
     48,
     700,
     150,
     false,
     -1,
     -1},
    {"Screen1920Side24CutByTheBottomEdge",
     1920,
     1080,
     {"--side", "24", "--left", "1000", "--top", "900"},
     24,
     1000,
     900,
     false,
     -1,
     -1},
    // The drawing at side 36 is 640 x 720, the bottle 200 right and 72 down.
    {"Screen1920Side36WindowMoved",
     1920,
     1080,
     {"--side", "36", "--window", "100,50", "--move", "1100,250"},
     36,
     300,
     122,
     false,
     1300,
     322},
    {"Screen3840Side48SmoothedInTheMiddle",
     3840,
     2160,
     {"--side", "48", "--smooth", "--left", "1728", "--top", "700"},
     48,
     1728,
     700,
     true,
     -1,
     -1},
    {"Screen3840Side24SmoothedCutByTheRightEdge",
     3840,
     2160,
     {"--side", "24", "--smooth", "--left", "3700", "--top", "1000"},
     24,
     3700,
     1000,
     true,
     -1,
     -1},
    {"Screen3840Side32SmoothedWindowMoved",
     3840,
     2160,
     {"--side", "32", "--smooth", "--window", "0,0", "--move", "3000,1500"},
     32,
     200,
     64,
     true,
     3200,
     1564},
    // Centred, the 640 x 480 drawing's corner is at 640,300; a white page,
    // a closed border and corners no rounder than it is thick.
    {"Screen1920Side24CentredBorderedOnWhite",
     1920,
     1080,
     {"--side", "24", "--centre", "--border", "4", "--radius", "4", "--page", "white",
      "--log-place", "--move", "100,100"},
     24,
     840,
     348,
     false,
     300,
     148,
     true},
    {"Screen3840Side8InTheBottomRight",
     3840,
     2160,
     {"--side", "8", "--left", "3770", "--top", "2020"},
     8,
     3770,
     2020,
     false,
     -1,
     -1},
};

// ctest names each row; GoogleTest would print its bytes.
void PrintTo(const PlaceCase& c, std::ostream* out) {
  *out << c.name;
}

class ScreenSimPlaces : public ::testing::TestWithParam<PlaceCase> {};

TEST_P(ScreenSimPlaces, TheBottleIsWhereTheOptionsPutIt) {
  const PlaceCase& c = GetParam();
  XvfbServer server(c.width, c.height, 24);
  TempDir dir;
  const std::string log = dir.File("states.log");
  std::vector<std::string> args = {"--hold", "600", "--steps", "0", "--seed", "7", "--log", log};
  args.insert(args.end(), c.options.begin(), c.options.end());
  SimProcess sim(server.display(), args);
  ASSERT_TRUE(sim.started());
  auto placeLine = [&c](int left, int top) {
    return "bottle at " + std::to_string(left) + "," + std::to_string(top) + " width " +
           std::to_string(kSimColumns * c.side) + " pitch " + std::to_string(c.side);
  };
  if (c.logsPlace) {
    EXPECT_EQ(WaitForFirstLine(log, 30.0), placeLine(c.left, c.top));
  }
  const std::string line = WaitForFirstLine(log, 30.0, c.logsPlace ? 1 : 0);
  const std::string prefix = "step=0 board=";
  ASSERT_EQ(line.substr(0, prefix.size()), prefix) << "no step-0 line was logged";
  const std::string board = line.substr(prefix.size(), kSimCells);

  Display* display = XOpenDisplay(server.display().c_str());
  ASSERT_NE(display, nullptr);
  EXPECT_EQ(BottleProblems(display, c.width, c.height, board, c.side, c.left, c.top, c.smooth),
            std::vector<std::string>{});
  if (c.movedLeft >= 0) {
    sim.Signal(SIGUSR1);
    ASSERT_TRUE(
        PollUntil([&] { return ReadFile(log).find("\nmoved to ") != std::string::npos; }, 30));
    // Once moved, the server copies or the simulator repaints what it shows.
    std::vector<std::string> problems;
    PollUntil(
        [&] {
          problems = BottleProblems(display, c.width, c.height, board, c.side, c.movedLeft,
                                    c.movedTop, c.smooth);
          return problems.empty();
        },
        30);
    EXPECT_EQ(problems, std::vector<std::string>{}) << "after the move";
    if (c.logsPlace) {
      // The line after "moved to".
      std::string placed;
      PollUntil(
          [&] {
            const std::vector<std::string> lines = Lines(ReadFile(log));
            for (size_t i = 0; i + 1 < lines.size(); ++i) {
              if (lines[i].rfind("moved to ", 0) == 0) placed = lines[i + 1];
            }
            return !placed.empty();
          },
          30);
      EXPECT_EQ(placed, placeLine(c.movedLeft, c.movedTop));
    }
  }
  XCloseDisplay(display);
  EXPECT_EQ(sim.Terminate(10.0), 0) << "did not end cleanly on SIGTERM";
}

INSTANTIATE_TEST_SUITE_P(Screens, ScreenSimPlaces, ::testing::ValuesIn(kPlaceCases),
                         [](const ::testing::TestParamInfo<PlaceCase>& info) {
                           return std::string(info.param.name);
                         });

// What it cannot show is refused before anything is drawn, in one line, with
// status 2: bad values at once, places off the screen's own size and smoothing
// without TrueColor once the display is open.
TEST(ScreenSimRun, RefusesWhatItCannotShowInOneLine) {
  XvfbServer large(1920, 1080, 24);
  XvfbServer paletted(640, 480, 8);
  const struct {
    std::vector<std::string> options;
    const XvfbServer* screen;
    std::string line;
  } cases[] = {
      {{"--side", "5"}, &large, "bad value for --side: \"5\" (a cell side from 6 to 48)"},
      {{"--side", "49"}, &large, "bad value for --side: \"49\" (a cell side from 6 to 48)"},
      {{"--left", "-3"}, &large, "bad value for --left: \"-3\" (a pixel of the screen, 0 or more)"},
      {{"--move", "12"}, &large, "bad value for --move: \"12\" (X,Y, a pixel of the screen)"},
      {{"--window", "10,10", "--top", "5"},
       &large,
       "--left and --top place the unmanaged window's bottle; --window X,Y places the window"},
      {{"--zoom", "2"}, &large, "unknown option --zoom; see screen-sim --help"},
      {{"--left", "1920"},
       &large,
       "the bottle's top-left corner 1920,40 is off the 1920 x 1080 screen"},
      {{"--side", "24", "--top", "1080"},
       &large,
       "the bottle's top-left corner 200,1080 is off the 1920 x 1080 screen"},
      {{"--window", "100,1080"}, &large, "--window 100,1080 is off the 1920 x 1080 screen"},
      {{"--move", "3000,10"}, &large, "--move 3000,10 is off the 1920 x 1080 screen"},
      {{"--smooth", "--side", "24"},
       &paletted,
       "--smooth needs a TrueColor screen (depth 15, 16 or 24), for its blended colours"},
      {{"--page", "photo"},
       &paletted,
       "--page photo needs a TrueColor screen (depth 15, 16 or 24), for its many colours"},
      {{"--border", "1"}, &large, "bad value for --border: \"1\" (a thickness from 2 to 16)"},
      {{"--border", "4", "--radius", "9"},
       &large,
       "bad value for --radius: \"9\" (0 to 8, two-thirds of side 12)"},
      {{"--radius", "4"}, &large, "--radius rounds the corners of a --border; give --border too"},
      {{"--inside", "303030"},
       &large,
       "bad value for --inside: \"303030\" (RRGGBB, a dark colour that reads as an empty cell, "
       "luminance 40 or less)"},
      {{"--gap", "17"}, &large, "bad value for --gap: \"17\" (a gap from 0 to 16)"},
      {{"--palette", "neon"},
       &large,
       "bad value for --palette: \"neon\" (default, pure or sprite)"},
      {{"--animate", "5"},
       &large,
       "--animate moves the viruses' sprites; give --palette pure or sprite too"},
      {{"--centre", "--window", "10,10"},
       &large,
       "--centre places the window itself; it takes no --window, --left or --top"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line);
    TempDir dir;
    std::vector<std::string> argv = {SCREEN_SIM_BINARY};
    argv.insert(argv.end(), c.options.begin(), c.options.end());
    const ProcessResult result =
        RunProcess(argv, dir.path(), {{"DISPLAY", c.screen->display()}}, 10.0);
    EXPECT_EQ(result.exitStatus, 2);
    EXPECT_EQ(result.err, "screen-sim: " + c.line + "\n");
    EXPECT_EQ(result.out, "");
  }
}

}  // namespace
