// The field search's check on a kept field, run once a pass: the game drawn by
// the tests on the screen, its window on a dark desktop, the same desktop and a
// light one with the game gone (the check fails at once or reads every row),
// and the game at every cell side from 6 to 48.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <string>

#include "app/field_search.h"
#include "support/desktop_pictures.h"
#include "support/game_screen.h"
#include "vision/field_location.h"

namespace {

struct Scene {
  Picture screen;
  FieldRect field;
};

Scene GameOn(const std::string& desktop, bool gameShown) {
  Scene scene{DrawDesktop(desktop), {}};
  int left = 0, top = 0;
  const Picture window = DrawGameWindow(GameSequenceBoards()[0], 12, false, left, top);
  Picture withGame = scene.screen;
  Paste(withGame, window, 100, 60);
  LocateField(withGame.pixels.data(), withGame.height, withGame.width, scene.field.left,
              scene.field.top, scene.field.width);
  std::vector<uint32_t> scratch;
  FindBottle(withGame.pixels.data(), withGame.height, withGame.width, LooksLikeBottle,
             kSmallestBottle, scratch, scene.field);
  if (gameShown) scene.screen = withGame;
  return scene;
}

void CheckKeptField(benchmark::State& state, const Scene& scene) {
  bool there = false;
  for (auto _ : state) {
    there = LooksLikeBottle(scene.screen.pixels.data(), scene.screen.height, scene.screen.width,
                            scene.field);
    benchmark::DoNotOptimize(there);
  }
  state.counters["there"] = there ? 1 : 0;
}

void BM_KeptFieldCheck_GameOnBrightScreen(benchmark::State& state) {
  static const Scene scene = GameOn("bright", true);
  CheckKeptField(state, scene);
}
BENCHMARK(BM_KeptFieldCheck_GameOnBrightScreen);

void BM_KeptFieldCheck_GameOnDarkDesktop(benchmark::State& state) {
  static const Scene scene = GameOn("icons", true);
  CheckKeptField(state, scene);
}
BENCHMARK(BM_KeptFieldCheck_GameOnDarkDesktop);

void BM_KeptFieldCheck_GameGoneFromDarkDesktop(benchmark::State& state) {
  static const Scene scene = GameOn("icons", false);
  CheckKeptField(state, scene);
}
BENCHMARK(BM_KeptFieldCheck_GameGoneFromDarkDesktop);

// A light screen is bright beside and below the field: only the inside fails.
void BM_KeptFieldCheck_GameGoneFromLightScreen(benchmark::State& state) {
  static const Scene scene = GameOn("light window", false);
  CheckKeptField(state, scene);
}
BENCHMARK(BM_KeptFieldCheck_GameGoneFromLightScreen);

// The game at cell side range(0) on its own light screen, the field its
// bottle: the walls grow with the width, the inside is looked at on a grid of
// fixed size.
Scene GameOfSide(int side) {
  return Scene{DrawGameScreen(GameSequenceBoards()[0], 100, 40, side, std::max(640, 8 * side + 200),
                              16 * side + 100),
               FieldRect{100, 40, 8 * side}};
}

void BM_KeptFieldCheck_BySide(benchmark::State& state) {
  const Scene scene = GameOfSide(static_cast<int>(state.range(0)));
  CheckKeptField(state, scene);
}
BENCHMARK(BM_KeptFieldCheck_BySide)->Arg(6)->Arg(12)->Arg(24)->Arg(48);

void BM_InsideCheck_BySide(benchmark::State& state) {
  const Scene scene = GameOfSide(static_cast<int>(state.range(0)));
  bool there = false;
  for (auto _ : state) {
    there = ShowsDarkInside(scene.screen.pixels.data(), scene.screen.height, scene.screen.width,
                            scene.field);
    benchmark::DoNotOptimize(there);
  }
  state.counters["there"] = there ? 1 : 0;
}
BENCHMARK(BM_InsideCheck_BySide)->Arg(6)->Arg(12)->Arg(24)->Arg(48);

// The search every frame while no bottle shows: LocateField and the looks
// after each rejected field.
void BM_FindBottle_DarkDesktopNoGame(benchmark::State& state) {
  static const Picture screen = DrawDesktop("top bar");
  std::vector<uint32_t> scratch;
  for (auto _ : state) {
    FieldRect found;
    FindBottle(screen.pixels.data(), screen.height, screen.width, LooksLikeBottle, kSmallestBottle,
               scratch, found);
    benchmark::DoNotOptimize(found);
  }
}
BENCHMARK(BM_FindBottle_DarkDesktopNoGame)->Unit(benchmark::kMillisecond);

// The search of the first passes, with the game's window on the desktop.
void BM_FindBottle_GameOnDarkDesktop(benchmark::State& state) {
  static const Scene scene = GameOn("top bar", true);
  std::vector<uint32_t> scratch;
  for (auto _ : state) {
    FieldRect found;
    FindBottle(scene.screen.pixels.data(), scene.screen.height, scene.screen.width, LooksLikeBottle,
               kSmallestBottle, scratch, found);
    benchmark::DoNotOptimize(found);
  }
}
BENCHMARK(BM_FindBottle_GameOnDarkDesktop)->Unit(benchmark::kMillisecond);

void BM_LocateField_DarkDesktopNoGame(benchmark::State& state) {
  static const Picture screen = DrawDesktop("top bar");
  for (auto _ : state) {
    FieldRect found;
    LocateField(screen.pixels.data(), screen.height, screen.width, found.left, found.top,
                found.width);
    benchmark::DoNotOptimize(found);
  }
}
BENCHMARK(BM_LocateField_DarkDesktopNoGame)->Unit(benchmark::kMillisecond);

}  // namespace
