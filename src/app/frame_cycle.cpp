// Start-up and one pass of the frame cycle.
#include "app/frame_cycle.h"

#include "advice/target_choice.h"
#include "app/console.h"
#include "app/display.h"
#include "capture/screen_capture.h"
#include "vision/cell_classification.h"
#include "vision/field_location.h"
#include "vision/vitamin_detection.h"

namespace {

constexpr char kCaptureFileName[] = "x.bmp";

void FetchNextFrame(AdvisorState& state) {
  // A failed capture is not looked at: the converter then works on whatever
  // "x.bmp" holds.
  CaptureScreen(kCaptureFileName);
  LoadFrame(state.raster);
}

}  // namespace

void StartAdvisor(AdvisorState& state) {
  FetchNextFrame(state);
  ResetConsole(true);
  const Raster& raster = state.raster;
  // Located once and kept for the whole run. A screen still dark at start-up
  // (the game not shown yet) costs this search milliseconds where the plain
  // scan it matches takes seconds.
  LocateField(raster.pixels, raster.height, raster.width, state.field.left, state.field.top,
              state.field.width);
  PrintFieldReport(state.field);
}

void RunFramePass(AdvisorState& state) {
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
