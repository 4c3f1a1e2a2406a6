// The choice of what is watched, in the order a bottle goes through it:
// looked for over the whole screen, judged when taken, watched from the
// corner or from a region around it.
#include "app/watched_region.h"

#include <algorithm>
#include <cstdlib>

#include "app/field_search.h"
#include "vision/luminance.h"

namespace {

// Beside and below the bottle: as far as the bottle check looks for walls and
// a floor (2 + width / 24 pixels out), and one pixel more.
int32_t SideMargin(int32_t width) {
  return 3 + width / 24;
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

// Wider first, then earlier in scan order.
bool Better(const FieldRect& a, const FieldRect& b) {
  if (a.width != b.width) return a.width > b.width;
  if (a.top != b.top) return a.top < b.top;
  return a.left < b.left;
}

// ---- The look over the whole screen.

// Every fourth row is scanned for a bottle's dark row: the smallest bottle
// is 96 rows tall, and at least its top three cell rows are dark from wall
// to wall (the rows LocateField measures it by).
constexpr int32_t kLookRowStep = 4;
// The widest bottle looked for: cell side 48, with room for blurred walls.
constexpr int32_t kWidestBottle = 8 * 48 + 16;

bool IsBright(uint32_t pixel) {
  return Luminance(pixel) >= 128;
}

// Whether row holds the same dark run between bright pixels as the one from
// start, give or take a blurred wall's pixel or two. The run is followed out
// from its middle.
bool SameDarkRun(const uint32_t* row, int32_t width, int32_t start, int32_t run) {
  const int32_t middle = start + run / 2;
  if (IsBright(row[middle])) return false;
  int32_t left = middle;
  while (left > 0 && !IsBright(row[left - 1])) --left;
  int32_t right = middle + 1;
  while (right < width && !IsBright(row[right])) ++right;
  return left > 0 && right < width && std::abs(left - start) <= 2 &&
         std::abs((right - left) - run) <= 4;
}

// A bottle is dark from wall to wall down at least its top three cell rows
// (15 rows for the smallest), so the first scanned row of it is followed by
// two more with the same run. A dark patch of a photograph or a window
// seldom is, and each row let through costs a search of the part around it.
bool DarkRunGoesOn(const uint32_t* pixels, int32_t height, int32_t width, int32_t start,
                   int32_t run, int32_t row) {
  for (int32_t below = 1; below <= 2; ++below) {
    const int32_t r = row + below * kLookRowStep;
    if (r >= height || !SameDarkRun(pixels + static_cast<int64_t>(r) * width, width, start, run)) {
      return false;
    }
  }
  return true;
}

// A part of the screen searched as if it were the whole frame.
struct Searched {
  int32_t left;
  int32_t top;
  int32_t right;
  int32_t bottom;
  int32_t row;  // the dark run that led to it
  int32_t runStart;
  int32_t run;
  bool found;  // whether a bottle was found in it
};

// A bottle's rows give the same dark run, give or take a blurred wall: one
// search of the part around it answers for all of them. A search that found
// nothing answers only for the rows just below its own, whose tops its
// upper half held; a bottle may still start further down in those columns.
bool AlreadySearched(const std::vector<Searched>& searched, int32_t start, int32_t run,
                     int32_t row) {
  for (const Searched& s : searched) {
    const int32_t answersTo = s.found ? s.bottom : s.row + SideMargin(s.run) + 3;
    if (std::abs(s.runStart - start) <= 2 && std::abs(s.run - run) <= 4 && row >= s.top &&
        row < answersTo) {
      return true;
    }
  }
  return false;
}

// The part that holds every bottle of about this width whose top the row may
// be: its walls beside it, and two widths with the floor band above and below
// the row. LocateField starts fields only in the upper half of what it is
// given, which then ends on the row. Where the screen's bottom cuts the part,
// its top comes down by as much, so that its upper half still ends there.
Searched AreaAround(int32_t start, int32_t run, int32_t row, int32_t height, int32_t width) {
  const int32_t side = SideMargin(run);
  const int32_t reach = 2 * run + side + 1;
  Searched area;
  area.left = std::max(0, start - side);
  area.right = std::min(width, start + run + side + 1);
  area.top = std::max(0, row - reach);
  area.bottom = row + reach + 2;
  if (area.bottom > height) {
    area.bottom = height;
    area.top = std::max(area.top, std::min(row, 2 * row - height + 2));
  }
  area.row = row;
  area.runStart = start;
  area.run = run;
  area.found = false;
  return area;
}

// FindBottle on a copy of the part, and its field on the screen.
void FindBottleIn(const uint32_t* pixels, int32_t width, const Searched& area,
                  std::vector<uint32_t>& scratch, FieldRect& found) {
  const int32_t partWidth = area.right - area.left;
  const int32_t partHeight = area.bottom - area.top;
  std::vector<uint32_t> part(static_cast<size_t>(partWidth) * partHeight);
  for (int32_t r = 0; r < partHeight; ++r) {
    const uint32_t* from = pixels + static_cast<int64_t>(area.top + r) * width + area.left;
    std::copy(from, from + partWidth, part.begin() + static_cast<int64_t>(r) * partWidth);
  }
  FindBottle(part.data(), partHeight, partWidth, LooksLikeBottle, kSmallestBottle, scratch, found);
  if (found.width == 0) return;
  found.left += area.left;
  found.top += area.top;
}

// Whether the field has a top: bright across at least half its width in one
// of the few rows above it, or the screen's top edge. The bottle check takes
// the screen's bottom edge for a floor, so a dark strip that runs off the
// bottom of the screen between two light windows passes it; a bottle that the
// edge cuts still shows its top, and the strip does not.
bool HasATop(const uint32_t* pixels, int32_t width, const FieldRect& field) {
  if (field.top == 0) return true;
  const int32_t right = std::min(width, field.left + field.width);
  for (int32_t r = std::max(0, field.top - SideMargin(field.width)); r < field.top; ++r) {
    const uint32_t* row = pixels + static_cast<int64_t>(r) * width;
    int32_t bright = 0;
    for (int32_t c = field.left; c < right; ++c) bright += IsBright(row[c]) ? 1 : 0;
    if (2 * bright >= right - field.left) return true;
  }
  return false;
}

// Whether the screen's bottom edge stands in for the field's floor.
bool FloorOffScreen(const FieldRect& field, int32_t height) {
  return int64_t{field.top} + 2 * int64_t{field.width} + SideMargin(field.width) > height;
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

void FindBottleOnScreen(const uint32_t* pixels, int32_t height, int32_t width,
                        std::vector<uint32_t>& scratch, FieldRect& found) {
  found = FieldRect{};
  if (pixels == nullptr || width <= 0 || height <= 0) return;
  std::vector<Searched> searched;
  for (int32_t r = 0; r < height; r += kLookRowStep) {
    const uint32_t* row = pixels + static_cast<int64_t>(r) * width;
    for (int32_t c = 0; c < width;) {
      if (IsBright(row[c])) {
        ++c;
        continue;
      }
      const int32_t start = c;
      while (c < width && !IsBright(row[c])) ++c;
      // A bottle's row: dark between two bright walls, as wide as a bottle.
      const int32_t run = c - start;
      if (start == 0 || c == width || run < kSmallestBottle || run > kWidestBottle) continue;
      if (AlreadySearched(searched, start, run, r)) continue;
      if (!DarkRunGoesOn(pixels, height, width, start, run, r)) continue;
      // The first scanned row of a bottle lies within a few rows of its top,
      // which the bottle check's slack and share of walled rows allow for.
      if (!LooksLikeBottle(pixels, height, width, FieldRect{start, r, run})) continue;
      Searched area = AreaAround(start, run, r, height, width);
      FieldRect part;
      FindBottleIn(pixels, width, area, scratch, part);
      area.found = part.width != 0;
      searched.push_back(area);
      if (part.width != 0 && FloorOffScreen(part, height) && !HasATop(pixels, width, part)) {
        continue;
      }
      if (part.width != 0 && (found.width == 0 || Better(part, found))) found = part;
    }
  }
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
