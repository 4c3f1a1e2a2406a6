// The bottle check and the rise to a bottle's top, read off the pixels: walls,
// floor and inside in that order, then the rows above a field.
#include "vision/bottle_check.h"

#include <algorithm>

#include "vision/luminance.h"
#include "vision/piece_hue.h"

namespace {

// Rows of the walls and columns of the floor that must be bright. In the
// scene table (bench/field_search_scenes.cpp) 90 to 99 give the same result
// and 80 gets 60 more scenes wrong; 90 leaves room for a game that
// draws over its walls for a few rows.
constexpr int32_t kWallPercent = 90;

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

// A pale colour: every channel at least this. The game's bright pieces are
// saturated (a channel of 60 or less), a light border of any hue is not.
constexpr int32_t kPaleChannel = 128;

// A wall's few pixels: counting them all costs no more than stopping early.
bool AnyBrightInRow(const uint32_t* row, int32_t from, int32_t to) {
  return CountBright(row, from, to) > 0;
}

// How far a rounded border's corner reaches along the floor and the walls: a
// radius of two-thirds of a cell at most.
int32_t CornerReach(int32_t fieldWidth) {
  return fieldWidth / 12;
}

// Whether the row has a bright pixel where each wall of the field would be:
// from the bottle check's slack outside it to a rounded corner's reach
// inside it.
bool WallsBeside(const uint32_t* row, int32_t width, const FieldRect& field) {
  const int32_t slack = BottleEdgeSlack(field.width);
  const int32_t reach = CornerReach(field.width);
  const int32_t right = field.left + field.width;
  return AnyBrightInRow(row, std::max(0, field.left - slack), field.left + reach) &&
         AnyBrightInRow(row, std::max(0, right - reach), std::min(width, right + slack));
}

int32_t InsideStep(int32_t fieldWidth) {
  return std::max(1, fieldWidth / kInsideSamples);
}

// Light samples of one row across the field's columns, and how many were
// looked at.
void CountLight(const uint32_t* row, int32_t from, int32_t to, int32_t step, int32_t& looked,
                int32_t& light) {
  looked = 0;
  light = 0;
  for (int32_t c = from; c < to; c += step) {
    ++looked;
    light += IsLight(row[c]) ? 1 : 0;
  }
}

}  // namespace

int32_t BottleEdgeSlack(int32_t fieldWidth) {
  // In the scene table a slack of 1 misses 180 of the scaled games;
  // 2 + width / 48 to 2 + width / 12 give the same result, and this is their
  // middle.
  return 2 + fieldWidth / 24;
}

bool IsLight(uint32_t pixel) {
  if (!IsBright(pixel)) return false;
  const int32_t red = pixel & 0xFF, green = (pixel >> 8) & 0xFF, blue = (pixel >> 16) & 0xFF;
  if (std::min({red, green, blue}) >= kPaleChannel) return true;
  return PieceHue(red, green, blue) == kNoHue;
}

bool HasBrightWalls(const uint32_t* raster, int32_t height, int32_t width, const FieldRect& field) {
  const int32_t slack = BottleEdgeSlack(field.width);
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
  const int32_t slack = BottleEdgeSlack(field.width);
  const int32_t floor = field.top + 2 * field.width;
  // Cut by the screen's bottom edge: the floor may lie below it.
  if (floor + slack >= height) return true;
  // Not at its two ends: a rounded border's lower corners curve up from the
  // floor, and show what lies around the bottle.
  const int32_t corner = CornerReach(field.width);
  const int32_t left = field.left + corner;
  const int32_t right = std::min(width, field.left + field.width - corner);
  for (int32_t r = std::max(0, floor - slack); r <= floor + slack; ++r) {
    const uint32_t* row = raster + static_cast<int64_t>(r) * width;
    if (CountBright(row, left, right) * 100 >= (right - left) * kWallPercent) return true;
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
  const int32_t step = InsideStep(field.width);
  int32_t rows = 0;
  int32_t open = 0;
  for (int32_t r = field.top; r < bottom; r += step) {
    int32_t looked = 0;
    int32_t light = 0;
    CountLight(raster + static_cast<int64_t>(r) * width, field.left, right, step, looked, light);
    // A row shows the inside while its light pixels span less than a cell: a
    // piece's shine or a blurred edge leaves it so, but not a field wider than
    // the bottle, half on it and half on its light background.
    ++rows;
    if (light * kBoardColumns < looked) ++open;
  }
  return open * 100 >= rows * kInsidePercent;
}

bool LooksLikeBottle(const uint32_t* raster, int32_t height, int32_t width,
                     const FieldRect& field) {
  return field.width >= kSmallestBottle && HasBrightWalls(raster, height, width, field) &&
         HasBrightFloor(raster, height, width, field) &&
         ShowsDarkInside(raster, height, width, field);
}

bool LooksLikeWholeBottle(const uint32_t* raster, int32_t height, int32_t width,
                          const FieldRect& field) {
  const int64_t floorBand =
      int64_t{field.top} + 2 * int64_t{field.width} + BottleEdgeSlack(field.width);
  return floorBand < height && LooksLikeBottle(raster, height, width, field);
}

bool HasATop(const uint32_t* raster, int32_t width, const FieldRect& field) {
  if (field.top == 0) return true;
  const int32_t right = std::min(width, field.left + field.width);
  const int32_t above = BottleEdgeSlack(field.width) + 1;
  for (int32_t r = std::max(0, field.top - above); r < field.top; ++r) {
    const uint32_t* row = raster + static_cast<int64_t>(r) * width;
    if (2 * CountBright(row, field.left, right) >= right - field.left) return true;
  }
  return false;
}

FieldRect RiseToTop(const uint32_t* raster, int32_t height, int32_t width, const FieldRect& field) {
  FieldRect risen = field;
  const int32_t right = std::min(width, field.left + field.width);
  if (field.left < 0 || right <= field.left || field.top > height) return risen;
  const int32_t step = InsideStep(field.width);
  const int32_t highest = std::max(0, field.top - 2 * field.width);
  while (risen.top > highest) {
    const uint32_t* row = raster + static_cast<int64_t>(risen.top - 1) * width;
    int32_t looked = 0;
    int32_t light = 0;
    CountLight(row, field.left, right, step, looked, light);
    // Above an open neck the ground may be dark too: no walls there.
    if (4 * light >= looked || !WallsBeside(row, width, field)) break;
    --risen.top;
  }
  return risen;
}
