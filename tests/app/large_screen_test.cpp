// The whole advisor on today's screens: private X screens of 1920 x 1080 and
// 3840 x 2160 with screen-sim's game anywhere on them, at any size, sharp or
// smoothed, in a window moved across the screen, or cut by the screen's
// bottom edge. What it prints must be where the bottle is, in screen pixels,
// and the boards the simulator drew.
#include <gtest/gtest.h>
#include <signal.h>

#include <algorithm>
#include <cstdlib>
#include <ostream>
#include <sstream>
#include <string>
#include <vector>

#include "support/advisor_output.h"
#include "support/advisor_run.h"
#include "support/subprocess.h"
#include "support/temp_dir.h"
#include "support/xvfb_server.h"

namespace {

const char kCutBottle[] =
    "bottlewatch: the bottle's lower rows are out of view; nothing is read until the whole "
    "bottle shows on the screen\n";

struct Report {
  int left = 0;
  int top = 0;
  int width = 0;
  size_t at = std::string::npos;  // where it starts in the output
};

// The output's last field report.
Report LastReport(const std::string& out) {
  Report report;
  report.at = out.rfind("Found field at: \n");
  if (report.at == std::string::npos) return report;
  std::istringstream lines(out.substr(report.at + 17));
  char comma = 0;
  std::string with, width;
  lines >> report.left >> comma >> report.top >> with >> width >> report.width;
  return report;
}

struct Case {
  const char* name;
  int screenWidth;
  int screenHeight;
  std::vector<std::string> simOptions;  // beyond the log and the game's pace
  Report bottle;                        // where the bottle is at the end
  int slack;                            // pixels a smoothed wall may move the field by
  bool moves = false;                   // the window is moved once the game is followed
  bool cut = false;                     // the screen's bottom edge cuts the bottle
  int playSteps = 0;  // steps played before the advisor starts: a start in live play
};

void PrintTo(const Case& c, std::ostream* os) {
  *os << c.name;
}

class LargeScreen : public ::testing::TestWithParam<Case> {};

size_t Lines(const std::string& text) {
  return static_cast<size_t>(std::count(text.begin(), text.end(), '\n'));
}

size_t Reports(const std::string& out) {
  size_t count = 0;
  for (size_t at = out.find("Found field at"); at != std::string::npos;
       at = out.find("Found field at", at + 1)) {
    ++count;
  }
  return count;
}

bool Near(const Report& seen, const Report& bottle, int slack) {
  return std::abs(seen.left - bottle.left) <= slack && std::abs(seen.top - bottle.top) <= slack &&
         std::abs(seen.width - bottle.width) <= 2 * slack;
}

TEST_P(LargeScreen, ReportsTheBottleWhereItIsAndPrintsTheBoardsDrawn) {
  const Case& c = GetParam();
  XvfbServer screen(c.screenWidth, c.screenHeight, 24);
  const std::map<std::string, std::string> env = {{"DISPLAY", screen.display()}};
  TempDir dir;
  const std::string log = dir.File("states.log");
  std::vector<std::string> sim = {ScreenSimBinary(), "--hold", "1",     "--rate", "4",
                                  "--seed",          "5",      "--log", log};
  sim.insert(sim.end(), c.simOptions.begin(), c.simOptions.end());
  BackgroundProcess game(sim, dir.path(), env);
  ASSERT_TRUE(WaitForContent(log, 30)) << "the simulator drew nothing";
  ASSERT_TRUE(
      PollUntil([&] { return Lines(ReadFile(log)) > static_cast<size_t>(c.playSteps); }, 60));

  BackgroundProcess advisor({"/bin/sh", "-c", "exec \"$0\" 2>err.txt", AdvisorBinary()}, dir.path(),
                            env, dir.File("out.txt"));
  auto out = [&dir] { return ReadFile(dir.File("out.txt")); };
  auto err = [&dir] { return ReadFile(dir.File("err.txt")); };
  if (c.cut) {
    // It says so once, and reads nothing while the game plays on.
    ASSERT_TRUE(PollUntil([&] { return err() == kCutBottle; }, 60)) << err();
    const size_t stepsThen = ReadFile(log).size();
    ASSERT_TRUE(PollUntil([&] { return ReadFile(log).size() > stepsThen + 1000; }, 60));
    advisor.Stop();
    EXPECT_EQ(out(), "Found field at: \n0,0\nwith width 0 \n");
    EXPECT_EQ(err(), kCutBottle);
    return;
  }
  Report first = c.bottle;
  if (c.moves) {
    // The window's first place: the bottle as far from the move's target as
    // the window was.
    ASSERT_TRUE(PollUntil(
        [&] {
          const Report seen = LastReport(out());
          return seen.width > 0 && VitaminLines(out().substr(seen.at)) >= 3;
        },
        120))
        << out() << err();
    first = LastReport(out());
    kill(game.pid(), SIGUSR1);
  }
  const bool followed = PollUntil(
      [&] {
        const std::string text = out();
        const Report seen = LastReport(text);
        return Near(seen, c.bottle, c.slack) && VitaminLines(text.substr(seen.at)) >= 4;
      },
      120);
  advisor.Stop();
  game.Stop();
  const std::string text = out();
  const Report seen = LastReport(text);
  ASSERT_TRUE(followed) << "ended on " << seen.left << "," << seen.top << " width " << seen.width
                        << "\n"
                        << err();
  if (c.moves) {
    EXPECT_FALSE(Near(first, c.bottle, c.slack)) << "the window did not move";
  } else {
    // Started on the game, with its top rows clear: one report, however
    // blurred the walls, with no second thoughts that blank the terminal.
    EXPECT_EQ(Reports(text), 1u) << text.substr(0, 400);
  }
  // Joined in play, a field below the pieces must not be taken for a bottle
  // whose floor is off the screen: a bottle that shows whole is never called
  // cut, whatever lies under it.
  if (c.playSteps > 0) {
    EXPECT_EQ(err().find(kCutBottle), std::string::npos) << err();
  }
  const OutputCheck check =
      CheckAgainstSimLog(text.substr(seen.at), WithoutMoves(ReadFile(log)), true);
  EXPECT_EQ(check.problems, std::vector<std::string>{});
}

const Case kCases[] = {
    {"Side24InTheMiddle",
     1920,
     1080,
     {"--side", "24", "--left", "864", "--top", "300"},
     {864, 300, 192},
     0},
    {"Side36SmoothedOffCentre",
     1920,
     1080,
     {"--side", "36", "--left", "1100", "--top", "250", "--smooth"},
     {1100, 250, 288},
     3},
    {"Side48OnALargeScreen",
     3840,
     2160,
     {"--side", "48", "--left", "1700", "--top", "700"},
     {1700, 700, 384},
     0},
    {"Side48SmoothedOnALargeScreen",
     3840,
     2160,
     {"--side", "48", "--left", "2900", "--top", "1300", "--smooth"},
     {2900, 1300, 384},
     4},
    {"Side6InTheBottomRight",
     1920,
     1080,
     {"--side", "6", "--left", "1820", "--top", "960"},
     {1820, 960, 48},
     0},
    // The window's drawing is 640 x 480 at side 24: the bottle 200 right and
    // 48 down within it.
    {"Side24WindowMovedAcross",
     1920,
     1080,
     {"--side", "24", "--window", "60,40", "--move", "1200,560"},
     {1400, 608, 192},
     0,
     true},
    {"Side24CutByTheBottom",
     1920,
     1080,
     {"--side", "24", "--left", "900", "--top", "800"},
     {},
     0,
     false,
     true},
    // Other games' looks, joined in play: a vitamin appears inside the top
    // row, pieces stand in the top rows, the window redraws 30 times a
    // second, a thin rounded border on a page of its own.
    {"Side24RoundedOnAPhotoInPlay",
     1280,
     1024,
     {"--side", "24", "--centre", "--spawn-row", "0", "--border", "2", "--radius", "16", "--inside",
      "252525", "--page", "photo", "--redraw", "30"},
     {520, 320, 192},
     0,
     false,
     false,
     12},
    {"Side36RoundedOnAWhitePageInPlay",
     1920,
     1080,
     {"--side", "36", "--centre", "--spawn-row", "0", "--border", "2", "--radius", "24", "--inside",
      "252525", "--page", "white"},
     {840, 252, 288},
     0,
     false,
     false,
     12},
    // Whole in the screen's top-left 640 x 480, its top in the lower half.
    {"Side12InTheCornersLowerHalfInPlay",
     1280,
     1024,
     {"--side", "12", "--window", "300,200", "--page", "light", "--spawn-row", "0"},
     {500, 240, 96},
     0,
     false,
     false,
     12},
    // Other games' cells: bricks with gaps and rows below the field's top, a
    // virus half black; pure halves whose blue reads dark, viruses as bright
    // as the cell reader's bright line. Their viruses move as they are drawn.
    {"Side20BricksWithGaps",
     1280,
     1024,
     {"--side", "20", "--gap", "3", "--row-offset", "3", "--palette", "sprite", "--animate", "5",
      "--left", "500", "--top", "200", "--page", "light"},
     {500, 200, 181},
     0},
    {"Side40BricksWithGapsInPlay",
     1920,
     1080,
     {"--side", "40", "--gap", "6", "--row-offset", "6", "--palette", "sprite", "--animate", "5",
      "--left", "700", "--top", "150", "--page", "light", "--spawn-row", "0"},
     {700, 150, 362},
     0,
     false,
     false,
     12},
    {"Side12PurePalette",
     1280,
     1024,
     {"--side", "12", "--palette", "pure", "--inside", "252525", "--animate", "5", "--border", "2",
      "--left", "500", "--top", "200", "--page", "white"},
     {500, 200, 96},
     0},
    {"Side24PurePaletteInPlay",
     1280,
     1024,
     {"--side", "24",       "--palette", "pure",     "--inside",    "252525", "--animate",
      "5",      "--border", "2",         "--radius", "16",          "--left", "500",
      "--top",  "200",      "--page",    "white",    "--spawn-row", "0"},
     {500, 200, 192},
     0,
     false,
     false,
     12},
    {"Side24CutInPlay",
     1280,
     800,
     {"--side", "24", "--left", "500", "--top", "500", "--spawn-row", "0", "--border", "2",
      "--radius", "16", "--page", "light"},
     {},
     0,
     false,
     true,
     12},
};

INSTANTIATE_TEST_SUITE_P(Games, LargeScreen, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
