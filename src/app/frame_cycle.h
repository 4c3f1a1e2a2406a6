// The advisor's start-up and its endless frame cycle.
#ifndef BOTTLEWATCH_APP_FRAME_CYCLE_H_
#define BOTTLEWATCH_APP_FRAME_CYCLE_H_

#include <cstdint>

#include "capture/frame_loader.h"
#include "vision/board.h"

// The first passes that look for a better field before sampling. A count of
// passes rather than a time, so that what is printed depends only on the
// frames. About nine seconds at the 43 frames a second measured against
// screen-sim: its falling vitamin has left the bottle's top rows within three
// seconds of nearly every start, and landed halves that reach those rows
// have gone again within nine seconds in its default game. Longer would also
// give a screen between levels more time to be taken for the bottle.
constexpr int32_t kFieldSearchPasses = 400;

// Everything that lives longer than one pass. The grids start as bytes that
// are no cell code, so the first comparison sees every cell as changed.
struct AdvisorState {
  Raster raster;
  FieldRect field;
  uint8_t current[kBoardCells] = {};
  uint8_t previous[kBoardCells] = {};
  VitaminPosition position;
  uint8_t lastResult = 0;
  int32_t fieldSearchPassesRun = 0;  // stops at kFieldSearchPasses
};

// Captures and loads the first frame, blanks the console, locates the field
// and prints the field report.
void StartAdvisor(AdvisorState& state);

// One pass. Among the first kFieldSearchPasses it first locates the field in
// its frame; a better one than in use (wider, or as wide and earlier in scan
// order) replaces it: the console is blanked, the field report printed again,
// both grids are sampled from this frame and the pass reports no change.
// Otherwise it samples and compares the boards and prints what changed. Then
// it captures and loads the next frame.
void RunFramePass(AdvisorState& state);

#endif  // BOTTLEWATCH_APP_FRAME_CYCLE_H_
