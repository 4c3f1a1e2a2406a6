// The whole advisor against a simulated game on a private X screen, with the
// real converter: what it prints must be what the simulator drew.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
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

// A run's output from its last field report on, as long as one report.
std::string LastFieldReport(const std::string& out) {
  const size_t at = out.rfind("Found field at: \n");
  return at == std::string::npos ? "" : out.substr(at, sizeof kFieldReport - 1);
}

// Started at any moment of the game, the advisor ends on the bottle, also
// when a vitamin hid the bottle's top rows as it started. Runs overlap on one
// screen so that forty starts cost seconds. In the simulator's game 301 at
// four steps a second, a third of its first 60 states hide the top-left
// corner (so without the search a third of the starts end lower down), none
// for more than 5 steps in a row, and at least 4 steps with the top rows
// clear follow. So each run is given four seconds from its first report, not
// from its start: with some sixteen advisors and their converters sharing
// two cores (and a sanitizer's start-up), a first frame can take over two
// seconds to come, and the frames after it one every half second or so.
TEST(LiveStarts, EveryStartEndsOnTheBottle) {
  XvfbServer screen(640, 480, 24);
  TempDir dir;
  const std::string log = dir.File("states.log");
  BackgroundProcess sim(
      {ScreenSimBinary(), "--hold", "0", "--rate", "4", "--seed", "301", "--log", log}, dir.path(),
      {{"DISPLAY", screen.display()}});
  ASSERT_TRUE(WaitForContent(log, 10)) << "the simulator drew nothing";

  constexpr int kStarts = 40;
  constexpr double kRunSeconds = 4;
  // An advisor that has reported nothing by then is stopped all the same,
  // and fails below with no field report.
  constexpr double kFirstReportSeconds = 20;
  std::mt19937 random(18);
  std::uniform_real_distribution<double> moment(0, 10);
  std::vector<double> startAt(kStarts);
  for (double& at : startAt) at = moment(random);
  std::sort(startAt.begin(), startAt.end());

  struct Start {
    std::unique_ptr<TempDir> dir;
    std::unique_ptr<BackgroundProcess> advisor;
    std::string simState;  // "step=N", the state on the screen as it started
    double stopAt = 0;     // seconds into the test
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
      s.advisor = std::make_unique<BackgroundProcess>(
          std::vector<std::string>{AdvisorBinary()}, s.dir->path(),
          std::map<std::string, std::string>{{"DISPLAY", screen.display()}}, s.dir->File("out"));
      s.stopAt = startAt[started] + kFirstReportSeconds;
    }
    for (int i = 0; i < started; ++i) {
      Start& s = starts[i];
      if (s.stopped) continue;
      if (s.stopAt > now + kRunSeconds && !ReadFile(s.dir->File("out")).empty()) {
        s.stopAt = now + kRunSeconds;
      }
      if (s.stopAt <= now) {
        s.advisor->Stop();
        s.stopped = true;
        ++stopped;
      }
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  for (const Start& s : starts) {
    EXPECT_EQ(LastFieldReport(ReadFile(s.dir->File("out"))), kFieldReport)
        << "started at " << s.simState;
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
