// The whole advisor against a simulated game on a private X screen, with the
// real converter: what it prints must be what the simulator drew.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <thread>
#include <vector>

#include "support/advisor_run.h"
#include "support/subprocess.h"
#include "support/temp_dir.h"
#include "support/xvfb_server.h"

namespace {

using Half = std::pair<int, int>;  // column, row
using Halves = std::set<Half>;

const char kFieldReport[] = "Found field at: \n200,40\nwith width 96 \n";

// board -> the vitamin halves of every logged state that showed it (empty set
// for states without a falling vitamin).
std::multimap<std::string, Halves> ReadSimLog(const std::string& path) {
  std::multimap<std::string, Halves> states;
  std::ifstream log(path);
  std::string line;
  const std::regex form(R"(step=\d+ board=(\S{128}) vitamin=(none|(-?\d+),(-?\d+),(-?\d+),(-?\d+)))");
  std::smatch m;
  while (std::getline(log, line)) {
    if (!std::regex_match(line, m, form)) {
      ADD_FAILURE() << "unreadable log line: " << line;
      continue;
    }
    Halves halves;
    if (m[2] != "none") {
      halves = {{std::stoi(m[3]), std::stoi(m[4])}, {std::stoi(m[5]), std::stoi(m[6])}};
    }
    states.emplace(m[1], halves);
  }
  return states;
}

bool WaitForFile(const std::string& path, double seconds) {
  const auto deadline =
      std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
  while (std::chrono::steady_clock::now() < deadline) {
    if (!ReadFile(path).empty()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return false;
}

// One redraw of the advisor: the board, and the halves it named (none for a
// clear).
struct Redraw {
  std::string board;
  bool vitamin = false;
  Halves halves;
};

// Splits the advisor's redirected output after the field report into redraws.
// The advice word has no newline, so it stands at the start of the next
// redraw's first line. An incomplete last redraw (the run was stopped) is left
// out.
std::vector<Redraw> ParseRedraws(const std::string& out) {
  std::vector<std::string> lines;
  std::istringstream in(out.substr(sizeof kFieldReport - 1));
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  if (!out.empty() && out.back() != '\n' && !lines.empty()) lines.pop_back();
  const std::regex boardLine(R"(([.rybRYB] ){8})");
  const std::regex vitaminLine(R"(Vitamin at: (-?\d+),(-?\d+) (-?\d+),(-?\d+)      )");
  std::vector<Redraw> redraws;
  size_t i = 0;
  std::smatch m;
  while (i + 17 <= lines.size()) {
    Redraw redraw;
    for (int row = 0; row < 16; ++row, ++i) {
      EXPECT_TRUE(std::regex_match(lines[i], boardLine)) << "line " << i << ": " << lines[i];
      for (int column = 0; column < 8; ++column) redraw.board += lines[i][column * 2];
    }
    if (std::regex_match(lines[i], m, vitaminLine)) {
      if (i + 5 > lines.size()) break;
      redraw.vitamin = true;
      redraw.halves = {{std::stoi(m[1]), std::stoi(m[2])}, {std::stoi(m[3]), std::stoi(m[4])}};
      EXPECT_TRUE(std::regex_match(lines[i + 1], std::regex(R"(Target: (Virus|Vitamin|Nothing) \d,\d+ +)")))
          << lines[i + 1];
      // The advice word opens the next line.
      if (i + 4 < lines.size()) {
        const std::string advice = lines[i + 4].substr(0, 10);
        EXPECT_TRUE(advice == "Move left " || advice == "Move right" || advice == "          ")
            << "advice: '" << advice << "'";
        lines[i + 4] = lines[i + 4].substr(std::min<size_t>(10, lines[i + 4].size()));
      }
      i += 4;
    } else {
      EXPECT_EQ(lines[i], "Clear detected.                ");
      i += 5;
    }
    redraws.push_back(redraw);
  }
  return redraws;
}

class LiveGame : public ::testing::TestWithParam<int> {};

TEST_P(LiveGame, PrintsTheBoardsAndVitaminsTheSimulatorDrew) {
  const int depth = GetParam();
  XvfbServer screen(640, 480, depth);
  TempDir dir;
  const std::string log = dir.File("states.log");
  BackgroundProcess sim({ScreenSimBinary(), "--hold", "1.5", "--rate", "3", "--seed", "5",
                         "--log", log},
                        dir.path(), {{"DISPLAY", screen.display()}});
  ASSERT_TRUE(WaitForFile(log, 10)) << "the simulator drew nothing";

  const ProcessResult advisor =
      RunProcess({AdvisorBinary()}, dir.path(), {{"DISPLAY", screen.display()}}, 9);
  EXPECT_EQ(sim.Stop(), 0);
  EXPECT_TRUE(advisor.timedOut) << "the advisor ended early: " << advisor.err;
  ASSERT_EQ(advisor.out.rfind(kFieldReport, 0), 0u) << advisor.out.substr(0, 200);

  const std::multimap<std::string, Halves> states = ReadSimLog(log);
  const std::vector<Redraw> redraws = ParseRedraws(advisor.out);
  int vitamins = 0;
  for (const Redraw& redraw : redraws) {
    const auto [first, last] = states.equal_range(redraw.board);
    ASSERT_NE(first, last) << "a board the simulator never drew:\n" << redraw.board;
    if (!redraw.vitamin) continue;
    ++vitamins;
    bool matched = false;
    for (auto it = first; it != last; ++it) matched = matched || it->second == redraw.halves;
    EXPECT_TRUE(matched) << "halves not those of the state drawn, board " << redraw.board;
  }
  // About 20 steps were drawn during the run: most of them must have been seen.
  EXPECT_GE(vitamins, 8) << advisor.out;
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
  BackgroundProcess sim({ScreenSimBinary(), "--hold", "1.5", "--rate", "4", "--seed", "2",
                         "--log", log},
                        dir.path(), {{"DISPLAY", screen.display()}});
  ASSERT_TRUE(WaitForFile(log, 10));

  const std::string socket = "bottlewatch-test-" + std::to_string(getpid());
  const std::string start = "tmux -L " + socket + " new-session -d -s advisor -x 80 -y 25 -c '" +
                            dir.path() + "' 'DISPLAY=" + screen.display() + " " +
                            AdvisorBinary() + "'";
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
