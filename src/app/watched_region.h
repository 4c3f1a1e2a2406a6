// What is watched: the screen's top-left 640 x 480 while the game shows whole
// there, as it always was; otherwise the region around a bottle found by a
// look over the whole screen. The frame cycle asks these rules, in this
// order: where a taken field lies on the screen, whether it can be read,
// where to watch it from, and when to look over the whole screen.
#ifndef BOTTLEWATCH_APP_WATCHED_REGION_H_
#define BOTTLEWATCH_APP_WATCHED_REGION_H_

#include <cstdint>
#include <vector>

#include "capture/screen/screen_capture.h"
#include "vision/board.h"

// How often the whole screen may be looked over while no bottle is in use and
// the screen changes: a game shown anywhere is found within this and one look.
// A look on a 3840 x 2160 screen costs tens of milliseconds (bench
// BM_LookOverScreen_*), so this keeps a changing screen's looks to a small
// share of a core.
constexpr int kLookIntervalMillis = 750;

// The watch's account, kept by the frame cycle for the life of the process.
struct Watch {
  ScreenRegion region = kCornerRegion;  // captured every frame
  // Whether the whole screen can be read at all (the Wayland sources give
  // only their corner); learnt from the first look.
  bool canLook = true;
  bool drawnSinceLook = true;     // the screen may have changed since the last look
  int64_t lastLookMillis = -1;    // on the steady clock; -1 before the first
  bool cutSaid = false;           // the cut bottle's line was said, and no bottle read since
  std::vector<uint32_t> screen;   // the last look's pixels
  std::vector<uint32_t> scratch;  // FindBottle's copy of them
};

// Whether the screen's top-left 640 x 480 is what is watched.
bool WatchesCorner(const Watch& watch);

// A field of the watched raster as it lies on the screen.
FieldRect FieldOnScreen(const FieldRect& field, const ScreenRegion& watched);

// What a pass is to do with a field it has just taken.
enum class TakenField {
  kRead,  // all sixteen rows are in the watched picture: report and read it
  kMove,  // the screen holds it whole but the watched region does not, or it
          // starts on the region's first row and may go on above: watch `to`
  kCut,   // the screen's edge cuts its lower rows: read nothing from it
};

// Decides for a field taken in the watched raster (field on the screen, see
// FieldOnScreen), given the whole screen's extent. to gets the region to watch
// for kMove.
TakenField JudgeTakenField(const FieldRect& onScreen, const ScreenRegion& watched,
                           const ScreenRegion& screen, ScreenRegion& to);

// The region watched around a bottle (on the screen): its walls, a floor band
// below it, and a cell row above its top. Kept within screen. No larger than
// needed, since every pixel of it goes through the converter each changed
// frame.
ScreenRegion RegionAroundBottle(const FieldRect& onScreen, const ScreenRegion& screen);

// Whether a bottle (on the screen) shows whole within the 640 x 480 corner,
// where it is watched as it always was.
bool ShowsWholeInCorner(const FieldRect& onScreen);

// Whether a look over the whole screen is due now: none is in use, the
// corner is watched, the whole screen can be read, something may have been
// drawn since the last look, and kLookIntervalMillis have passed since it.
bool LookDue(const Watch& watch, int64_t nowMillis);

// Looks over the whole screen now. True, with to set, when a bottle shows
// that the corner does not hold whole: it is to be watched from there.
bool LookOverScreen(Watch& watch, int64_t nowMillis, ScreenRegion& to);

#endif  // BOTTLEWATCH_APP_WATCHED_REGION_H_
