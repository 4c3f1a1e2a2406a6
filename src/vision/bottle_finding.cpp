// Finding the bottle: in a frame by LocateField's fields, over a whole screen
// by its rows of inside between light walls.
#include "vision/bottle_finding.h"

#include <algorithm>
#include <cstdlib>

#include "vision/bottle_check.h"
#include "vision/field_location.h"
#include "vision/luminance.h"

FieldRect RisenBottle(const uint32_t* raster, int32_t height, int32_t width, FieldCheck check,
                      const FieldRect& field) {
  if (field.width == 0) return FieldRect{};
  const FieldRect risen = RiseToTop(raster, height, width, field);
  if (risen.top == field.top || !check(raster, height, width, risen)) return FieldRect{};
  return risen;
}

void FindBottle(const uint32_t* raster, int32_t height, int32_t width, FieldCheck check,
                int32_t narrowest, std::vector<uint32_t>& scratch, FieldRect& found) {
  found = FieldRect{};
  if (width <= 0 || height <= 0) return;
  const uint32_t* frame = raster;
  for (int32_t tries = 0; tries < kMostCandidates; ++tries) {
    FieldRect field;
    LocateField(frame, height, width, field.left, field.top, field.width);
    if (field.width == 0 || field.width < narrowest) return;
    // Checked on the frame itself: the white painted into the copy would
    // make walls of its own.
    if (check(raster, height, width, field)) {
      found = field;
      return;
    }
    const FieldRect risen = RisenBottle(raster, height, width, check, field);
    if (risen.width != 0) {
      found = risen;
      return;
    }
    if (frame == raster) {
      scratch.assign(raster, raster + static_cast<int64_t>(width) * height);
      frame = scratch.data();
    }
    // The part LocateField proved dark, its top three eighths: the next look
    // cannot start there, so it finds the next dark area, or a lower part of
    // this one.
    const int32_t bottom = std::min(height, field.top + (3 * field.width) / 8 + 1);
    for (int32_t r = field.top; r < bottom; ++r) {
      uint32_t* row = scratch.data() + static_cast<int64_t>(r) * width;
      std::fill(row + field.left, row + field.left + field.width, 0xffffffffu);
    }
  }
}

namespace {

// ---- The look over a whole screen.

// Every fourth row is scanned for a bottle's row of inside: the smallest
// bottle is 96 rows tall, and its top three cell rows, at least, are inside
// from wall to wall.
constexpr int32_t kLookRowStep = 4;
// The widest bottle looked for: cell side 48, with room for blurred walls.
constexpr int32_t kWidestBottle = 8 * 48 + 16;

// Beside and below the bottle: as far as the bottle check looks for walls
// and a floor, and one pixel more.
int32_t SideMargin(int32_t width) {
  return BottleEdgeSlack(width) + 1;
}

// The run of inside through column middle of row, between two light pixels:
// false when middle is light or the run reaches the row's end.
bool RunThrough(const uint32_t* row, int32_t width, int32_t middle, int32_t& start, int32_t& run) {
  if (IsLight(row[middle])) return false;
  int32_t left = middle;
  while (left > 0 && !IsLight(row[left - 1])) --left;
  int32_t right = middle + 1;
  while (right < width && !IsLight(row[right])) ++right;
  start = left;
  run = right - left;
  return left > 0 && right < width;
}

// Whether row holds the same run of inside between light pixels as the one
// from start, give or take a blurred wall's pixel or two. The run is followed
// out from its middle.
bool SameRun(const uint32_t* row, int32_t width, int32_t start, int32_t run) {
  int32_t seenStart = 0;
  int32_t seenRun = 0;
  return RunThrough(row, width, start + run / 2, seenStart, seenRun) &&
         std::abs(seenStart - start) <= 2 && std::abs(seenRun - run) <= 4;
}

// The run's own field: its columns measured a cell row further down, below a
// rounded border's corners, which narrow the first rows by a pixel or two.
FieldRect FieldOfRun(const uint32_t* pixels, int32_t height, int32_t width, int32_t start,
                     int32_t run, int32_t row) {
  FieldRect field{start, row, run};
  const int32_t below = row + run / kBoardColumns;
  if (below >= height) return field;
  int32_t belowStart = 0;
  int32_t belowRun = 0;
  if (RunThrough(pixels + static_cast<int64_t>(below) * width, width, start + run / 2, belowStart,
                 belowRun) &&
      std::abs(belowStart - start) <= 2 && std::abs(belowRun - run) <= 4) {
    field.left = belowStart;
    field.width = belowRun;
  }
  return field;
}

// A bottle is inside from wall to wall all the way down, so the first scanned
// row of it is followed by two more with the same run. A dark patch of a
// photograph or a window seldom is, and each row let through costs a search
// of the part around it.
bool RunGoesOn(const uint32_t* pixels, int32_t height, int32_t width, int32_t start, int32_t run,
               int32_t row) {
  for (int32_t below = 1; below <= 2; ++below) {
    const int32_t r = row + below * kLookRowStep;
    if (r >= height || !SameRun(pixels + static_cast<int64_t>(r) * width, width, start, run)) {
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
  int32_t row;  // the run that led to it
  int32_t runStart;
  int32_t run;
  bool found;  // whether a bottle was found in it
};

// A bottle's rows give the same run, give or take a blurred wall: one search
// of the part around it answers for all of them. A search that found nothing
// answers only for the rows just below its own, whose tops its upper half
// held; a bottle may still start further down in those columns.
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
// given, which then ends a cell row below the row: a rounded border's corners
// keep LocateField from the bottle's full width down its first rows, and the
// field it measures below them rises to the top. Where the screen's bottom
// cuts the part, its top comes down by as much, so that its upper half still
// ends there.
Searched AreaAround(int32_t start, int32_t run, int32_t row, int32_t height, int32_t width) {
  const int32_t side = SideMargin(run);
  const int32_t reach = 2 * run + side + 1;
  const int32_t lastStart = std::min(height - 1, row + run / kBoardColumns);
  Searched area;
  area.left = std::max(0, start - side);
  area.right = std::min(width, start + run + side + 1);
  area.top = std::max(0, lastStart - reach);
  area.bottom = lastStart + reach + 2;
  if (area.bottom > height) {
    area.bottom = height;
    area.top = std::max(area.top, std::min(lastStart, 2 * lastStart - height + 2));
  }
  area.row = row;
  area.runStart = start;
  area.run = run;
  area.found = false;
  return area;
}

// FindBottle on a copy of the part, and its field on the screen.
void FindBottleIn(const uint32_t* pixels, int32_t height, int32_t width, const Searched& area,
                  std::vector<uint32_t>& scratch, FieldRect& found) {
  const int32_t partWidth = area.right - area.left;
  const int32_t partHeight = area.bottom - area.top;
  std::vector<uint32_t> part(static_cast<size_t>(partWidth) * partHeight);
  for (int32_t r = 0; r < partHeight; ++r) {
    const uint32_t* from = pixels + static_cast<int64_t>(area.top + r) * width + area.left;
    std::copy(from, from + partWidth, part.begin() + static_cast<int64_t>(r) * partWidth);
  }
  // The part's bottom edge is the screen's only where the screen cut it; a
  // field whose floor band runs past it elsewhere lies lower than a bottle.
  const FieldCheck check = area.bottom < height ? LooksLikeWholeBottle : LooksLikeBottle;
  FindBottle(part.data(), partHeight, partWidth, check, kSmallestBottle, scratch, found);
  if (found.width == 0) return;
  found.left += area.left;
  found.top += area.top;
}

// Whether the screen's bottom edge stands in for the field's floor.
bool FloorOffScreen(const FieldRect& field, int32_t height) {
  return int64_t{field.top} + 2 * int64_t{field.width} + SideMargin(field.width) > height;
}

// Wider first, then earlier in scan order.
bool Better(const FieldRect& a, const FieldRect& b) {
  if (a.width != b.width) return a.width > b.width;
  if (a.top != b.top) return a.top < b.top;
  return a.left < b.left;
}

// The bottle that the run at row leads to, at its top, or width 0.
FieldRect BottleOfRun(const uint32_t* pixels, int32_t height, int32_t width, int32_t start,
                      int32_t run, int32_t row, std::vector<uint32_t>& scratch,
                      std::vector<Searched>& searched) {
  Searched area = AreaAround(start, run, row, height, width);
  FieldRect part;
  FindBottleIn(pixels, height, width, area, scratch, part);
  // In play, pieces and viruses in every few rows leave LocateField nothing:
  // the run's own field is the bottle's, a few rows below its top at most.
  if (part.width == 0) {
    const FieldRect ofRun =
        RiseToTop(pixels, height, width, FieldOfRun(pixels, height, width, start, run, row));
    if (LooksLikeBottle(pixels, height, width, ofRun)) part = ofRun;
  } else {
    const FieldRect risen = RisenBottle(pixels, height, width, LooksLikeBottle, part);
    if (risen.width != 0) part = risen;
  }
  area.found = part.width != 0;
  searched.push_back(area);
  if (part.width != 0 && FloorOffScreen(part, height) && !HasATop(pixels, width, part)) {
    return FieldRect{};
  }
  return part;
}

}  // namespace

void FindBottleOnScreen(const uint32_t* pixels, int32_t height, int32_t width,
                        std::vector<uint32_t>& scratch, FieldRect& found) {
  found = FieldRect{};
  if (pixels == nullptr || width <= 0 || height <= 0) return;
  std::vector<Searched> searched;
  for (int32_t r = 0; r < height; r += kLookRowStep) {
    const uint32_t* row = pixels + static_cast<int64_t>(r) * width;
    for (int32_t c = 0; c < width;) {
      if (IsLight(row[c])) {
        ++c;
        continue;
      }
      const int32_t start = c;
      while (c < width && !IsLight(row[c])) ++c;
      // A bottle's row: inside between two light walls, as wide as a bottle.
      const int32_t run = c - start;
      if (start == 0 || c == width || run < kSmallestBottle || run > kWidestBottle) continue;
      if (AlreadySearched(searched, start, run, r)) continue;
      if (!RunGoesOn(pixels, height, width, start, run, r)) continue;
      // The first scanned row of a bottle lies within a few rows of its top,
      // which the bottle check's slack and share of walled rows allow for.
      if (!LooksLikeBottle(pixels, height, width, FieldRect{start, r, run})) continue;
      const FieldRect bottle = BottleOfRun(pixels, height, width, start, run, r, scratch, searched);
      if (bottle.width != 0 && (found.width == 0 || Better(bottle, found))) found = bottle;
    }
  }
}
