// The choice of what is watched, in the order a bottle goes through it:
// looked for over the whole screen, judged when taken, watched from the
// corner or from a region around it.
#include "app/watched_region.h"

#include <algorithm>

#include "vision/bottle_check.h"
#include "vision/bottle_finding.h"

namespace {

// Beside and below the bottle: as far as the bottle check looks for walls and
// a floor, and one pixel more.
int32_t SideMargin(int32_t width) {
  return BottleEdgeSlack(width) + 1;
}

// Above the bottle: one cell row and two pixels, so that the row above its
// top shows. A top first seen lower than the true one (a vitamin over the top
// rows) puts the region into the bottle, and JudgeTakenField moves it up until
// the top shows: a larger margin would spare those frames, but every row of
// it goes through the converter in every changed frame of the game.
int32_t AboveMargin(int32_t width) {
  return width / 8 + 2;
}

int64_t Bottom(const ScreenRegion& region) {
  return int64_t{region.top} + region.height;
}

int64_t Right(const ScreenRegion& region) {
  return int64_t{region.left} + region.width;
}

bool SameRegion(const ScreenRegion& a, const ScreenRegion& b) {
  return a.left == b.left && a.top == b.top && a.width == b.width && a.height == b.height;
}

}  // namespace

bool WatchesCorner(const Watch& watch) {
  return SameRegion(watch.region, kCornerRegion);
}

FieldRect FieldOnScreen(const FieldRect& field, const ScreenRegion& watched) {
  if (field.width == 0) return field;
  return FieldRect{watched.left + field.left, watched.top + field.top, field.width};
}

TakenField JudgeTakenField(const FieldRect& onScreen, const ScreenRegion& watched,
                           const ScreenRegion& screen, ScreenRegion& to) {
  const int64_t floor = int64_t{onScreen.top} + 2 * int64_t{onScreen.width};
  if (floor > Bottom(screen)) return TakenField::kCut;
  // A field that starts on the region's first row may go on above it: the
  // region cut into the bottle, which was first seen lower than its top (a
  // vitamin over its top rows). Watched from higher up, its top shows.
  const bool topShows = onScreen.top > watched.top || watched.top <= screen.top;
  if (floor <= Bottom(watched) && topShows) return TakenField::kRead;
  to = RegionAroundBottle(onScreen, screen);
  // A region that cannot grow (the screen reports no more than it) holds no
  // more of it than the one watched.
  if (SameRegion(to, watched) || int64_t{to.top} + to.height < floor) return TakenField::kCut;
  return TakenField::kMove;
}

ScreenRegion RegionAroundBottle(const FieldRect& onScreen, const ScreenRegion& screen) {
  const int64_t side = SideMargin(onScreen.width);
  const int64_t left = std::max<int64_t>(screen.left, onScreen.left - side);
  const int64_t right =
      std::min<int64_t>(Right(screen), int64_t{onScreen.left} + onScreen.width + side);
  const int64_t top = std::max<int64_t>(screen.top, onScreen.top - AboveMargin(onScreen.width));
  const int64_t bottom =
      std::min<int64_t>(Bottom(screen), int64_t{onScreen.top} + 2 * int64_t{onScreen.width} + side);
  ScreenRegion region;
  region.left = static_cast<int32_t>(left);
  region.top = static_cast<int32_t>(top);
  region.width = static_cast<int32_t>(std::max<int64_t>(0, right - left));
  region.height = static_cast<int32_t>(std::max<int64_t>(0, bottom - top));
  return region;
}

bool ShowsWholeInCorner(const FieldRect& onScreen) {
  // LocateField needs a bright column right of the field within the picture.
  return onScreen.left >= 0 && onScreen.top >= 0 &&
         int64_t{onScreen.left} + onScreen.width < kCornerRegion.width &&
         int64_t{onScreen.top} + 2 * int64_t{onScreen.width} <= kCornerRegion.height;
}

bool LookDue(const Watch& watch, int64_t nowMillis) {
  return watch.canLook && watch.drawnSinceLook && WatchesCorner(watch) &&
         (watch.lastLookMillis < 0 || nowMillis - watch.lastLookMillis >= kLookIntervalMillis);
}

bool LookOverScreen(Watch& watch, int64_t nowMillis, ScreenRegion& to) {
  watch.lastLookMillis = nowMillis;
  watch.drawnSinceLook = false;
  const ScreenRegion screen = ScreenBounds();
  if (SameRegion(screen, kCornerRegion) || screen.width <= 0 || screen.height <= 0) {
    // The screen, or all of it that the source shows, is the corner, which
    // the frames themselves search: no look is ever worth it.
    watch.canLook = false;
    return false;
  }
  // A capture that fails (the screen resized under it) is tried again at the
  // next look.
  if (CaptureScreenPixels(screen, watch.screen) != 1) return false;
  FieldRect found;
  FindBottleOnScreen(watch.screen.data(), screen.height, screen.width, watch.scratch, found);
  if (found.width == 0) return false;
  const FieldRect onScreen = FieldOnScreen(found, screen);
  // The corner's own search takes a bottle that shows whole there, as ever.
  if (ShowsWholeInCorner(onScreen)) return false;
  to = RegionAroundBottle(onScreen, screen);
  return !SameRegion(to, watch.region);
}
