// Start-up and one pass of the frame cycle.
#include "app/frame_cycle.h"

#include <algorithm>
#include <chrono>
#include <cmath>

#include "advice/target_choice.h"
#include "app/console.h"
#include "app/display.h"
#include "capture/bitmap_file/bitmap_file.h"
#include "capture/screen/screen_capture.h"
#include "vision/cell_classification.h"
#include "vision/field_location.h"
#include "vision/vitamin_detection.h"

namespace {

constexpr char kCaptureFileName[] = "x.bmp";

// The longest single wait for a still screen to change. Each platform ends
// the wait as soon as it sees a change; this only bounds how long a change
// it failed to report could go unseen.
constexpr int kScreenWaitMillis = 500;
// How long a screen unchanged since the last conversion is left before it is
// converted once more, to learn whether the converter repeats itself. While
// the game moves, the next change comes sooner and is converted instead,
// with the converter free for it rather than busy on a picture seen already.
constexpr int kSettleMillis = 400;
constexpr int kNoLimit = -1;
constexpr double kDisplayFramesPerSecond = 60.0;

// The field search's one account: passes run, and the display frames a still
// screen was waited for in place of passes.
void CountFieldSearch(AdvisorState& state, int64_t passes) {
  state.fieldSearchPassesRun = static_cast<int32_t>(
      std::min<int64_t>(kFieldSearchPasses, state.fieldSearchPassesRun + passes));
}

// Waits, capturing again after each wait, until the screen differs from the
// capture the raster came from (or a capture fails, which is not looked at)
// or limitMillis have passed. True when it differs.
bool AwaitScreenChange(AdvisorState& state, int limitMillis) {
  using Clock = std::chrono::steady_clock;
  const Clock::time_point start = Clock::now();
  bool changed = false;
  for (;;) {
    int wait = kScreenWaitMillis;
    if (limitMillis != kNoLimit) {
      const auto left =
          limitMillis -
          std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
      if (left <= 0) break;
      wait = static_cast<int>(std::min<long long>(wait, left));
    }
    WaitForScreenChange(wait);
    if (CaptureScreen(kCaptureFileName) != 1 || !BitmapFileUnchanged()) {
      changed = true;
      break;
    }
  }
  const std::chrono::duration<double> waited = Clock::now() - start;
  CountFieldSearch(state, std::llround(waited.count() * kDisplayFramesPerSecond));
  return changed;
}

bool SameRaster(const Raster& raster, const std::vector<uint32_t>& pixels) {
  return std::equal(pixels.begin(), pixels.end(), raster.pixels);
}

void FetchNextFrame(AdvisorState& state) {
  // A failed capture is not looked at: the converter then works on whatever
  // "x.bmp" holds.
  bool repeated = CaptureScreen(kCaptureFileName) == 1 && BitmapFileUnchanged();
  // A converter that has not repeated itself yet is run again on a screen
  // that stays still: it may have something new to say (the tests' stand-in
  // gives a new frame for the same capture).
  if (repeated) {
    repeated = !AwaitScreenChange(state, state.converterRepeats ? kNoLimit : kSettleMillis);
  }
  Raster& raster = state.raster;
  const size_t count = static_cast<size_t>(raster.width) * static_cast<size_t>(raster.height);
  repeated = repeated && raster.pixels != nullptr;
  if (repeated) state.rasterBefore.assign(raster.pixels, raster.pixels + count);
  LoadFrame(raster);
  state.converterRepeats = repeated && SameRaster(raster, state.rasterBefore);
}

// The order LocateField keeps within one frame: wider wins, and among equal
// widths the earlier start in scan order.
bool Beats(const FieldRect& found, const FieldRect& inUse) {
  if (found.width != inUse.width) return found.width > inUse.width;
  if (found.top != inUse.top) return found.top < inUse.top;
  return found.left < inUse.left;
}

// Whether this frame's field replaced the one in use. A vitamin or a landed
// half in the bottle's top rows hides its true top-left corner, so a start
// at such a moment locates the field lower down; a later frame with those
// rows clear measures the true one and wins by scan order.
bool RelocateField(AdvisorState& state) {
  const Raster& raster = state.raster;
  FieldRect found;
  LocateField(raster.pixels, raster.height, raster.width, found.left, found.top, found.width);
  if (!Beats(found, state.field)) return false;
  state.field = found;
  ResetConsole(true);
  PrintFieldReport(state.field);
  // Both grids from this frame: cells read under the old field are no
  // evidence of anything filling, and the next pass compares like with like.
  // The vitamin position stays; only a found vitamin is ever printed, and
  // finding one rewrites it.
  SampleGrid(raster.pixels, raster.width, raster.height, state.field, state.current,
             state.previous);
  std::copy(state.current, state.current + kBoardCells, state.previous);
  state.lastResult = kNoChange;
  return true;
}

}  // namespace

void StartAdvisor(AdvisorState& state) {
  FetchNextFrame(state);
  ResetConsole(true);
  const Raster& raster = state.raster;
  // A screen still dark at start-up (the game not shown yet) costs this
  // search milliseconds where the plain scan it matches takes seconds.
  LocateField(raster.pixels, raster.height, raster.width, state.field.left, state.field.top,
              state.field.width);
  PrintFieldReport(state.field);
}

void RunFramePass(AdvisorState& state) {
  // After these passes the field is kept for the rest of the run, so that a
  // later screen (between levels, say) cannot move it.
  if (state.fieldSearchPassesRun < kFieldSearchPasses) {
    CountFieldSearch(state, 1);
    if (RelocateField(state)) {
      FetchNextFrame(state);
      return;
    }
  }
  const Raster& raster = state.raster;
  SampleGrid(raster.pixels, raster.width, raster.height, state.field, state.current,
             state.previous);
  state.lastResult = DetectVitamin(state.current, state.previous, state.position);
  if (state.lastResult != kNoChange) {
    ResetConsole(false);
    PrintBoard(state.current);
  }
  if (state.lastResult == kVitaminFound) {
    const VitaminPosition& p = state.position;
    PrintVitaminLine(p);
    PrintAdviceWord(
        ChooseMove(state.current, p.firstColumn, p.firstRow, p.secondColumn, p.secondRow));
  } else if (state.lastResult == kBoardCleared) {
    PrintClearBlock();
  }
  FetchNextFrame(state);
}
