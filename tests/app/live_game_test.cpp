// The whole advisor against a simulated game on a private X screen, with the
// real converter: what it prints must be what the simulator drew.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <random>
#include <regex>
#include <thread>
#include <vector>

#include "support/advisor_output.h"
#include "support/advisor_run.h"
#include "support/subprocess.h"
#include "support/temp_dir.h"
#include "support/xvfb_server.h"

namespace {

const char kFieldReport[] = "Found field at: \n200,40\nwith width 96 \n";

class LiveGame : public ::testing::TestWithParam<int> {};

TEST_P(LiveGame, PrintsTheBoardsAndVitaminsTheSimulatorDrew) {
  const int depth = GetParam();
  XvfbServer screen(640, 480, depth);
  TempDir dir;
  const std::string log = dir.File("states.log");
  BackgroundProcess sim(
      {ScreenSimBinary(), "--hold", "1.5", "--rate", "3", "--seed", "5", "--log", log}, dir.path(),
      {{"DISPLAY", screen.display()}});
  ASSERT_TRUE(WaitForContent(log, 10)) << "the simulator drew nothing";

  // It runs until it has followed eight vitamins, however slowly the machine
  // lets it; a minute with nothing new from it ends the wait.
  BackgroundProcess advisor({AdvisorBinary()}, dir.path(), {{"DISPLAY", screen.display()}},
                            dir.File("out.txt"));
  std::string out;
  size_t seen = 0;
  auto lastNews = std::chrono::steady_clock::now();
  PollUntil(
      [&] {
        out = ReadFile(dir.File("out.txt"));
        if (out.size() != seen) {
          seen = out.size();
          lastNews = std::chrono::steady_clock::now();
        }
        return CheckAgainstSimLog(out, ReadFile(log)).vitaminLines >= 8 || advisor.HasEnded() ||
               std::chrono::steady_clock::now() - lastNews > std::chrono::seconds(60);
      },
      3600);  // the check above ends it within a minute of silence
  EXPECT_FALSE(advisor.HasEnded()) << "the advisor ended early";
  advisor.Stop();
  EXPECT_EQ(sim.Stop(), 0);
  ASSERT_EQ(out.rfind(kFieldReport, 0), 0u) << out.substr(0, 200);

  const OutputCheck check = CheckAgainstSimLog(out, ReadFile(log));
  EXPECT_EQ(check.problems, std::vector<std::string>{});
  EXPECT_GE(check.vitaminLines, 8) << out;
}

INSTANTIATE_TEST_SUITE_P(Depths, LiveGame, ::testing::Values(24, 16, 8),
                         [](const auto& info) { return "Depth" + std::to_string(info.param); });

// A state of screen-sim's log: when it was on the screen (its line's time)
// and whether it left the bottle's top two rows empty.
struct DrawnState {
  int step = 0;
  long long drawnAt = 0;
  bool topRowsClear = false;
};

// The states of the log's complete lines, in order.
std::vector<DrawnState> ReadDrawnStates(const std::string& log) {
  std::vector<DrawnState> states;
  const std::string board = " board=";
  for (size_t line = 0, end; (end = log.find('\n', line)) != std::string::npos; line = end + 1) {
    const size_t at = log.find(board, line);
    const size_t time = log.rfind(" t=", end);
    if (at > end || time == std::string::npos || time < at) continue;
    const size_t cells = at + board.size();
    DrawnState state;
    state.step = std::atoi(log.c_str() + line + 5);  // after "step="
    state.drawnAt = std::atoll(log.c_str() + time + 3);
    state.topRowsClear = log.compare(cells, 16, std::string(16, '.')) == 0;
    states.push_back(state);
  }
  return states;
}

// The states the screen may have shown at some moment from after to before
// (wall-clock microseconds): from the last drawn by after to the one after
// the last drawn by before, which may be on the screen before its line is
// written. first and last index states; false while that last one is not
// logged yet.
bool StatesBetween(const std::vector<DrawnState>& states, long long after, long long before,
                   size_t& first, size_t& last) {
  first = last = 0;
  for (size_t i = 0; i < states.size(); ++i) {
    if (states[i].drawnAt <= after) first = i;
    if (states[i].drawnAt <= before) last = i + 1;
  }
  return last < states.size();
}

long long WallMicroseconds() {
  return std::chrono::duration_cast<std::chrono::microseconds>(
             std::chrono::system_clock::now().time_since_epoch())
      .count();
}

// A run's output from its last field report on, as long as one report.
std::string LastFieldReport(const std::string& out) {
  const size_t at = out.rfind("Found field at: \n");
  return at == std::string::npos ? "" : out.substr(at, sizeof kFieldReport - 1);
}

// Started at any moment of the game, the advisor ends on the bottle, also
// when a vitamin hid the bottle's top rows as it started: it reports a field
// lower down first, and the bottle once it has read a frame with those rows
// clear. Runs overlap on one screen so that forty starts cost seconds. In
// the simulator's game 301 at four steps a second, a third of its first 60
// states hide the top-left corner, so without the search a third of the
// starts end lower down.
//
// How many frames an advisor gets in a while depends on the machine, so each
// run ends by what its frames showed, not by a time. Its converter notes when
// each call began and ended: a frame is captured between the end of one call
// and the beginning of the next, and the simulator's log says what the screen
// showed meanwhile. Once a frame captured with the top rows clear has been
// converted and the advisor has begun two conversions more (its pass over
// that frame, report and all, comes before the next), it is stopped.
TEST(LiveStarts, EveryStartEndsOnTheBottle) {
  const std::string converter = RealConverter();
  ASSERT_FALSE(converter.empty()) << "no converter on PATH";
  XvfbServer screen(640, 480, 24);
  TempDir dir;
  mkdir(dir.File("bin").c_str(), 0755);
  WriteTimedConverter(dir.File("bin"), converter);
  const char* path = std::getenv("PATH");
  const std::map<std::string, std::string> env = {
      {"DISPLAY", screen.display()}, {"PATH", dir.File("bin") + ":" + (path ? path : "")}};
  const std::string log = dir.File("states.log");
  BackgroundProcess sim(
      {ScreenSimBinary(), "--hold", "0", "--rate", "4", "--seed", "301", "--log", log}, dir.path(),
      {{"DISPLAY", screen.display()}});
  ASSERT_TRUE(WaitForContent(log, 10)) << "the simulator drew nothing";

  constexpr int kStarts = 40;
  constexpr size_t kCallsAfterClearFrame = 2;
  // Only a hang reaches this: the run is then stopped and fails below.
  constexpr double kHangSeconds = 300;
  std::mt19937 random(18);
  std::uniform_real_distribution<double> moment(0, 10);
  std::vector<double> startAt(kStarts);
  for (double& at : startAt) at = moment(random);
  std::sort(startAt.begin(), startAt.end());

  struct Start {
    std::unique_ptr<TempDir> dir;
    std::unique_ptr<BackgroundProcess> advisor;
    std::string simState;     // "step=N", the state on the screen as it started
    long long startedAt = 0;  // wall-clock microseconds, before its first capture
    size_t framesJudged = 0;  // its frames known to have shown the top rows clear or not
    int clearFrame = -1;      // the first that showed them clear
    std::string clearSteps;   // the steps that frame may have shown
    size_t calls = 0;         // conversions begun when it was stopped
    bool endedEarly = false;  // it had ended by itself...
    int status = 0;           // ...with this status (-1: by a signal)
    std::string out;          // all it printed
    bool stopped = false;
  };
  std::vector<Start> starts(kStarts);
  const auto begin = std::chrono::steady_clock::now();
  for (int started = 0, stopped = 0; stopped < kStarts;) {
    const double now =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
    for (; started < kStarts && startAt[started] <= now; ++started) {
      Start& s = starts[started];
      s.dir = std::make_unique<TempDir>();
      const std::string states = ReadFile(log);
      const size_t line = states.rfind('\n', states.size() - 2) + 1;
      s.simState = states.substr(line, states.find(' ', line) - line);
      s.startedAt = WallMicroseconds();
      s.advisor = std::make_unique<BackgroundProcess>(std::vector<std::string>{AdvisorBinary()},
                                                      s.dir->path(), env, s.dir->File("out"));
    }
    const std::vector<DrawnState> states = ReadDrawnStates(ReadFile(log));
    for (int i = 0; i < started; ++i) {
      Start& s = starts[i];
      if (s.stopped) continue;
      const std::vector<Conversion> calls = ReadConversions(s.dir->File("conversions"));
      for (size_t first, last; s.clearFrame < 0 && s.framesJudged < calls.size();) {
        const size_t frame = s.framesJudged;
        const long long after = frame == 0 ? s.startedAt : calls[frame - 1].end;
        if (!StatesBetween(states, after, calls[frame].begin, first, last)) break;
        ++s.framesJudged;
        bool clear = true;
        for (size_t k = first; k <= last; ++k) clear = clear && states[k].topRowsClear;
        if (clear) {
          s.clearFrame = static_cast<int>(frame);
          s.clearSteps =
              std::to_string(states[first].step) + ".." + std::to_string(states[last].step);
        }
      }
      const bool done = s.clearFrame >= 0 &&
                        calls.size() > static_cast<size_t>(s.clearFrame) + kCallsAfterClearFrame;
      s.endedEarly = s.advisor->HasEnded();
      if (done || s.endedEarly || now - startAt[i] > kHangSeconds) {
        s.calls = calls.size();
        s.status = s.advisor->Stop();
        s.out = ReadFile(s.dir->File("out"));
        s.stopped = true;
        ++stopped;
      }
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  for (const Start& s : starts) {
    SCOPED_TRACE("started at " + s.simState + ", " + std::to_string(s.calls) + " conversions");
    EXPECT_FALSE(s.endedEarly) << "status " << s.status;
    EXPECT_GE(s.clearFrame, 0) << "none of its " << s.framesJudged
                               << " frames showed the top rows clear";
    EXPECT_EQ(LastFieldReport(s.out), kFieldReport)
        << "its frame " << s.clearFrame << " showed steps " << s.clearSteps
        << ", the top rows clear; it printed " << s.out.substr(0, 60);
  }
}

std::vector<std::string> CapturePane(const std::string& socket) {
  std::vector<std::string> rows;
  const std::string command = "tmux -L " + socket + " capture-pane -p -t advisor";
  FILE* pane = popen(command.c_str(), "r");
  if (pane == nullptr) return rows;
  char line[512];
  while (std::fgets(line, sizeof line, pane) != nullptr) {
    std::string row(line);
    while (!row.empty() && (row.back() == '\n' || row.back() == ' ')) row.pop_back();
    rows.push_back(row);
  }
  pclose(pane);
  return rows;
}

// Whether the pane's first 16 rows show a board.
bool ShowsABoard(const std::vector<std::string>& rows) {
  const std::regex boardRow(R"(([.rybRYB] ){7}[.rybRYB])");
  if (rows.size() < 16) return false;
  for (int row = 0; row < 16; ++row) {
    if (!std::regex_match(rows[row], boardRow)) return false;
  }
  return true;
}

size_t LineCount(const std::string& text) {
  return static_cast<size_t>(std::count(text.begin(), text.end(), '\n'));
}

TEST(LiveTerminal, RedrawsInPlaceWithNoStrayCharacters) {
  XvfbServer screen(640, 480, 24);
  TempDir dir;
  const std::string log = dir.File("states.log");
  BackgroundProcess sim(
      {ScreenSimBinary(), "--hold", "1.5", "--rate", "4", "--seed", "2", "--log", log}, dir.path(),
      {{"DISPLAY", screen.display()}});
  ASSERT_TRUE(WaitForContent(log, 10));

  const std::string socket = "bottlewatch-test-" + std::to_string(getpid());
  const std::string start = "tmux -L " + socket + " new-session -d -s advisor -x 80 -y 25 -c '" +
                            dir.path() + "' 'DISPLAY=" + screen.display() + " " + AdvisorBinary() +
                            "'";
  ASSERT_EQ(std::system(start.c_str()), 0);
  // A board on the pane, then a dozen of the game's steps drawn over it: a
  // stray character of any redraw in place would stay.
  const bool shown = PollUntil([&socket] { return ShowsABoard(CapturePane(socket)); }, 60);
  const size_t stepsThen = LineCount(ReadFile(log));
  const bool played =
      shown && PollUntil([&] { return LineCount(ReadFile(log)) >= stepsThen + 12; }, 60);
  // With the game gone nothing new fills, so the last redraw stays put: the
  // pane is read once it reads the same twice over.
  sim.Stop();
  std::vector<std::string> rows = CapturePane(socket);
  const bool still = PollUntil(
      [&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(400));
        std::vector<std::string> again = CapturePane(socket);
        std::swap(rows, again);
        return rows == again;
      },
      30);
  std::system(("tmux -L " + socket + " kill-server").c_str());
  ASSERT_TRUE(shown) << "the advisor drew no board";
  ASSERT_TRUE(played) << "the game stopped";
  ASSERT_TRUE(still) << "the pane kept changing with the game gone";

  ASSERT_GE(rows.size(), 21u);
  const std::regex boardRow(R"(([.rybRYB] ){7}[.rybRYB])");
  for (int row = 0; row < 16; ++row) {
    EXPECT_TRUE(std::regex_match(rows[row], boardRow)) << "row " << row << ": " << rows[row];
  }
  if (rows[16] == "Clear detected.") {
    for (int row = 17; row <= 20; ++row) EXPECT_EQ(rows[row], "") << "row " << row;
  } else {
    EXPECT_TRUE(std::regex_match(rows[16], std::regex(R"(Vitamin at: -?\d,-?\d+ \d,\d+)")))
        << rows[16];
    EXPECT_TRUE(std::regex_match(rows[17], std::regex(R"(Target: (Virus|Vitamin|Nothing) \d,\d+)")))
        << rows[17];
    EXPECT_TRUE(std::regex_match(rows[18], std::regex(R"((Stack: \d+)?)"))) << rows[18];
    EXPECT_TRUE(std::regex_match(rows[19], std::regex(R"((Piece: (Right|Left) side)?)")))
        << rows[19];
    EXPECT_TRUE(std::regex_match(rows[20], std::regex(R"((Move left|Move right)?)"))) << rows[20];
  }
  for (size_t row = 21; row < rows.size(); ++row) EXPECT_EQ(rows[row], "") << "row " << row;
}

}  // namespace
