// The whole advisor against a simulated game on a private X screen, with the
// real converter: what it prints must be what the simulator drew.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
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

  const ProcessResult advisor =
      RunProcess({AdvisorBinary()}, dir.path(), {{"DISPLAY", screen.display()}}, 9);
  EXPECT_EQ(sim.Stop(), 0);
  EXPECT_TRUE(advisor.timedOut) << "the advisor ended early: " << advisor.err;
  ASSERT_EQ(advisor.out.rfind(kFieldReport, 0), 0u) << advisor.out.substr(0, 200);

  const OutputCheck check = CheckAgainstSimLog(advisor.out, ReadFile(log));
  EXPECT_EQ(check.problems, std::vector<std::string>{});
  // About 20 steps were drawn during the run: most of them must have been seen.
  EXPECT_GE(check.vitaminLines, 8) << advisor.out;
}

INSTANTIATE_TEST_SUITE_P(Depths, LiveGame, ::testing::Values(24, 16, 8),
                         [](const auto& info) { return "Depth" + std::to_string(info.param); });

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
  std::this_thread::sleep_for(std::chrono::seconds(6));
  // With the game gone nothing new fills, so the last redraw stays put.
  sim.Stop();
  std::this_thread::sleep_for(std::chrono::milliseconds(800));
  const std::vector<std::string> rows = CapturePane(socket);
  std::system(("tmux -L " + socket + " kill-server").c_str());

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
