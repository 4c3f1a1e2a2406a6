// Start-up and one pass of the frame cycle.
#include "app/frame_cycle.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <utility>
#include <vector>

#include "advice/target_choice.h"
#include "app/console.h"
#include "app/display.h"
#include "capture/bitmap_file/bitmap_file.h"
#include "capture/screen/screen_capture.h"
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

using Clock = std::chrono::steady_clock;

int64_t NowMillis() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now().time_since_epoch())
      .count();
}

// From the next frame on, frames come from region: a new picture, so the
// search starts over in it, and the raster is sized afresh by the frame.
void WatchRegion(AdvisorState& state, const ScreenRegion& region) {
  state.watch.region = region;
  std::vector<uint32_t> scratch = std::move(state.search.scratch);
  state.search = FieldSearch{};
  state.search.scratch = std::move(scratch);
  state.search.riseAtOnce = !WatchesCorner(state.watch);
  const ScreenRegion screen = ScreenBounds();
  state.search.floorInView = !WatchesCorner(state.watch) && int64_t{region.top} + region.height <
                                                                int64_t{screen.top} + screen.height;
  state.fieldCut = false;
  ReleaseRaster(state.raster);
  state.converterRepeats = false;
}

// While no field is in use, a look over the whole screen when one is due;
// a bottle found there is watched from the next frame on. True then.
bool LookWhenDue(AdvisorState& state) {
  if (state.search.field.width != 0) return false;
  const int64_t now = NowMillis();
  ScreenRegion to;
  if (!LookDue(state.watch, now) || !LookOverScreen(state.watch, now, to)) return false;
  WatchRegion(state, to);
  return true;
}

// The wait before the next look, when one will be due once the time has come.
int UntilLookMillis(const AdvisorState& state) {
  const Watch& watch = state.watch;
  if (state.search.field.width != 0 || !watch.canLook || !watch.drawnSinceLook) return kNoLimit;
  return static_cast<int>(
      std::max<int64_t>(0, watch.lastLookMillis + kLookIntervalMillis - NowMillis()));
}

// Waits, capturing again after each wait, until the screen differs from the
// capture the raster came from (or a capture fails, which is not looked at)
// or limitMillis have passed. True when it differs. While no bottle is in use,
// what is drawn elsewhere on the screen is looked over too, and a bottle found
// there ends the wait with the capture of its region.
bool AwaitScreenChange(AdvisorState& state, int limitMillis) {
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
    const int untilLook = UntilLookMillis(state);
    if (untilLook != kNoLimit) wait = std::min(wait, untilLook);
    if (WaitForScreenChange(wait)) state.watch.drawnSinceLook = true;
    LookWhenDue(state);
    if (CaptureScreen(kCaptureFileName, state.watch.region) != 1 || !BitmapFileUnchanged()) {
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

// ---- The cheap wait for the game.

bool WaitsCheaply(const AdvisorState& state) {
  return state.faithfulConversions >= kFaithfulConversions && state.search.field.width == 0 &&
         WatchesCorner(state.watch);
}

// Learnt from each conversion made while no field is in use: whether the
// raster is the capture's own pixels (the decoder's alpha aside), and how
// many times in a row. A converter that hands over frames of its own (the
// tests' stand-ins) is run on every change, as ever.
void LearnConverter(AdvisorState& state) {
  if (state.search.field.width != 0) return;
  const Raster& raster = state.raster;
  int32_t width = 0;
  int32_t height = 0;
  const bool faithful =
      raster.pixels != nullptr && WrittenBitmapPixels(state.captured, width, height) &&
      width == raster.width && height == raster.height &&
      std::equal(state.captured.begin(), state.captured.end(), raster.pixels,
                 [](uint32_t a, uint32_t b) { return ((a ^ b) & 0x00FFFFFFu) == 0; });
  state.faithfulConversions =
      faithful ? std::min(kFaithfulConversions, state.faithfulConversions + 1) : 0;
}

// Captures the corner at most every kWaitCheckMillis, searching each changed
// capture as a pass would, until one shows a bottle: true then, with x.bmp
// holding it. False when the usual road is to go on instead: a look moved
// the watch to a bottle elsewhere, or the capture cannot be searched as it is.
bool AwaitBottleCheaply(AdvisorState& state) {
  for (;;) {
    const int64_t due = state.lastWaitCheckMillis + kWaitCheckMillis;
    int wait = static_cast<int>(std::max<int64_t>(0, due - NowMillis()));
    const int untilLook = UntilLookMillis(state);
    if (untilLook != kNoLimit) wait = std::min(wait, untilLook);
    // Ends early at a change, which is noted for the look; the loop then comes
    // back here until the time has come.
    if (WaitForScreenChange(wait)) state.watch.drawnSinceLook = true;
    if (LookWhenDue(state)) return false;
    if (NowMillis() < due) continue;
    state.lastWaitCheckMillis = NowMillis();
    if (CaptureScreen(kCaptureFileName, state.watch.region) != 1) return false;
    if (BitmapFileUnchanged()) {
      if (WaitForScreenChange(kScreenWaitMillis)) state.watch.drawnSinceLook = true;
      continue;
    }
    state.watch.drawnSinceLook = true;
    int32_t width = 0;
    int32_t height = 0;
    if (!WrittenBitmapPixels(state.captured, width, height)) return false;
    FieldRect found;
    FindFrameBottle(state.captured.data(), height, width, LooksLikeBottle, kSmallestBottle,
                    state.search.scratch, found);
    if (found.width != 0) return true;
  }
}

void FetchNextFrame(AdvisorState& state) {
  if (WaitsCheaply(state) && AwaitBottleCheaply(state)) {
    LoadFrame(state.raster);
    state.converterRepeats = false;
    LearnConverter(state);
    return;
  }
  // A failed capture is not looked at: the converter then works on whatever
  // "x.bmp" holds.
  bool repeated = CaptureScreen(kCaptureFileName, state.watch.region) == 1 && BitmapFileUnchanged();
  if (!repeated) state.watch.drawnSinceLook = true;
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
  LearnConverter(state);
}

// Samples both grids by the game's look, measured when the field in use is
// new to it and, until a frame settles it, on every frame read: the
// measurement costs a few reads of the board, so it is not made every pass.
void ReadBoard(AdvisorState& state) {
  const Raster& raster = state.raster;
  if (!state.look.settled || !SameField(state.look.field, state.search.field)) {
    state.look = MeasureGameLook(raster.pixels, raster.width, raster.height, state.search.field);
  }
  SampleBoard(raster.pixels, raster.width, raster.height, state.look, state.current,
              state.previous);
}

// The field search took a new field in this frame. Shown whole: report it
// and read both grids from this frame. Below the watched region: watch the
// region around it instead. Cut by the screen's edge: say so once, and read
// nothing from it.
void TakeNewField(AdvisorState& state) {
  const FieldRect onScreen = FieldOnScreen(state.search.field, state.watch.region);
  ScreenRegion to;
  switch (JudgeTakenField(onScreen, state.watch.region, ScreenBounds(), to)) {
    case TakenField::kMove:
      WatchRegion(state, to);
      return;
    case TakenField::kCut:
      state.fieldCut = true;
      if (!state.watch.cutSaid) PrintCutBottleLine();
      state.watch.cutSaid = true;
      return;
    case TakenField::kRead:
      break;
  }
  state.fieldCut = false;
  state.watch.cutSaid = false;
  ResetConsole(true);
  PrintFieldReport(onScreen);
  // Both grids from this frame: cells read under the old field are no
  // evidence of anything filling, and the next pass compares like with like.
  // The vitamin position stays; only a found vitamin is ever printed, and
  // finding one rewrites it.
  state.look = GameLook{};  // a field taken anew is measured anew
  ReadBoard(state);
  std::copy(state.current, state.current + kBoardCells, state.previous);
  state.lastResult = kNoChange;
}

// No field in use. A region around a bottle that a look found, whose frame
// the search takes nothing from, is given up at once for the corner; there
// the look goes on as due.
void WatchCornerWhenEmpty(AdvisorState& state) {
  if (!WatchesCorner(state.watch)) {
    WatchRegion(state, kCornerRegion);
    return;
  }
  LookWhenDue(state);
}

// The bottle in use has gone: back to the corner, and over the whole screen
// at once, since it may have gone there.
void LoseField(AdvisorState& state) {
  state.fieldCut = false;
  if (!WatchesCorner(state.watch)) WatchRegion(state, kCornerRegion);
  state.watch.drawnSinceLook = true;
  state.watch.lastLookMillis = -1;
  LookWhenDue(state);
  PrintLostLine(state.watch.canLook);
}

}  // namespace

void StartAdvisor(AdvisorState& state) {
  FetchNextFrame(state);
  ResetConsole(true);
  // The first frames settle where the game is: the corner, or a region found
  // by a look over the whole screen or around a bottle the corner cuts. Each
  // move is one more frame; a third would only chase a game that moves.
  FieldRect report;
  for (int frames = 0; frames < 3; ++frames) {
    const Raster& raster = state.raster;
    const FieldStep step = SearchField(state.search, raster.pixels, raster.height, raster.width);
    const ScreenRegion watched = state.watch.region;
    if (step == FieldStep::kChanged) {
      const FieldRect onScreen = FieldOnScreen(state.search.field, watched);
      ScreenRegion to;
      const TakenField taken = JudgeTakenField(onScreen, watched, ScreenBounds(), to);
      if (taken == TakenField::kRead) report = onScreen;
      if (taken == TakenField::kCut) state.fieldCut = true;
      if (taken != TakenField::kMove) break;
      WatchRegion(state, to);
    } else if (!LookWhenDue(state)) {
      break;
    }
    FetchNextFrame(state);
  }
  PrintFieldReport(report);
  // Said once: the report that follows when the game shows blanks the console
  // and covers it.
  if (state.fieldCut) {
    PrintCutBottleLine();
    state.watch.cutSaid = true;
  } else if (state.search.field.width == 0) {
    PrintWaitingLine(state.watch.canLook);
  }
}

void RunFramePass(AdvisorState& state) {
  const Raster& raster = state.raster;
  const FieldStep step = SearchField(state.search, raster.pixels, raster.height, raster.width);
  const bool read = step == FieldStep::kRead && !state.fieldCut;
  if (step == FieldStep::kChanged) TakeNewField(state);
  if (step == FieldStep::kLost) LoseField(state);
  if (step == FieldStep::kNone) WatchCornerWhenEmpty(state);
  // Only a frame that shows the whole bottle where it was is read.
  if (!read) {
    FetchNextFrame(state);
    return;
  }
  ReadBoard(state);
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
