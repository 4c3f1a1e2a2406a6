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
// screen was waited for in place of passes, from the frame in which a field
// was first found on. Before that every pass searches, however long it takes.
void CountFieldSearch(AdvisorState& state, int64_t passes) {
  if (state.field.width == 0) return;
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

// Scan order, LocateField's order among fields of equal width.
bool EarlierInScan(const FieldRect& a, const FieldRect& b) {
  if (a.top != b.top) return a.top < b.top;
  return a.left < b.left;
}

bool SameField(const FieldRect& a, const FieldRect& b) {
  return a.left == b.left && a.top == b.top && a.width == b.width;
}

// Adds a frame's field to those kept near the widest. A new widest moves the
// kept ones down by the difference, and those it pushes past the slack drop.
void NoteField(FieldRect (&nearWidest)[kFieldWidthSlack + 1], const FieldRect& found) {
  if (found.width == 0) return;
  const int32_t widest = nearWidest[0].width;
  if (found.width > widest) {
    const int32_t shift = found.width - widest;
    for (int32_t i = kFieldWidthSlack; i > 0; --i) {
      nearWidest[i] = i >= shift ? nearWidest[i - shift] : FieldRect{};
    }
    nearWidest[0] = found;
    return;
  }
  const int32_t below = widest - found.width;
  if (below > kFieldWidthSlack) return;
  FieldRect& kept = nearWidest[below];
  if (kept.width == 0 || EarlierInScan(found, kept)) kept = found;
}

// The highest field near the widest, then the leftmost, then the widest. A
// vitamin or a landed half in the bottle's top rows hides its true top-left
// corner, so a start at such a moment finds a field of the same width lower
// down; a blurred wall makes one a pixel or two wider and lower. A frame that
// shows the top rows clear and sharp gives the true one, and it is the
// highest. A dark area clearly wider (a screen between levels) still wins.
FieldRect ChooseField(const FieldRect (&nearWidest)[kFieldWidthSlack + 1]) {
  FieldRect chosen = nearWidest[0];
  for (int32_t i = 1; i <= kFieldWidthSlack; ++i) {
    if (nearWidest[i].width > 0 && EarlierInScan(nearWidest[i], chosen)) chosen = nearWidest[i];
  }
  return chosen;
}

// Whether this pass looks for the field: every pass while none has been found
// (the game not on the screen yet, however long that lasts), then the first
// kFieldSearchPasses after it. After those the field is kept for the rest of
// the run, so that a later screen (between levels, say) cannot move it.
bool StillSearching(const AdvisorState& state) {
  return state.field.width == 0 || state.fieldSearchPassesRun < kFieldSearchPasses;
}

// Whether this frame changed the field in use.
bool RelocateField(AdvisorState& state) {
  const Raster& raster = state.raster;
  FieldRect found;
  LocateField(raster.pixels, raster.height, raster.width, found.left, found.top, found.width);
  NoteField(state.nearWidest, found);
  const FieldRect chosen = ChooseField(state.nearWidest);
  if (SameField(chosen, state.field)) return false;
  state.field = chosen;
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
  NoteField(state.nearWidest, state.field);
  PrintFieldReport(state.field);
  // Said once: the report that follows when the game shows blanks the console
  // and covers it.
  if (state.field.width == 0) PrintWaitingLine();
}

void RunFramePass(AdvisorState& state) {
  if (StillSearching(state)) {
    // The frame that first finds a field is not counted, as the start-up
    // frame is not.
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
