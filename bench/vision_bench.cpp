// Benchmarks of the vision code on 640 x 480 frames built in memory: a drawn
// game screen, a frame dark everywhere, the same with one bright column at the
// right edge, and random noise. The field search runs beside the plain
// reference search of the tests (tests/vision/field_location_reference.cpp).
#include <benchmark/benchmark.h>

#include <cstdint>
#include <random>
#include <vector>

#include "field_location_reference.h"
#include "vision/cell_classification.h"
#include "vision/field_location.h"
#include "vision/game_look.h"
#include "vision/luminance.h"
#include "vision/vitamin_detection.h"

namespace {

constexpr int32_t kWidth = 640;
constexpr int32_t kHeight = 480;

uint32_t Rgb(int red, int green, int blue) {
  return static_cast<uint32_t>(red | green << 8 | blue << 16);
}

using Frame = std::vector<uint32_t>;

void FillRect(Frame& frame, int32_t left, int32_t top, int32_t width, int32_t height,
              uint32_t colour) {
  for (int32_t y = top; y < top + height; ++y) {
    for (int32_t x = left; x < left + width; ++x) frame[y * kWidth + x] = colour;
  }
}

// A bright textured background with a black bottle of 8 x 16 cells of side 12
// at (200, 40), some viruses in its lower half and a falling vitamin.
Frame GameScreen() {
  static const uint32_t kTexture[] = {Rgb(255, 255, 255), Rgb(200, 200, 160), Rgb(160, 220, 255)};
  Frame frame(kWidth * kHeight);
  for (int32_t y = 0; y < kHeight; ++y) {
    for (int32_t x = 0; x < kWidth; ++x) frame[y * kWidth + x] = kTexture[(x * 7 + y * 13) % 3];
  }
  constexpr int32_t kSide = 12;
  FillRect(frame, 200, 40, 8 * kSide, 16 * kSide, 0);
  struct Cell {
    int column, row;
    uint32_t colour;
  };
  const Cell cells[] = {{1, 10, Rgb(120, 0, 0)},   {5, 11, Rgb(110, 110, 0)},
                        {3, 13, Rgb(0, 100, 160)}, {6, 15, Rgb(120, 0, 0)},
                        {3, 5, Rgb(255, 0, 0)},    {4, 5, Rgb(0, 255, 255)}};
  for (const Cell& c : cells) {
    FillRect(frame, 200 + c.column * kSide, 40 + c.row * kSide, kSide, kSide, c.colour);
  }
  return frame;
}

Frame DarkFrame() {
  return Frame(kWidth * kHeight, 0);
}

Frame DarkFrameBrightRightColumn() {
  Frame frame = DarkFrame();
  FillRect(frame, kWidth - 1, 0, 1, kHeight, Rgb(255, 255, 255));
  return frame;
}

Frame NoiseFrame() {
  std::mt19937 random(12345);
  Frame frame(kWidth * kHeight);
  for (uint32_t& pixel : frame) pixel = random() & 0xFFFFFFu;
  return frame;
}

void BM_Luminance(benchmark::State& state) {
  const Frame frame = NoiseFrame();
  for (auto _ : state) {
    int sum = 0;
    for (uint32_t pixel : frame) sum += Luminance(pixel);
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(state.iterations() * kWidth * kHeight);
}
BENCHMARK(BM_Luminance);

void BM_SampleGrid(benchmark::State& state) {
  const Frame frame = GameScreen();
  const FieldRect field{200, 40, static_cast<int32_t>(state.range(0))};
  uint8_t current[kBoardCells] = {};
  uint8_t previous[kBoardCells];
  for (auto _ : state) {
    SampleGrid(frame.data(), kWidth, kHeight, field, current, previous);
    benchmark::DoNotOptimize(current);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_SampleGrid)->Arg(80)->Arg(96)->Arg(128);

// Another game's drawing at 1x: bricks of side 20 lying 23 apart on a dark
// grey field 181 wide at (200, 40), their first row 3 below its top, a light
// floor under it, viruses as round sprites in the lower half and a vitamin.
Frame BricksScreen() {
  Frame frame(kWidth * kHeight, Rgb(224, 224, 224));
  FillRect(frame, 200, 40, 181, 16 * 20 + 15 * 3 + 3, Rgb(37, 37, 37));
  const uint32_t virus[] = {Rgb(255, 0, 0), Rgb(255, 255, 0), Rgb(0, 128, 255)};
  for (int cell = 64; cell < 128; cell += 3) {
    const int32_t left = 200 + (cell % 8) * 23;
    const int32_t top = 43 + (cell / 8) * 23;
    for (int32_t y = 0; y < 20; ++y) {
      for (int32_t x = 0; x < 20; ++x) {
        if ((2 * x - 19) * (2 * x - 19) + (2 * y - 19) * (2 * y - 19) <= 240) {
          frame[(top + y) * kWidth + left + x] = virus[cell % 3];
        }
      }
    }
  }
  FillRect(frame, 200 + 3 * 23, 43 + 2 * 23, 20, 20, Rgb(255, 0, 0));
  FillRect(frame, 200 + 4 * 23, 43 + 2 * 23, 20, 20, Rgb(0, 0, 255));
  return frame;
}

// One pass's reading by the game's look, measured beforehand as it is once a
// field is taken: on this game's own drawing, where it is SampleGrid with one
// test more (compare BM_SampleGrid/96), and on another game's bricks.
void RunSampleBoard(benchmark::State& state, const Frame& frame, const FieldRect& field) {
  const GameLook look = MeasureGameLook(frame.data(), kWidth, kHeight, field);
  uint8_t current[kBoardCells] = {};
  uint8_t previous[kBoardCells];
  for (auto _ : state) {
    SampleBoard(frame.data(), kWidth, kHeight, look, current, previous);
    benchmark::DoNotOptimize(current);
    benchmark::ClobberMemory();
  }
  state.counters["own_grid"] = look.grid.own;
  state.counters["own_palette"] = look.palette.own;
}
void BM_SampleBoard_OwnDrawing(benchmark::State& s) {
  RunSampleBoard(s, GameScreen(), FieldRect{200, 40, 96});
}
void BM_SampleBoard_Bricks(benchmark::State& s) {
  RunSampleBoard(s, BricksScreen(), FieldRect{200, 40, 181});
}
// What the cell reader alone costs on those bricks, on the field's eighths.
void BM_SampleGrid_Bricks(benchmark::State& state) {
  const Frame frame = BricksScreen();
  uint8_t current[kBoardCells] = {};
  uint8_t previous[kBoardCells];
  for (auto _ : state) {
    SampleGrid(frame.data(), kWidth, kHeight, FieldRect{200, 40, 181}, current, previous);
    benchmark::DoNotOptimize(current);
    benchmark::ClobberMemory();
  }
}
// The measurement itself, made once per field taken.
void BM_MeasureGameLook_Bricks(benchmark::State& state) {
  const Frame frame = BricksScreen();
  for (auto _ : state) {
    benchmark::DoNotOptimize(MeasureGameLook(frame.data(), kWidth, kHeight, {200, 40, 181}));
  }
}
BENCHMARK(BM_SampleBoard_OwnDrawing);
BENCHMARK(BM_SampleBoard_Bricks);
BENCHMARK(BM_SampleGrid_Bricks);
BENCHMARK(BM_MeasureGameLook_Bricks);

void BM_DetectVitamin(benchmark::State& state) {
  // A one-colour vitamin one row lower among a few viruses: the scan plus the
  // first neighbour case.
  uint8_t previous[kBoardCells];
  uint8_t current[kBoardCells];
  for (int i = 0; i < kBoardCells; ++i) previous[i] = current[i] = kEmptyCell;
  for (int i : {81, 90, 100, 107, 115, 126}) previous[i] = current[i] = kDimRed;
  previous[CellIndex(3, 4)] = previous[CellIndex(3, 5)] = kBrightYellow;
  current[CellIndex(3, 5)] = current[CellIndex(3, 6)] = kBrightYellow;
  VitaminPosition position;
  for (auto _ : state) {
    benchmark::DoNotOptimize(DetectVitamin(current, previous, position));
    benchmark::DoNotOptimize(position);
  }
}
BENCHMARK(BM_DetectVitamin);

using LocateFunction = void (*)(const uint32_t*, int32_t, int32_t, int32_t&, int32_t&, int32_t&);

void RunLocate(benchmark::State& state, LocateFunction locate, const Frame& frame) {
  int32_t left = 0;
  int32_t top = 0;
  int32_t width = 0;
  for (auto _ : state) {
    locate(frame.data(), kHeight, kWidth, left, top, width);
    benchmark::DoNotOptimize(width);
  }
  state.counters["left"] = left;
  state.counters["top"] = top;
  state.counters["width"] = width;
}

void BM_LocateField_GameScreen(benchmark::State& s) {
  RunLocate(s, LocateField, GameScreen());
}
void BM_LocateFieldReference_GameScreen(benchmark::State& s) {
  RunLocate(s, LocateFieldReference, GameScreen());
}
void BM_LocateField_Dark(benchmark::State& s) {
  RunLocate(s, LocateField, DarkFrame());
}
void BM_LocateFieldReference_Dark(benchmark::State& s) {
  RunLocate(s, LocateFieldReference, DarkFrame());
}
void BM_LocateField_DarkBrightRightColumn(benchmark::State& s) {
  RunLocate(s, LocateField, DarkFrameBrightRightColumn());
}
void BM_LocateFieldReference_DarkBrightRightColumn(benchmark::State& s) {
  RunLocate(s, LocateFieldReference, DarkFrameBrightRightColumn());
}
void BM_LocateField_Noise(benchmark::State& s) {
  RunLocate(s, LocateField, NoiseFrame());
}
void BM_LocateFieldReference_Noise(benchmark::State& s) {
  RunLocate(s, LocateFieldReference, NoiseFrame());
}

BENCHMARK(BM_LocateField_GameScreen)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LocateFieldReference_GameScreen)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LocateField_Dark)->Unit(benchmark::kMillisecond);
// The reference runs a full probe from nearly every start pixel of a dark
// frame: seconds per call, so a single iteration.
BENCHMARK(BM_LocateFieldReference_Dark)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_LocateField_DarkBrightRightColumn)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LocateFieldReference_DarkBrightRightColumn)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LocateField_Noise)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LocateFieldReference_Noise)->Unit(benchmark::kMillisecond);

}  // namespace
