// The field search: which of the bottles the frames show is taken, which of
// those seen in the first passes is kept, whether it is still there in each
// pass, and when it counts as lost and is looked for again. What the pixels
// show (a bottle or not, where its top is) is the vision's
// (vision/bottle_check.h, vision/bottle_finding.h). The frame cycle calls
// SearchField once a pass; the rules read in that order below.
#ifndef BOTTLEWATCH_APP_FIELD_SEARCH_H_
#define BOTTLEWATCH_APP_FIELD_SEARCH_H_

#include <cstdint>
#include <vector>

#include "vision/board.h"
#include "vision/bottle_check.h"
#include "vision/bottle_finding.h"

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
// taken. A game scaled up with smoothing blurs the bottle's walls: in about
// a tenth of the frames of recorded screen-sim games scaled up 2x, the widest
// dark area measures 2 pixels wider than the bottle and starts lower, while
// the true field is the highest of those near the widest. The blur grows with
// the scale: smoothed at 4x the sharp top measures 4 pixels narrower than a
// field lower down, at 6x 8 (screen-sim --smooth), so the slack is a 48th of
// the widest width, and never under 2. Unscaled, the same games showed no
// field 1 or 2 pixels narrower than the widest, so there the choice is the
// widest, as with no slack.
constexpr int32_t kFieldWidthSlack = 2;
constexpr int32_t kMostFieldWidthSlack = 8;  // at the widest game, cell side 48
int32_t FieldWidthSlack(int32_t widest);

// How long the field in use may fail the bottle check before it counts as
// lost, in passes and display frames counted as the search window counts
// them: about a second. A pause screen, a menu or a notification that covers
// the bottle for less costs nothing; a window moved or closed is looked for
// again a second later.
constexpr int32_t kFieldLostPasses = 60;

// The same place and width.
bool SameField(const FieldRect& a, const FieldRect& b);

// The frame's bottle: LocateField's first field that passes check
// (FindBottle), or, where none does, the one the look over a screen finds by
// its rows (FindBottleOnScreen: a game in play whose pieces and viruses leave
// no three cell rows clear from wall to wall); width 0 when neither finds one
// at least narrowest wide. What a pass with no field in use takes.
void FindFrameBottle(const uint32_t* raster, int32_t height, int32_t width, FieldCheck check,
                     int32_t narrowest, std::vector<uint32_t>& scratch, FieldRect& found);

// The search's account, kept by the frame cycle for the life of the process.
struct FieldSearch {
  FieldRect field;  // in use; width 0 while none is
  // Searching passes since the frame in which the field in use was first
  // found; stops at kFieldSearchPasses.
  int32_t passesRun = 0;
  // The fields seen so far at the widest width and at each of the
  // FieldWidthSlack widths below it (index: widest width - width), at each
  // width the earliest in scan order; width 0 where none was seen.
  FieldRect nearWidest[kMostFieldWidthSlack + 1];
  // Passes and display frames since the field in use last passed the bottle
  // check.
  int32_t missingPasses = 0;
  std::vector<uint32_t> scratch;  // FindBottle's copy of the frame
  // Whether a field found rises to its top (RiseToTop) in the pass that finds
  // it, rather than on the search window's last pass: set where the frames
  // are not the screen's top-left 640 x 480.
  bool riseAtOnce = false;
  // Whether the frames end above the screen's bottom edge (a region around a
  // bottle): a field found must then show its floor in them
  // (LooksLikeWholeBottle), since their bottom edge cuts no bottle.
  bool floorInView = false;
};

// What a pass is to do with its frame.
enum class FieldStep {
  kRead,     // the bottle is where it was: read the board
  kChanged,  // a new field is in use: report it, read both grids afresh
  kMissing,  // the field in use fails the check: read nothing this pass
  kLost,     // it has failed for kFieldLostPasses: say so; the field is now 0
  kNone,     // no field in use and none found
};

// One pass's field search over its frame. While no field is in use it looks
// for one in every pass; in the kFieldSearchPasses passes after it finds one
// it looks again and chooses among the fields seen (of those at most
// FieldWidthSlack narrower than the widest, the highest, then the leftmost,
// then the widest); after that the field is kept. In every pass with a field
// in use it checks that the field still looks like the bottle, and after
// kFieldLostPasses of failures gives it up and starts over as at start-up.
FieldStep SearchField(FieldSearch& search, const uint32_t* raster, int32_t height, int32_t width);

// Counts frames that passed without a pass (a still screen waited for) into
// the search window and into a missing field's account.
void CountFieldFrames(FieldSearch& search, int64_t frames);

// While the field in use fails the check: the frames left before it counts as
// lost, so that a still screen is not waited on past that. -1 otherwise.
int32_t FramesUntilLost(const FieldSearch& search);

#endif  // BOTTLEWATCH_APP_FIELD_SEARCH_H_
