// What watching the game anywhere costs: a changed frame of the region watched
// around bottles of cell sides 12 to 48 beside today's 640 x 480 corner, the
// real converter included, and a look over a whole 1920 x 1080 or 3840 x 2160
// screen: its capture on a private X server and the search of its pixels on
// each of the scene table's desktops.
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "app/field_search.h"
#include "app/watched_region.h"
#include "vision/bottle_finding.h"
#include "capture/bitmap_file/bitmap_file.h"
#include "capture/bitmap_file/packed_dib.h"
#include "capture/raster/frame_loader.h"
#include "capture/screen/screen_capture.h"
#include "support/desktop_pictures.h"
#include "support/game_screen.h"
#include "support/temp_dir.h"
#include "support/xvfb_server.h"
#include "vision/cell_classification.h"

namespace {

// CPU seconds of this process and of its finished children (the converter).
double CpuSeconds() {
  double seconds = 0;
  for (int who : {RUSAGE_SELF, RUSAGE_CHILDREN}) {
    rusage usage = {};
    getrusage(who, &usage);
    seconds += usage.ru_utime.tv_sec + usage.ru_utime.tv_usec / 1e6 + usage.ru_stime.tv_sec +
               usage.ru_stime.tv_usec / 1e6;
  }
  return seconds;
}

// part of picture as a 32-bit bitmap block, as the capture packs a region.
PackedDib PackRegion(const Picture& picture, const ScreenRegion& part) {
  const uint32_t rowBytes = DibRowBytes(part.width, 32);
  PackedDib block;
  AllocatePackedDib(kInfoHeaderSize + 4 + rowBytes * part.height, block);
  DibHeader header;
  header.width = part.width;
  header.height = part.height;
  header.bitCount = 32;
  header.sizeImage = rowBytes * part.height;
  StoreDibHeader(header, block.bytes);
  uint8_t* pixels = block.bytes + kInfoHeaderSize + 4;
  for (int y = 0; y < part.height; ++y) {
    uint8_t* row = pixels + static_cast<size_t>(part.height - 1 - y) * rowBytes;
    for (int x = 0; x < part.width; ++x) {
      const uint32_t p = picture.At(part.left + x, part.top + y);
      row[4 * x] = static_cast<uint8_t>(p >> 16);
      row[4 * x + 1] = static_cast<uint8_t>(p >> 8);
      row[4 * x + 2] = static_cast<uint8_t>(p);
      row[4 * x + 3] = 0;
    }
  }
  return block;
}

// One changed frame, as the frame cycle meets it: the capture's file written,
// the converter run and its output decoded, the field checked and the board
// sampled. Argument: the cell side, 0 for today's corner (side 12 at 200,40).
// Two boards take turns, so that every frame differs from the one before.
void BM_ChangedFrame(benchmark::State& state) {
  const int side = static_cast<int>(state.range(0));
  const std::vector<std::string> boards = GameSequenceBoards();
  const Picture light = SolidPicture(1920, 1080, Rgb(200, 200, 200));
  PackedDib frames[2];
  for (int k = 0; k < 2; ++k) {
    if (side == 0) {
      frames[k] = PackRegion(DrawGameScreen(boards[k]), kCornerRegion);
      continue;
    }
    Picture screen = light;
    int bottleLeft = 0;
    int bottleTop = 0;
    Paste(screen, DrawGameWindow(boards[k], side, true, bottleLeft, bottleTop), 300, 40);
    const FieldRect bottle{300 + bottleLeft, 40 + bottleTop, 8 * side};
    frames[k] = PackRegion(screen, RegionAroundBottle(bottle, {0, 0, 1920, 1080}));
  }
  TempDir dir;
  char cwd[4096] = "";
  const std::string home = getcwd(cwd, sizeof cwd) != nullptr ? cwd : "";
  if (chdir(dir.path().c_str()) != 0) state.SkipWithError("no work folder");
  Raster raster;
  FieldSearch search;
  uint8_t current[kBoardCells];
  uint8_t previous[kBoardCells];
  int frame = 0;
  const double cpuBefore = CpuSeconds();
  for (auto _ : state) {
    WriteBitmapFile("x.bmp", frames[frame++ % 2]);
    LoadFrame(raster);
    SearchField(search, raster.pixels, raster.height, raster.width);
    SampleGrid(raster.pixels, raster.width, raster.height, search.field, current, previous);
    benchmark::DoNotOptimize(current);
  }
  state.counters["cpu_ms"] = benchmark::Counter((CpuSeconds() - cpuBefore) * 1000 /
                                                static_cast<double>(state.iterations()));
  state.counters["pixels"] = raster.width * raster.height;
  state.counters["field"] = search.field.width;
  if (!home.empty() && chdir(home.c_str()) != 0) state.SkipWithError("lost the old folder");
  ReleaseRaster(raster);
  for (PackedDib& f : frames) FreePackedDib(f);
}
BENCHMARK(BM_ChangedFrame)
    ->Arg(0)
    ->Arg(12)
    ->Arg(24)
    ->Arg(36)
    ->Arg(48)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(40)
    ->Repetitions(3);

// The search of one look, on a desktop of the scene table (by its index in
// DesktopNames) without the game, at 1920 x 1080 or 3840 x 2160.
void BM_LookOverScreen(benchmark::State& state) {
  const std::string desktop = DesktopNames()[static_cast<size_t>(state.range(0))];
  const int width = static_cast<int>(state.range(1));
  const Picture screen = DrawDesktop(desktop, width, width * 9 / 16);
  std::vector<uint32_t> scratch;
  for (auto _ : state) {
    FieldRect found;
    FindBottleOnScreen(screen.pixels.data(), screen.height, screen.width, scratch, found);
    benchmark::DoNotOptimize(found);
  }
  state.SetLabel(desktop);
}
BENCHMARK(BM_LookOverScreen)
    ->ArgsProduct({benchmark::CreateDenseRange(0, 9, 1), {1920, 3840}})
    ->Unit(benchmark::kMillisecond);

// A look's read of the whole screen from a private 24-bit X server.
void BM_CaptureWholeScreen(benchmark::State& state) {
  const int width = static_cast<int>(state.range(0));
  const XvfbServer server(width, width * 9 / 16, 24);
  CloseScreenCapture();
  setenv("DISPLAY", server.display().c_str(), 1);
  TempDir dir;
  CaptureScreen(dir.File("x.bmp").c_str());
  std::vector<uint32_t> pixels;
  for (auto _ : state) benchmark::DoNotOptimize(CaptureScreenPixels(ScreenBounds(), pixels));
  CloseScreenCapture();
}
BENCHMARK(BM_CaptureWholeScreen)->Arg(1920)->Arg(3840)->Unit(benchmark::kMillisecond);

}  // namespace
