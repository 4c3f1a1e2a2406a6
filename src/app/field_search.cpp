// The field search, in the order a field goes through it: found by
// LocateField, confirmed as the bottle, chosen among those of the first
// passes, kept while it stays, lost when it goes.
#include "app/field_search.h"

#include <algorithm>
#include <utility>

#include "vision/field_location.h"
#include "vision/luminance.h"

namespace {

// LocateField's own line between dark and bright.
constexpr int kBrightLevel = 128;
// Rows of the walls and columns of the floor that must be bright. In the
// scene table (bench/field_search_scenes.cpp) 90 to 99 give the same result
// and 80 gets 60 more scenes wrong; 90 leaves room for a game that
// draws over its walls for a few rows.
constexpr int32_t kWallPercent = 90;

bool IsBright(uint32_t pixel) {
  return Luminance(pixel) >= kBrightLevel;
}

// How far outside the field its walls and floor may start. A bottle drawn
// with a dim outline, and above all a game scaled with smoothing, moves the
// first bright pixel a few pixels away from the field's edge. In the scene
// table a slack of 1 misses 180 of the scaled games; 2 + width / 48 to
// 2 + width / 12 give the same result, and this is their middle.
int32_t EdgeSlack(int32_t fieldWidth) {
  return 2 + fieldWidth / 24;
}

// Shows as a light screen, not as the bottle's inside: bright, and not of a
// piece's hue. The hues are the cell reader's own (one channel pair more than
// 1.5 times the third), so that bright halves, which it reads as pieces,
// never count; a grey, white or pale window or desktop does.
bool IsPlainBright(uint32_t pixel) {
  if (!IsBright(pixel)) return false;
  const int32_t red = pixel & 0xFF, green = (pixel >> 8) & 0xFF, blue = (pixel >> 16) & 0xFF;
  auto dominates = [](int32_t a, int32_t b) { return 2 * a > 3 * b; };
  const bool redHue = dominates(red, green) && dominates(red, blue);
  const bool yellowHue = dominates(red, blue) && dominates(green, blue);
  const bool blueHue = dominates(green, red) && dominates(blue, red);
  return !(redHue || yellowHue || blueHue);
}

// The inside is looked at on a grid of about kInsideSamples columns and
// twice as many rows, whatever the field's width, so that the check costs the
// same at every cell side (6 to 48) and a cell (an eighth of the width) always
// holds about four samples a side.
constexpr int32_t kInsideSamples = 32;
// The share of the field's 2w rows that must show the inside. A vitamin in
// the top rows places a field three cells too low while the search starts
// (13 of its 16 cell rows then lie in the bottle, 81 %), and it must still
// pass; a dark dialog over the walls, shorter than one and a half times its
// width, must not. In the scene table 75 and 90 give the same result and 50
// gets 532 more scenes wrong.
constexpr int32_t kInsidePercent = 75;

bool AnyBrightInRow(const uint32_t* row, int32_t from, int32_t to) {
  for (int32_t c = from; c < to; ++c) {
    if (IsBright(row[c])) return true;
  }
  return false;
}

// ---- Confirmed: does the field look like the bottle?

bool WideEnough(const FieldRect& field) {
  return field.width >= kSmallestBottle;
}

}  // namespace

bool HasBrightWalls(const uint32_t* raster, int32_t height, int32_t width, const FieldRect& field) {
  const int32_t slack = EdgeSlack(field.width);
  // The screen's left edge is no wall: a desktop's dark panel there is
  // bounded by nothing.
  if (field.left < 1) return false;
  const int32_t leftFrom = std::max(0, field.left - slack);
  const int32_t rightFrom = field.left + field.width;
  const int32_t rightTo = std::min(width, rightFrom + slack);
  const int32_t bottom = std::min(height, field.top + 2 * field.width);
  if (rightFrom >= width || bottom <= field.top) return false;
  int32_t walled = 0;
  for (int32_t r = field.top; r < bottom; ++r) {
    const uint32_t* row = raster + static_cast<int64_t>(r) * width;
    if (AnyBrightInRow(row, leftFrom, field.left) && AnyBrightInRow(row, rightFrom, rightTo)) {
      ++walled;
    }
  }
  return walled * 100 >= (bottom - field.top) * kWallPercent;
}

bool HasBrightFloor(const uint32_t* raster, int32_t height, int32_t width, const FieldRect& field) {
  const int32_t slack = EdgeSlack(field.width);
  const int32_t floor = field.top + 2 * field.width;
  // Cut by the screen's bottom edge: the floor may lie below it.
  if (floor + slack >= height) return true;
  const int32_t right = std::min(width, field.left + field.width);
  for (int32_t r = std::max(0, floor - slack); r <= floor + slack; ++r) {
    const uint32_t* row = raster + static_cast<int64_t>(r) * width;
    int32_t bright = 0;
    for (int32_t c = field.left; c < right; ++c) bright += IsBright(row[c]) ? 1 : 0;
    if (bright * 100 >= (right - field.left) * kWallPercent) return true;
  }
  return false;
}

bool ShowsDarkInside(const uint32_t* raster, int32_t height, int32_t width,
                     const FieldRect& field) {
  // Clamped to the raster: a bottle cut by the screen's bottom edge shows the
  // rows it has.
  const int32_t bottom = std::min(height, field.top + 2 * field.width);
  const int32_t right = std::min(width, field.left + field.width);
  if (field.left < 0 || field.top < 0 || bottom <= field.top || right <= field.left) return false;
  const int32_t step = std::max(1, field.width / kInsideSamples);
  int32_t rows = 0;
  int32_t open = 0;
  for (int32_t r = field.top; r < bottom; r += step) {
    const uint32_t* row = raster + static_cast<int64_t>(r) * width;
    int32_t looked = 0;
    int32_t plain = 0;
    for (int32_t c = field.left; c < right; c += step) {
      ++looked;
      plain += IsPlainBright(row[c]) ? 1 : 0;
    }
    // A row shows the inside while its plain bright pixels span less than a
    // cell: a piece's shine or a blurred edge leaves it so, but not a field
    // wider than the bottle, half on it and half on its light background.
    ++rows;
    if (plain * kBoardColumns < looked) ++open;
  }
  return open * 100 >= rows * kInsidePercent;
}

bool LooksLikeBottle(const uint32_t* raster, int32_t height, int32_t width,
                     const FieldRect& field) {
  return WideEnough(field) && HasBrightWalls(raster, height, width, field) &&
         HasBrightFloor(raster, height, width, field) &&
         ShowsDarkInside(raster, height, width, field);
}

// ---- Found: LocateField's fields, widest first, until one passes.

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

// ---- Chosen: among the bottles of the first passes.

// Scan order, LocateField's order among fields of equal width.
bool EarlierInScan(const FieldRect& a, const FieldRect& b) {
  if (a.top != b.top) return a.top < b.top;
  return a.left < b.left;
}

bool SameField(const FieldRect& a, const FieldRect& b) {
  return a.left == b.left && a.top == b.top && a.width == b.width;
}

}  // namespace

int32_t FieldWidthSlack(int32_t widest) {
  return std::min(kMostFieldWidthSlack, std::max(kFieldWidthSlack, widest / 48));
}

namespace {

// Adds a frame's field to those kept near the widest. A new widest moves the
// kept ones down by the difference, and those it pushes past the slack drop.
void NoteField(FieldRect (&nearWidest)[kMostFieldWidthSlack + 1], const FieldRect& found) {
  if (found.width == 0) return;
  const int32_t widest = nearWidest[0].width;
  if (found.width > widest) {
    const int32_t shift = found.width - widest;
    for (int32_t i = kMostFieldWidthSlack; i > 0; --i) {
      nearWidest[i] = i >= shift ? nearWidest[i - shift] : FieldRect{};
    }
    nearWidest[0] = found;
    return;
  }
  const int32_t below = widest - found.width;
  if (below > FieldWidthSlack(widest)) return;
  FieldRect& kept = nearWidest[below];
  if (kept.width == 0 || EarlierInScan(found, kept)) kept = found;
}

// The highest field near the widest, then the leftmost, then the widest. A
// vitamin or a landed half in the bottle's top rows hides its true top-left
// corner, so a start at such a moment finds a field of the same width lower
// down; a blurred wall makes one a pixel or two wider and lower. A frame that
// shows the top rows clear and sharp gives the true one, and it is the
// highest. A bottle clearly wider (a screen between levels) still wins.
FieldRect ChooseField(const FieldRect (&nearWidest)[kMostFieldWidthSlack + 1]) {
  FieldRect chosen = nearWidest[0];
  for (int32_t i = 1; i <= FieldWidthSlack(nearWidest[0].width); ++i) {
    if (nearWidest[i].width > 0 && EarlierInScan(nearWidest[i], chosen)) chosen = nearWidest[i];
  }
  return chosen;
}

// Whether this pass looks for the field: every pass while none is in use (the
// game not on the screen yet, or lost, however long that lasts), then the
// first kFieldSearchPasses after one is found. After those the field is kept
// while it stays, so that a later screen (between levels, say) cannot move it.
bool StillSearching(const FieldSearch& search) {
  return search.field.width == 0 || search.passesRun < kFieldSearchPasses;
}

void CountSearchPasses(FieldSearch& search, int64_t passes) {
  if (search.field.width == 0) return;
  search.passesRun =
      static_cast<int32_t>(std::min<int64_t>(kFieldSearchPasses, search.passesRun + passes));
}

}  // namespace

FieldStep SearchField(FieldSearch& search, const uint32_t* raster, int32_t height, int32_t width) {
  const bool inUse = search.field.width != 0;
  const bool there = inUse && LooksLikeBottle(raster, height, width, search.field);
  if (StillSearching(search)) {
    // The frame that first finds a field is not counted, as the start-up
    // frame is not.
    CountSearchPasses(search, 1);
    // While the field in use is covered, nothing replaces it: a dark menu or
    // pause panel over the bottle and its walls can look like a wider bottle.
    // It comes back, or is lost and looked for afresh.
    if (!inUse || there) {
      // Only a field that the choice below could take is worth the looks.
      const int32_t narrowest =
          std::max(kSmallestBottle,
                   search.nearWidest[0].width - FieldWidthSlack(search.nearWidest[0].width));
      FieldRect found;
      FindBottle(raster, height, width, LooksLikeBottle, narrowest, search.scratch, found);
      NoteField(search.nearWidest, found);
      const FieldRect chosen = ChooseField(search.nearWidest);
      if (!SameField(chosen, search.field)) {
        search.field = chosen;
        search.missingPasses = 0;
        return FieldStep::kChanged;
      }
    }
  }
  if (!inUse) return FieldStep::kNone;

  // ---- Kept while it stays; lost when it has been gone a second.
  if (there) {
    search.missingPasses = 0;
    return FieldStep::kRead;
  }
  ++search.missingPasses;
  if (search.missingPasses < kFieldLostPasses) return FieldStep::kMissing;
  // Everything starts over as at start-up: the next bottle may be anywhere,
  // of any width, and its first frames may hide its top rows again.
  std::vector<uint32_t> scratch = std::move(search.scratch);
  search = FieldSearch{};
  search.scratch = std::move(scratch);
  return FieldStep::kLost;
}

void CountFieldFrames(FieldSearch& search, int64_t frames) {
  CountSearchPasses(search, frames);
  if (search.missingPasses > 0) {
    search.missingPasses =
        static_cast<int32_t>(std::min<int64_t>(kFieldLostPasses, search.missingPasses + frames));
  }
}

int32_t FramesUntilLost(const FieldSearch& search) {
  if (search.missingPasses == 0) return -1;
  return std::max(0, kFieldLostPasses - search.missingPasses);
}
