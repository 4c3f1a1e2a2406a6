// The advisor's start-up and its endless frame cycle.
#ifndef BOTTLEWATCH_APP_FRAME_CYCLE_H_
#define BOTTLEWATCH_APP_FRAME_CYCLE_H_

#include <cstdint>
#include <vector>

#include "app/field_search.h"
#include "app/watched_region.h"
#include "capture/raster/frame_loader.h"
#include "vision/board.h"
#include "vision/game_look.h"

// Everything that lives longer than one pass. The grids start as bytes that
// are no cell code, so the first comparison sees every cell as changed.
struct AdvisorState {
  Raster raster;
  Watch watch;         // the screen region the frames are captured from
  FieldSearch search;  // holds the field in use, in the watched raster's pixels
  // The field in use is cut by the screen's edge: it is kept, but not read.
  bool fieldCut = false;
  // The game's grid and palette, measured on the field in use when it was
  // taken (again on later frames while they show too little to settle it).
  GameLook look;
  uint8_t current[kBoardCells] = {};
  uint8_t previous[kBoardCells] = {};
  VitaminPosition position;
  uint8_t lastResult = 0;
  // Whether the last conversion was of a capture identical to the one before
  // it and gave back the raster in hand: the converter repeats itself, so a
  // capture still identical needs neither it nor a pass.
  bool converterRepeats = false;
  std::vector<uint32_t> rasterBefore;  // for that comparison; sized once
  // How many conversions in a row, made while no field was in use, gave back
  // the very pixels captured. From kFaithfulConversions on the converter is
  // taken to only convert: while waiting for the game a capture can be
  // searched as it is, and converted only once it shows a bottle.
  int32_t faithfulConversions = 0;
  std::vector<uint32_t> captured;    // the capture's pixels, for both
  int64_t lastWaitCheckMillis = -1;  // when a capture was last searched so
};

// Captures and loads the first frame (the screen's top-left 640 x 480),
// blanks the console, looks for the bottle there and, when none shows whole,
// over the whole screen, moving to the region around one found, and prints
// the field report, in screen pixels. When there is none, says once on the
// error stream that it waits for the game; for a bottle cut by the screen's
// edge, that its lower rows are out of view.
void StartAdvisor(AdvisorState& state);

// One pass. The field search (field_search.h) first looks at the frame. When
// it takes a new field that the frame shows whole, the console is blanked,
// the field report printed again, both grids are sampled from this frame and
// the pass reports no change. A field taken with rows below the watched
// region is watched from the region around it from the next frame on; one
// cut by the screen's edge is said once and never read. While no field is in
// use the whole screen is looked over now and then (watched_region.h). While the field in use is
// missing, or none is in use, the frame is not read. When the field is lost, it says so once on the
// error stream and prints nothing more until a bottle shows again. Otherwise it samples and
// compares the boards and prints what changed. Then it captures and loads the
// next frame. A capture identical to the one the raster came from is converted
// again only after the screen has stayed still for a moment, and not at all
// once the converter has repeated itself on it: it then waits for the screen
// to change, since the same raster would come back and a pass over it prints
// nothing and changes nothing. A missing field bounds that wait, so that a
// still screen without the bottle is found to have lost it. While no field is
// in use in the corner and the converter is known to give back what was
// captured, the capture is searched as it is, at most every
// kWaitCheckMillis, and converted only once it shows a bottle: the passes
// skipped so would have found nothing and printed nothing.
constexpr int kWaitCheckMillis = 250;
// Three, not one: a stand-in that hands over frames of its own may hand over
// one that happens to be the screen's picture (a black frame on a black
// screen), and never three in a row of changing captures.
constexpr int32_t kFaithfulConversions = 3;
void RunFramePass(AdvisorState& state);

#endif  // BOTTLEWATCH_APP_FRAME_CYCLE_H_
