// The advisor's start-up and its endless frame cycle.
#ifndef BOTTLEWATCH_APP_FRAME_CYCLE_H_
#define BOTTLEWATCH_APP_FRAME_CYCLE_H_

#include <cstdint>
#include <vector>

#include "capture/raster/frame_loader.h"
#include "vision/board.h"

// The passes that look for a better field before the field is kept, counted
// from the frame in which a field is first found. A count of passes rather
// than a time, so that what is printed depends only on the frames. Ten
// seconds at the 60 frames a second measured against screen-sim (4 steps a
// second) on an idle machine, more on a busy one: its falling vitamin has left
// the bottle's top rows within three seconds of 99% of starts, and in its
// default game landed halves kept those rows covered for at most nine seconds
// in thirteen minutes of play. Longer buys little, since halves landed high
// can stay until the level ends, and gives a screen between levels more time
// to be taken for a wider field. Passes skipped while the screen stands still
// count as the display frames they lasted, so the search keeps its length in
// time.
constexpr int32_t kFieldSearchPasses = 600;

// How much narrower than the widest field seen a field may be and still be
// taken. A game scaled up 2x with smoothing blurs the bottle's walls: in about
// a tenth of the frames of recorded screen-sim games so scaled, the widest
// dark area measures 2 pixels wider than the bottle and starts lower, while
// the true field is the highest of those near the widest. Unscaled, the same
// games showed no field 1 or 2 pixels narrower than the widest, so there the
// choice is the widest, as with no slack.
constexpr int32_t kFieldWidthSlack = 2;

// Everything that lives longer than one pass. The grids start as bytes that
// are no cell code, so the first comparison sees every cell as changed.
struct AdvisorState {
  Raster raster;
  FieldRect field;  // in use; width 0 while no field has been found
  uint8_t current[kBoardCells] = {};
  uint8_t previous[kBoardCells] = {};
  VitaminPosition position;
  uint8_t lastResult = 0;
  // Searching passes since the frame in which a field was first found; stops
  // at kFieldSearchPasses.
  int32_t fieldSearchPassesRun = 0;
  // The fields seen so far at the widest width and at each of the
  // kFieldWidthSlack widths below it (index: widest width - width), at each
  // width the earliest in scan order; width 0 where none was seen.
  FieldRect nearWidest[kFieldWidthSlack + 1];
  // Whether the last conversion was of a capture identical to the one before
  // it and gave back the raster in hand: the converter repeats itself, so a
  // capture still identical needs neither it nor a pass.
  bool converterRepeats = false;
  std::vector<uint32_t> rasterBefore;  // for that comparison; sized once
};

// Captures and loads the first frame, blanks the console, locates the field
// and prints the field report. When there is no field, says once on the error
// stream that it waits for the game.
void StartAdvisor(AdvisorState& state);

// One pass. While no field has been found, and in the kFieldSearchPasses
// passes after the frame that found one, it first locates the field in its
// frame and chooses among the fields seen: of those at most kFieldWidthSlack
// narrower than the widest, the highest, then the leftmost, then the widest.
// When that choice differs from the field in use it replaces it: the console
// is blanked, the field report printed again, both grids are sampled from this
// frame and the pass reports no change. Otherwise it samples and compares the
// boards and prints what changed. Then it captures and loads the next frame. A capture identical to
// the one the raster came from is converted again only after the screen has stayed still for a
// moment, and not at all once the converter has repeated itself on it: it then waits for the screen
// to change, since the same raster would come back and a pass over it prints nothing and changes
// nothing.
void RunFramePass(AdvisorState& state);

#endif  // BOTTLEWATCH_APP_FRAME_CYCLE_H_
