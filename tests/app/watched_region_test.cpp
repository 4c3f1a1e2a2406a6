// What is watched: the judgement of a taken field and the look for a bottle
// over a whole screen, on drawn screens of today's sizes.
#include "app/watched_region.h"
#include "vision/bottle_finding.h"

#include <gtest/gtest.h>

#include <string>

#include "support/desktop_pictures.h"
#include "support/game_screen.h"

namespace {

constexpr ScreenRegion kFullHd = {0, 0, 1920, 1080};

std::string Describe(const ScreenRegion& r) {
  return std::to_string(r.left) + "," + std::to_string(r.top) + " " + std::to_string(r.width) +
         "x" + std::to_string(r.height);
}

TEST(JudgeTakenField, ReadsOnlyWhatTheWatchedRegionShowsWholeAndMovesToWhereItWould) {
  const ScreenRegion small = {0, 0, 640, 480};
  const ScreenRegion region = {789, 274, 214, 421};  // around a 4x bottle at 800,300
  const TakenField read = TakenField::kRead;
  const TakenField move = TakenField::kMove;
  const TakenField cut = TakenField::kCut;
  const struct {
    const char* name;
    FieldRect field;
    ScreenRegion watched;
    ScreenRegion screen;
    TakenField expected;
    ScreenRegion to;  // for kMove
  } cases[] = {
      {"whole in the corner", {200, 40, 96}, kCornerRegion, kFullHd, read, {}},
      {"ends on the corner's last row", {200, 96, 192}, kCornerRegion, kFullHd, read, {}},
      // 2x on a large screen: the corner cuts it, the screen does not.
      {"cut by the corner", {115, 266, 362}, kCornerRegion, kFullHd, move, {97, 219, 398, 789}},
      {"cut by the corner of a screen no larger", {200, 97, 192}, kCornerRegion, small, cut, {}},
      {"cut by the screen's bottom", {800, 700, 192}, {789, 674, 214, 406}, kFullHd, cut, {}},
      {"whole in its region", {800, 300, 192}, region, kFullHd, read, {}},
      // First seen lower, where the region was made for it: its top may lie
      // above, so it is watched from a cell row higher.
      {"on the region's first row", {800, 274, 192}, region, kFullHd, move, {789, 248, 214, 421}},
      {"on the first row of the screen", {800, 0, 192}, {789, 0, 214, 395}, kFullHd, read, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ScreenRegion to;
    EXPECT_EQ(JudgeTakenField(c.field, c.watched, c.screen, to), c.expected);
    if (c.expected == TakenField::kMove) {
      EXPECT_EQ(Describe(to), Describe(c.to));
    }
  }
}

TEST(RegionAroundBottle, HoldsTheWallsFloorAndARowAboveWithinTheScreen) {
  const struct {
    FieldRect field;
    ScreenRegion expected;
  } cases[] = {
      {{800, 300, 192}, {789, 274, 214, 421}},
      // 6x: the largest region watched, 422 x 837.
      {{1000, 200, 384}, {981, 150, 422, 837}},
      // Against the screen's edges.
      {{2, 10, 48}, {0, 2, 55, 109}},
      {{1870, 1000, 48}, {1865, 992, 55, 88}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Describe(RegionAroundBottle(c.field, kFullHd)), Describe(c.expected))
        << c.field.left << "," << c.field.top << " " << c.field.width;
  }
}

struct Game {
  int left;  // the window's top-left on the screen
  int top;
  int side;
};

// A dark desktop with game windows on it, and where each bottle lies.
Picture ScreenWith(const std::string& desktop, int width, int height,
                   const std::vector<Game>& games, std::vector<FieldRect>& bottles) {
  Picture screen = DrawDesktop(desktop, width, height);
  const std::string board = GameSequenceBoards()[0];
  for (const Game& g : games) {
    int bottleLeft = 0;
    int bottleTop = 0;
    Paste(screen, DrawGameWindow(board, g.side, true, bottleLeft, bottleTop), g.left, g.top);
    bottles.push_back({g.left + bottleLeft, g.top + bottleTop, 8 * g.side});
  }
  return screen;
}

// No desktop of the scene table holds a bottle, however large the screen.
TEST(FindBottleOnScreen, FindsNoneOnTheDesktopsAlone) {
  for (const std::string& desktop : DesktopNames()) {
    for (const int width : {1920, 3840}) {
      const Picture screen = DrawDesktop(desktop, width, width * 9 / 16);
      std::vector<uint32_t> scratch;
      FieldRect found;
      FindBottleOnScreen(screen.pixels.data(), screen.height, screen.width, scratch, found);
      EXPECT_EQ(found.width, 0) << desktop << " " << width << ": " << found.left << ","
                                << found.top;
    }
  }
}

TEST(FindBottleOnScreen, TakesTheWidestThenTheFirstWhereverItIs) {
  const struct {
    const char* name;
    int width;
    int height;
    std::vector<Game> games;
    int expected;  // index into games; -1: none
  } cases[] = {
      {"no game", 1920, 1080, {}, -1},
      {"3x in the middle", 1920, 1080, {{700, 200, 24}}, 0},
      // Its top lies in the screen's lowest eighth, where the first look,
      // which starts fields only in the upper half, cannot reach.
      {"1x in the bottom-right corner", 1920, 1080, {{1700, 900, 6}}, 0},
      {"6x on a large screen", 3840, 2160, {{1500, 900, 48}}, 0},
      // Found, so that it can be said to be cut.
      {"3x cut by the screen's bottom", 1920, 1080, {{700, 850, 24}}, 0},
      {"two players: the wider", 1920, 1080, {{100, 100, 12}, {900, 150, 18}}, 1},
      {"two players of one size: the higher", 1920, 1080, {{900, 150, 12}, {100, 100, 12}}, 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<FieldRect> bottles;
    const Picture screen = ScreenWith("icons", c.width, c.height, c.games, bottles);
    std::vector<uint32_t> scratch;
    FieldRect found;
    FindBottleOnScreen(screen.pixels.data(), screen.height, screen.width, scratch, found);
    const FieldRect expected = c.expected < 0 ? FieldRect{} : bottles[c.expected];
    EXPECT_EQ(found.left, expected.left);
    EXPECT_EQ(found.top, expected.top);
    EXPECT_EQ(found.width, expected.width);
  }
}

}  // namespace
