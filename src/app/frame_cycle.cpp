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
  CountFieldFrames(state.search, std::llround(waited.count() * kDisplayFramesPerSecond));
  return changed;
}

// How long a capture identical to the last may be waited on before it is
// converted again: a moment until the converter has repeated itself, then
// for ever; but never past the moment a missing field counts as lost.
int StillScreenLimit(const AdvisorState& state) {
  int limit = state.converterRepeats ? kNoLimit : kSettleMillis;
  const int32_t framesLeft = FramesUntilLost(state.search);
  if (framesLeft >= 0) {
    const int untilLost = static_cast<int>(std::ceil(framesLeft * 1000 / kDisplayFramesPerSecond));
    limit = limit == kNoLimit ? untilLost : std::min(limit, untilLost);
  }
  return limit;
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
  if (repeated) repeated = !AwaitScreenChange(state, StillScreenLimit(state));
  Raster& raster = state.raster;
  const size_t count = static_cast<size_t>(raster.width) * static_cast<size_t>(raster.height);
  repeated = repeated && raster.pixels != nullptr;
  if (repeated) state.rasterBefore.assign(raster.pixels, raster.pixels + count);
  LoadFrame(raster);
  state.converterRepeats = repeated && SameRaster(raster, state.rasterBefore);
}

// The field search took a new field in this frame: report it and read both
// grids from this frame.
void TakeNewField(AdvisorState& state) {
  const Raster& raster = state.raster;
  ResetConsole(true);
  PrintFieldReport(state.search.field);
  // Both grids from this frame: cells read under the old field are no
  // evidence of anything filling, and the next pass compares like with like.
  // The vitamin position stays; only a found vitamin is ever printed, and
  // finding one rewrites it.
  SampleGrid(raster.pixels, raster.width, raster.height, state.search.field, state.current,
             state.previous);
  std::copy(state.current, state.current + kBoardCells, state.previous);
  state.lastResult = kNoChange;
}

}  // namespace

void StartAdvisor(AdvisorState& state) {
  FetchNextFrame(state);
  ResetConsole(true);
  const Raster& raster = state.raster;
  SearchField(state.search, raster.pixels, raster.height, raster.width);
  PrintFieldReport(state.search.field);
  // Said once: the report that follows when the game shows blanks the console
  // and covers it.
  if (state.search.field.width == 0) PrintWaitingLine();
}

void RunFramePass(AdvisorState& state) {
  const Raster& raster = state.raster;
  const FieldStep step = SearchField(state.search, raster.pixels, raster.height, raster.width);
  if (step == FieldStep::kChanged) TakeNewField(state);
  if (step == FieldStep::kLost) PrintLostLine();
  // Only a frame that shows the bottle where it was is read.
  if (step != FieldStep::kRead) {
    FetchNextFrame(state);
    return;
  }
  SampleGrid(raster.pixels, raster.width, raster.height, state.search.field, state.current,
             state.previous);
  state.lastResult = DetectVitamin(state.current, state.previous, state.position);
  if (state.lastResult != kNoChange) {
    ResetConsole(false);
    PrintBoard(state.current, state.lastResult == kVitaminFound ? &state.position : nullptr);
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
