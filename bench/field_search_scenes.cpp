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
// the highest. Run:
// build/bin/field-search-scenes [RULE], RULE naming the column whose wrong
// scenes are listed on the error stream.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "app/field_search.h"
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

}  // namespace

int main(int argc, char** argv) {
  // The rule whose wrong scenes are listed on the error stream: by name, the
  // last (the check in use) by default.
  int listed = kRuleCount - 1;
  for (int r = 0; argc > 1 && r < kRuleCount; ++r) {
    if (std::string(argv[1]) == kRules[r].name) listed = r;
  }
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
  auto found = [](const FieldRect& got, const FieldRect& truth, const FieldRect& alsoRight) {
    const bool lowered = alsoRight.width > 0 &&
                         std::abs(got.left - alsoRight.left) <= kFieldWidthSlack &&
                         std::abs(got.width - alsoRight.width) <= kFieldWidthSlack &&
                         got.top >= alsoRight.top && got.top <= truth.top;
    return Same(got, truth) || (alsoRight.width > 0 && got.width == 0) || lowered;
  };
  // before: the screen just before this one; the field the rule takes there
  // is in use now, and must be given up unless it is the bottle's.
  auto score = [&](const std::string& desktopRow, const std::string& gameRow, const Picture& screen,
                   const FieldRect& truth, const FieldRect& alsoRight,
                   const Picture* before = nullptr) {
    Tally* tallies[] = {&byDesktop[desktopRow], &byGame[gameRow], &total};
    for (Tally* t : tallies) ++t->scenes;
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
      const bool givenUp =
          kept.width == 0 || found(kept, truth, alsoRight) || !Keeps(kRules[r], screen, kept);
      const bool right = found(got, truth, alsoRight) && givenUp;
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
  return 0;
}
