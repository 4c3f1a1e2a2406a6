// The advisor's start-up and its endless frame cycle.
#ifndef BOTTLEWATCH_APP_FRAME_CYCLE_H_
#define BOTTLEWATCH_APP_FRAME_CYCLE_H_

#include <cstdint>

#include "capture/frame_loader.h"
#include "vision/board.h"

// Everything that lives longer than one pass. The grids start as bytes that
// are no cell code, so the first comparison sees every cell as changed.
struct AdvisorState {
  Raster raster;
  FieldRect field;
  uint8_t current[kBoardCells] = {};
  uint8_t previous[kBoardCells] = {};
  VitaminPosition position;
  uint8_t lastResult = 0;
};

// Captures and loads the first frame, blanks the console, locates the field
// and prints the field report.
void StartAdvisor(AdvisorState& state);

// One pass: samples and compares the boards, prints what changed, then
// captures and loads the next frame.
void RunFramePass(AdvisorState& state);

#endif  // BOTTLEWATCH_APP_FRAME_CYCLE_H_
