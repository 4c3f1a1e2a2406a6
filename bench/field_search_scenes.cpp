// The scene table behind the field search's bottle check: desktops alone and
// with a game beside, below or inside them, games of cell sides 6 to 24 in the
// tests' look and screen-sim's, as drawn and scaled up 2x with smoothing, at
// a level's start and in mid-play. For each scene and each rule: whether it
// takes the field that LocateField takes from the same game on a clean light
// screen (none for a desktop alone). On the light desktops also: the game
// gone or moved (the field it had must fail the check, and the search take
// none or the new place), a dark dialog over it (the search takes none or the
// bottle) and the game back from under the dialog (the dialog's field, had it
// been taken, must fail the check). In mid-play a vitamin hides the bottle's
// top-left corner and that field lies lower than the bottle: taking none, or
// a field of the bottle's between its own top and that one, is right too,
// since the frames after it show the corner and the search window then takes
// the highest.
//
// Then the looks table: screen-sim's drawing dressed as other games of the
// kind dress the bottle (its own open outline, white or coloured borders with
// rounded or square corners, a dark grey inside) on checker, light, white and
// photographic pages, at cell sides 6 to 48, on a 1280 x 1024 screen: the
// corner's searches against the whole screen's look (see RunLooksTable).
//
// Run: build/bin/field-search-scenes [RULE], RULE naming the desktops'
// column whose wrong scenes are listed on the error stream; the looks
// table's wrong scenes of its last column follow them. Or
// build/bin/field-search-scenes looks, for the looks table alone.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "app/field_search.h"
#include "sim_drawing.h"
#include "sim_look.h"
#include "support/desktop_pictures.h"
#include "support/game_screen.h"
#include "vision/field_location.h"

namespace {

bool WideOnly(const uint32_t*, int32_t, int32_t, const FieldRect& field) {
  return field.width >= kSmallestBottle;
}

bool WallsOnly(const uint32_t* raster, int32_t height, int32_t width, const FieldRect& field) {
  return WideOnly(raster, height, width, field) && HasBrightWalls(raster, height, width, field);
}

bool FloorOnly(const uint32_t* raster, int32_t height, int32_t width, const FieldRect& field) {
  return WideOnly(raster, height, width, field) && HasBrightFloor(raster, height, width, field);
}

bool InsideOnly(const uint32_t* raster, int32_t height, int32_t width, const FieldRect& field) {
  return WideOnly(raster, height, width, field) && ShowsDarkInside(raster, height, width, field);
}

// The rule before the inside was looked at.
bool WallsAndFloor(const uint32_t* raster, int32_t height, int32_t width, const FieldRect& field) {
  return WallsOnly(raster, height, width, field) && HasBrightFloor(raster, height, width, field);
}

struct Rule {
  const char* name;
  FieldCheck check;  // nullptr: LocateField's field as it is
};

const Rule kRules[] = {{"LocateField", nullptr},
                       {"width>=40", WideOnly},
                       {"+walls", WallsOnly},
                       {"+floor", FloorOnly},
                       {"+inside", InsideOnly},
                       {"walls+floor", WallsAndFloor},
                       {"+inside(new)", LooksLikeBottle}};
constexpr int kRuleCount = sizeof kRules / sizeof kRules[0];

FieldRect Apply(const Rule& rule, const Picture& screen, std::vector<uint32_t>& scratch) {
  FieldRect field;
  if (rule.check == nullptr) {
    LocateField(screen.pixels.data(), screen.height, screen.width, field.left, field.top,
                field.width);
  } else {
    FindBottle(screen.pixels.data(), screen.height, screen.width, rule.check, kSmallestBottle,
               scratch, field);
  }
  return field;
}

bool Same(const FieldRect& a, const FieldRect& b) {
  return a.left == b.left && a.top == b.top && a.width == b.width;
}

// Whether the rule keeps a field in use on this screen: LocateField alone
// keeps every field.
bool Keeps(const Rule& rule, const Picture& screen, const FieldRect& field) {
  return rule.check == nullptr ||
         rule.check(screen.pixels.data(), screen.height, screen.width, field);
}

bool IsLight(const std::string& desktop) {
  return desktop == "bright" || desktop == "pale" || desktop == "light window";
}

struct Tally {
  int scenes = 0;
  int right[kRuleCount] = {};
};

struct Game {
  std::string name;
  const Game* level = nullptr;  // in mid-play: the same game at its level's start
  Picture window;
  int bottleLeft = 0;
  int bottleTop = 0;
};

// The desktops' table; listed: the rule whose wrong scenes go to the error
// stream.
void RunSceneTable(int listed) {
  const std::vector<std::string> boards = GameSequenceBoards();
  const std::string vitaminOnTop =
      WithCell(WithCell(boards[0], 5, 1, 'y'), 5, 2, 'y');  // the top-left corner hidden
  std::vector<Game> games;
  games.reserve(64);  // the mid-play games point at their level's
  for (bool simLook : {false, true}) {
    for (int side : {6, 8, 12, 16, 24}) {
      for (const std::string* board : {&boards[0], &vitaminOnTop}) {
        for (const char* filter : {"", "Triangle", "Mitchell"}) {
          Game game;
          game.window = DrawGameWindow(*board, side, simLook, game.bottleLeft, game.bottleTop);
          game.name = std::string(simLook ? "sim" : "tests") + " side " + std::to_string(side) +
                      (board == &boards[0] ? " level" : " mid-play");
          if (board != &boards[0]) game.level = &games[games.size() - 3];
          if (*filter != '\0') {
            game.window = Scaled2x(game.window, filter);
            game.bottleLeft *= 2;
            game.bottleTop *= 2;
            game.name += std::string(" 2x ") + filter;
          }
          games.push_back(game);
        }
      }
    }
  }

  std::map<std::string, Tally> byDesktop, byGame;
  Tally total;
  std::vector<uint32_t> scratch;
  double slowestMs = 0;
  std::string slowest;
  // In mid-play: none, or a field of the bottle's (to the pixel or two that
  // blurred walls add) that lies no lower than the clean screen's.
  // Scaled with smoothing, the row above the bottle's open neck blends the
  // ground with the inside and is as dark as the inside in its middle (57
  // against 0, with 231 above, at 2x side 6); LocateField starts a row lower
  // only because the blurred wall lights its first column. A field risen onto
  // that row is the bottle's too.
  auto found = [](const FieldRect& got, const FieldRect& truth, const FieldRect& alsoRight,
                  bool smoothed) {
    const int32_t blendRows = smoothed ? 1 : 0;
    const FieldRect& top = alsoRight.width > 0 ? alsoRight : truth;
    const bool onTheBlend = blendRows > 0 && got.left == top.left && got.width == top.width &&
                            got.top == top.top - blendRows;
    const bool lowered = alsoRight.width > 0 &&
                         std::abs(got.left - alsoRight.left) <= kFieldWidthSlack &&
                         std::abs(got.width - alsoRight.width) <= kFieldWidthSlack &&
                         got.top >= alsoRight.top && got.top <= truth.top;
    return Same(got, truth) || (alsoRight.width > 0 && got.width == 0) || lowered || onTheBlend;
  };
  // before: the screen just before this one; the field the rule takes there
  // is in use now, and must be given up unless it is the bottle's.
  auto score = [&](const std::string& desktopRow, const std::string& gameRow, const Picture& screen,
                   const FieldRect& truth, const FieldRect& alsoRight,
                   const Picture* before = nullptr) {
    Tally* tallies[] = {&byDesktop[desktopRow], &byGame[gameRow], &total};
    for (Tally* t : tallies) ++t->scenes;
    const bool smoothed = gameRow.find(" 2x ") != std::string::npos;
    for (int r = 0; r < kRuleCount; ++r) {
      const auto start = std::chrono::steady_clock::now();
      const FieldRect got = Apply(kRules[r], screen, scratch);
      const double ms =
          std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
              .count();
      if (r == kRuleCount - 1 && ms > slowestMs) {
        slowestMs = ms;
        slowest = desktopRow + ", " + gameRow;
      }
      const FieldRect kept = before != nullptr ? Apply(kRules[r], *before, scratch) : FieldRect{};
      const bool givenUp = kept.width == 0 || found(kept, truth, alsoRight, smoothed) ||
                           !Keeps(kRules[r], screen, kept);
      const bool right = found(got, truth, alsoRight, smoothed) && givenUp;
      for (Tally* t : tallies) t->right[r] += right ? 1 : 0;
      if (!right && r == listed) {
        std::fprintf(stderr,
                     "wrong: %s, %s: took %d,%d,%d, the game's %d,%d,%d (%d,%d,%d), kept "
                     "%d,%d,%d: %s\n",
                     desktopRow.c_str(), gameRow.c_str(), got.left, got.top, got.width, truth.left,
                     truth.top, truth.width, alsoRight.left, alsoRight.top, alsoRight.width,
                     kept.left, kept.top, kept.width, givenUp ? "given up" : "kept");
      }
    }
  };

  for (const std::string& desktop : DesktopNames()) {
    const Picture background = DrawDesktop(desktop);
    if (desktop != "bright")
      score(desktop + " alone", "no game", background, FieldRect{}, FieldRect{});
    for (const Game& game : games) {
      const int w = game.window.width, h = game.window.height;
      // Beside: at the right edge; below: under a 120-pixel band of desktop;
      // inside: with desktop on every side it leaves room for.
      const struct {
        const char* name;
        int left, top;
      } places[] = {{"beside", std::max(0, 640 - w - 8), 30},
                    {"below", 60, 120},
                    {"inside", std::max(0, (640 - w) / 2), std::max(0, std::min(60, 480 - h))}};
      for (const auto& place : places) {
        if (place.top + game.bottleTop >= 240) continue;  // the bottle must start in the upper half
        Picture clean = DrawDesktop("bright");
        Paste(clean, game.window, place.left, place.top);
        FieldRect truth;
        LocateField(clean.pixels.data(), clean.height, clean.width, truth.left, truth.top,
                    truth.width);
        Picture screen = background;
        Paste(screen, game.window, place.left, place.top);
        FieldRect bottle;
        if (game.level != nullptr) {
          Picture level = DrawDesktop("bright");
          Paste(level, game.level->window, place.left, place.top);
          LocateField(level.pixels.data(), level.height, level.width, bottle.left, bottle.top,
                      bottle.width);
        }
        score(desktop + " " + place.name, game.name, screen, truth, bottle);
        if (!IsLight(desktop)) continue;

        // The game's window closed: its field must go, and nothing be taken.
        score(desktop + " game gone", game.name, background, FieldRect{}, FieldRect{}, &screen);
        // Moved: to the place after this one, the field it had left behind.
        const auto& next = places[(&place - places + 1) % 3];
        if (next.top + game.bottleTop < 240 && next.left != place.left) {
          Picture movedClean = DrawDesktop("bright");
          Paste(movedClean, game.window, next.left, next.top);
          FieldRect movedTruth, movedBottle;
          LocateField(movedClean.pixels.data(), movedClean.height, movedClean.width,
                      movedTruth.left, movedTruth.top, movedTruth.width);
          if (bottle.width > 0) {
            movedBottle = bottle;
            movedBottle.left += next.left - place.left;
            movedBottle.top += next.top - place.top;
          }
          Picture moved = background;
          Paste(moved, game.window, next.left, next.top);
          score(desktop + " game moved", game.name, moved, movedTruth, movedBottle, &screen);
        }
        // A dark dialog (300 x 200) or menu (200 x 120) over the bottle's
        // lower half and the walls beside it, with and without a light title
        // line, kept on the screen and starting in its upper half: the search
        // takes the bottle or nothing. Then the game back: what the rule took
        // under the dialog must be the bottle's, or fail.
        const int bottleWidth = truth.width;
        for (const auto& [dialogWidth, dialogHeight] : {std::pair{300, 200}, std::pair{200, 120}}) {
          for (bool titleLine : {true, false}) {
            Picture covered = screen;
            const int dialogLeft =
                std::clamp(truth.left + bottleWidth / 2 - dialogWidth / 2, 8, 632 - dialogWidth);
            const int dialogTop = std::min(truth.top + bottleWidth, 200);
            DrawDarkDialog(covered, dialogLeft, dialogTop, dialogWidth, dialogHeight, titleLine);
            const std::string row = desktop + (dialogWidth == 300 ? " dialog" : " menu") +
                                    (titleLine ? ", title line" : ", no title");
            score(row, game.name, covered, truth, game.level != nullptr ? bottle : truth);
            score(desktop + " game back", game.name, screen, truth, bottle, &covered);
          }
        }
      }
    }
  }

  auto print = [](const char* title, const std::map<std::string, Tally>& rows) {
    std::printf("\n%-34s %6s", title, "scenes");
    for (const Rule& rule : kRules) std::printf(" %12s", rule.name);
    std::printf("\n");
    for (const auto& [name, t] : rows) {
      std::printf("%-34s %6d", name.c_str(), t.scenes);
      for (int r = 0; r < kRuleCount; ++r) std::printf(" %12d", t.right[r]);
      std::printf("\n");
    }
  };
  print("scene (right of scenes)", byDesktop);
  print("game (right of scenes)", byGame);
  std::map<std::string, Tally> all = {{"all", total}};
  print("", all);
  std::printf("\nslowest search: %.1f ms (%s)\n", slowestMs, slowest.c_str());
}

// The looks table: screen-sim's drawing of the bottle dressed as other games
// of the kind dress it, on a 1280 x 1024 screen whose top-left 640 x 480 is
// the advisor's corner. The bottle lies in the corner's upper half, in its
// lower half, or outside the corner; the corner's searches must take the
// bottle where it shows whole there, and otherwise nothing, or a field that
// runs past the corner's bottom (which the advisor follows out to the region
// around it); the whole screen's look must take the bottle itself.

constexpr int kScreenWidth = 1280;
constexpr int kScreenHeight = 1024;
constexpr int kCornerWidth = 640;
constexpr int kCornerHeight = 480;

struct GameLook {
  const char* name;
  int border;                // 0: screen-sim's own outline, open at the neck
  int radiusThirds;          // the corners' radius in thirds of a cell side
  const char* borderColour;  // RRGGBB, or nullptr for the look's own white
  const char* insideColour;  // RRGGBB, or nullptr for screen-sim's black
  bool onChecker;            // screen-sim's own checker page is its alone
};

const GameLook kGameLooks[] = {
    {"sim's own", 0, 0, nullptr, nullptr, true},
    {"white 2px, round 2/3", 2, 2, nullptr, "252525", false},
    {"yellow 4px, round 1/3", 4, 1, "ffe0a0", "252525", false},
    {"white 2px, square", 2, 0, nullptr, "252525", false},
};

const struct {
  const char* name;
  SimPage page;
} kPages[] = {{"checker", SimPage::kChecker},
              {"light", SimPage::kLight},
              {"white", SimPage::kWhite},
              {"photo", SimPage::kPhoto}};

SimLook LookFor(const GameLook& game, SimPage page, int side) {
  SimLook look;
  look.border = game.border;
  // Two-thirds of a cell is the roundest screen-sim draws (LargestRadius).
  look.radius = game.radiusThirds * side / 3;
  if (game.borderColour != nullptr) {
    look.borderColourGiven = ParseRgb(game.borderColour, &look.borderColour);
  }
  if (game.insideColour != nullptr) look.insideGiven = ParseRgb(game.insideColour, &look.inside);
  look.page = page;
  look.clockTick = -1;  // a clock would only add a light dial beside the bottle
  return look;
}

// The colour screen-sim shows for a paint on a 24-bit screen, which gives back
// every colour asked for: the first candidate the look accepts.
uint32_t ShownColour(const SimLook& look, SimPaint paint) {
  int count = 0;
  const SimRgb* candidates = LookCandidates(look, paint, &count);
  for (int i = 0; i < count; ++i) {
    if (LookAccepts(look, paint, candidates[i])) {
      return Rgb(candidates[i].red, candidates[i].green, candidates[i].blue);
    }
  }
  std::fprintf(stderr, "screen-sim would refuse this look: no colour for paint %d\n", paint);
  std::exit(1);
}

// The whole screen as one drawing: the page painted across it, then the game
// with its bottle's cell (0, 0) at (bottleLeft, bottleTop). photo: the
// photographic page at the screen's size, when that is the page.
Picture DrawLookScreen(const SimLook& look, int side, const std::string& board, int bottleLeft,
                       int bottleTop, const std::vector<SimRgb>& photo) {
  SimDrawing drawing = DrawingForSide(side);
  drawing.look = look;
  drawing.width = kScreenWidth;
  drawing.height = kScreenHeight;
  drawing.bottleLeft = bottleLeft;
  drawing.bottleTop = bottleTop;
  std::vector<uint8_t> paints;
  PaintState(drawing, board.data(), nullptr, &paints);
  uint32_t colours[kPaintCount];
  for (int paint = 0; paint < kPaintCount; ++paint) {
    colours[paint] = ShownColour(look, static_cast<SimPaint>(paint));
  }
  Picture screen;
  screen.width = kScreenWidth;
  screen.height = kScreenHeight;
  screen.pixels.resize(paints.size());
  for (size_t i = 0; i < paints.size(); ++i) {
    if (paints[i] == kPaintPhoto) {
      screen.pixels[i] = Rgb(photo[i].red, photo[i].green, photo[i].blue);
    } else {
      screen.pixels[i] = colours[paints[i]];
    }
  }
  return screen;
}

// The advisor's frame: the screen's top-left corner as a picture of its own.
Picture Corner(const Picture& screen) {
  Picture corner;
  corner.width = kCornerWidth;
  corner.height = kCornerHeight;
  corner.pixels.resize(static_cast<size_t>(kCornerWidth) * kCornerHeight);
  for (int y = 0; y < kCornerHeight; ++y) {
    std::copy_n(&screen.pixels[static_cast<size_t>(y) * screen.width], kCornerWidth,
                &corner.pixels[static_cast<size_t>(y) * kCornerWidth]);
  }
  return corner;
}

struct BottlePlace {
  const char* name;
  int left;
  int top;
};

// In the corner's upper half where screen-sim puts the bottle in its own
// window, in the corner's lower half where the bottle fits there, and right
// of the corner, moved up where the largest bottle would run off the screen.
std::vector<BottlePlace> PlacesFor(int side) {
  const int height = kSimRows * side;
  std::vector<BottlePlace> places;
  const SimDrawing own = DrawingForSide(side);
  if (own.bottleTop + height <= kCornerHeight) {
    places.push_back({"corner, top < 240", own.bottleLeft, own.bottleTop});
  }
  if (256 + height <= kCornerHeight) places.push_back({"corner, top >= 240", 360, 256});
  places.push_back({"outside the corner", 700, std::min(300, kScreenHeight - height - 2 * side)});
  return places;
}

// The first three search the corner, as the advisor's frames show it; the
// last looks over the whole screen, as the advisor does where it watches the
// region around a bottle outside the corner.
enum LooksColumn {
  kLocateFieldColumn,
  kFindBottleColumn,
  kFindFrameBottleColumn,
  kFindBottleOnScreenColumn,
  kLooksColumnCount
};
const char* const kLooksColumns[kLooksColumnCount] = {"LocateField", "FindBottle",
                                                      "FindFrameBottle", "FindBottleOnScreen"};

struct LooksTally {
  int scenes = 0;
  int right[kLooksColumnCount] = {};
};

FieldRect ApplyColumn(int column, const Picture& screen, const Picture& corner,
                      std::vector<uint32_t>& scratch) {
  FieldRect field;
  const uint32_t* pixels = corner.pixels.data();
  switch (column) {
    case kLocateFieldColumn:
      LocateField(pixels, corner.height, corner.width, field.left, field.top, field.width);
      break;
    case kFindBottleColumn:
      FindBottle(pixels, corner.height, corner.width, LooksLikeBottle, kSmallestBottle, scratch,
                 field);
      break;
    case kFindFrameBottleColumn:
      FindFrameBottle(pixels, corner.height, corner.width, LooksLikeBottle, kSmallestBottle,
                      scratch, field);
      break;
    default:
      FindBottleOnScreen(screen.pixels.data(), screen.height, screen.width, scratch, field);
      break;
  }
  return field;
}

// Right in the corner: the bottle where it shows whole there; where it does
// not, nothing, or a field whose 2 * width rows pass the corner's bottom,
// which the advisor follows to the region around it. On the whole screen:
// the bottle to the pixel.
bool ColumnRight(int column, const FieldRect& got, const FieldRect& truth) {
  if (column == kFindBottleOnScreenColumn) return Same(got, truth);
  const bool wholeInCorner = truth.left >= 0 && truth.top >= 0 &&
                             truth.left + truth.width <= kCornerWidth &&
                             truth.top + 2 * truth.width <= kCornerHeight;
  if (wholeInCorner) return Same(got, truth);
  return got.width == 0 || got.top + 2 * got.width > kCornerHeight;
}

void PrintLooksRows(const char* title, const std::map<std::string, LooksTally>& rows) {
  std::printf("\n%-34s %6s", title, "scenes");
  for (const char* column : kLooksColumns) std::printf(" %18s", column);
  std::printf("\n");
  for (const auto& [name, t] : rows) {
    std::printf("%-34s %6d", name.c_str(), t.scenes);
    for (int c = 0; c < kLooksColumnCount; ++c) std::printf(" %18d", t.right[c]);
    std::printf("\n");
  }
}

void RunLooksTable() {
  const auto started = std::chrono::steady_clock::now();
  const std::string level = GameSequenceBoards()[0];
  // A horizontal vitamin just entered in row 0, a stack in column 6 and
  // landed halves in row 1: no three cell rows from the top are clear from
  // wall to wall, so LocateField measures a field lower than the bottle.
  std::string inPlay = WithCell(WithCell(level, 3, 0, 'y'), 4, 0, 'b');
  inPlay = WithCell(WithCell(WithCell(inPlay, 6, 1, 'r'), 6, 2, 'b'), 6, 3, 'y');
  inPlay = WithCell(WithCell(inPlay, 1, 1, 'b'), 4, 1, 'r');
  const struct {
    const char* name;
    const std::string* board;
  } boards[] = {{"level", &level}, {"in play", &inPlay}};
  std::vector<SimRgb> photo;
  PaintPhoto(kScreenWidth, kScreenHeight, &photo);

  std::map<std::string, LooksTally> byLook, bySide, byPlace, byBoard;
  LooksTally total;
  std::vector<uint32_t> scratch;
  double slowestMs = 0;
  std::string slowest;
  for (const GameLook& game : kGameLooks) {
    for (const auto& page : kPages) {
      if (page.page == SimPage::kChecker && !game.onChecker) continue;
      for (int side : {6, 12, 24, 48}) {
        const SimLook look = LookFor(game, page.page, side);
        for (const BottlePlace& place : PlacesFor(side)) {
          for (const auto& board : boards) {
            const Picture screen =
                DrawLookScreen(look, side, *board.board, place.left, place.top, photo);
            const Picture corner = Corner(screen);
            const FieldRect truth{place.left, place.top, kSimColumns * side};
            const std::string lookRow = std::string(game.name) + ", " + page.name;
            char sideRow[16];
            std::snprintf(sideRow, sizeof sideRow, "side %2d", side);
            LooksTally* tallies[] = {&byLook[lookRow], &bySide[sideRow], &byPlace[place.name],
                                     &byBoard[board.name], &total};
            for (LooksTally* t : tallies) ++t->scenes;
            for (int c = 0; c < kLooksColumnCount; ++c) {
              const auto start = std::chrono::steady_clock::now();
              const FieldRect got = ApplyColumn(c, screen, corner, scratch);
              const double ms = std::chrono::duration<double, std::milli>(
                                    std::chrono::steady_clock::now() - start)
                                    .count();
              const bool right = ColumnRight(c, got, truth);
              for (LooksTally* t : tallies) t->right[c] += right ? 1 : 0;
              if (c != kFindBottleOnScreenColumn) continue;
              if (ms > slowestMs) {
                slowestMs = ms;
                slowest = lookRow + ", " + sideRow + ", " + place.name + ", " + board.name;
              }
              if (!right) {
                std::fprintf(stderr,
                             "wrong look: %s, %s, %s, %s: took %d,%d,%d, the bottle's %d,%d,%d\n",
                             lookRow.c_str(), sideRow, place.name, board.name, got.left, got.top,
                             got.width, truth.left, truth.top, truth.width);
              }
            }
          }
        }
      }
    }
  }
  PrintLooksRows("look, page (right of scenes)", byLook);
  PrintLooksRows("cell side", bySide);
  PrintLooksRows("bottle's place", byPlace);
  PrintLooksRows("board", byBoard);
  std::map<std::string, LooksTally> all = {{"all", total}};
  PrintLooksRows("", all);
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  std::printf("\nslowest look over the screen: %.1f ms (%s); the looks table took %.0f s\n",
              slowestMs, slowest.c_str(), seconds);
}

}  // namespace

int main(int argc, char** argv) {
  const std::string word = argc > 1 ? argv[1] : "";
  if (word == "looks") {
    RunLooksTable();
    return 0;
  }
  // The rule whose wrong scenes are listed on the error stream: by name, the
  // last (the check in use) by default.
  int listed = kRuleCount - 1;
  for (int r = 0; r < kRuleCount; ++r) {
    if (word == kRules[r].name) listed = r;
  }
  RunSceneTable(listed);
  RunLooksTable();
  return 0;
}
