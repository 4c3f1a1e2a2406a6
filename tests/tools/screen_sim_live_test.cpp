// screen-sim on a private X server: what it logs is what is on the screen,
// in the colours the advisor reads, at depths 24, 16 and 8; it stops cleanly.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "sim_colours.h"
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

// The first complete log line, or "" if none was written in time.
std::string WaitForFirstLine(const std::string& path, double timeoutSeconds) {
  const auto deadline =
      std::chrono::steady_clock::now() + std::chrono::duration<double>(timeoutSeconds);
  while (std::chrono::steady_clock::now() < deadline) {
    if (FileExists(path)) {
      const std::string text = ReadFile(path);
      const size_t end = text.find('\n');
      if (end != std::string::npos) return text.substr(0, end);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return "";
}

// The top-left 640 x 480 of the root window as 8-bit colours, row-major.
// XQueryColor turns pixel values into colours on TrueColor and PseudoColor
// alike.
std::vector<SimRgb> GrabScreen(Display* display) {
  const Window root = DefaultRootWindow(display);
  const Colormap map = DefaultColormap(display, DefaultScreen(display));
  XImage* image = XGetImage(display, root, 0, 0, kWidth, kHeight, AllPlanes, ZPixmap);
  std::vector<SimRgb> pixels;
  if (image == nullptr) return pixels;
  std::map<unsigned long, SimRgb> known;
  pixels.reserve(kWidth * kHeight);
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
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

TEST(ScreenSimRun, RefusesABottleThatDoesNotFit) {
  TempDir dir;
  const ProcessResult result =
      RunProcess({SCREEN_SIM_BINARY, "--top", "250"}, dir.path(), {{"DISPLAY", ":999"}}, 5.0);
  EXPECT_EQ(result.exitStatus, 2);
  EXPECT_NE(result.err.find("does not fit"), std::string::npos) << result.err;
}

}  // namespace
