// Where a game's cells lie: the field's eighths, or bricks a pitch apart with
// gaps between them and rows that start below the field's top, measured from
// the dark field's height and the empty columns and rows of the gaps.
#include <algorithm>
#include <cstdlib>
#include <vector>

#include "vision/bottle_check.h"
#include "vision/game_look.h"

namespace {

// A pixel within this of the inside colour on every channel is the inside: a
// scaler's rounding or a JPEG-like shade of a game's dark grey stays ground.
constexpr int32_t kGroundTolerance = 32;
// Black, or nearly: a sprite's eyes or dark half, never a piece's colour.
constexpr int32_t kBlackChannel = 40;
// A floor row is light over this share of the field's columns (those beyond
// a rounded corner's reach); a row of pieces is never light (IsLight).
constexpr int32_t kFloorPercent = 90;
// The smallest brick side a gap may leave.
constexpr int32_t kSmallestBrick = 4;

int32_t Channel(uint32_t pixel, int shift) {
  return static_cast<int32_t>((pixel >> shift) & 0xFF);
}

// The first row below the field's cells that is light across it: the floor.
// A field of bricks with gaps and an offset first row is 2w + gap + offset
// tall; one of the field's eighths exactly 2w. -1 when none shows.
int32_t FloorRow(const uint32_t* raster, int32_t width, int32_t height, const FieldRect& field) {
  const int32_t reach = field.width / 12;
  const int32_t from = std::max(0, field.left + reach);
  const int32_t to = std::min(width, field.left + field.width - reach);
  if (to <= from) return -1;
  const int32_t first = std::max(field.top + 1, field.top + 2 * field.width - field.width / 8);
  const int32_t last = std::min(height - 1, field.top + 2 * field.width + field.width / 4 + 2);
  for (int32_t y = std::max(0, first); y <= last; ++y) {
    const uint32_t* row = raster + static_cast<int64_t>(y) * width;
    int32_t light = 0;
    for (int32_t x = from; x < to; ++x) light += IsLight(row[x]) ? 1 : 0;
    if (light * 100 >= (to - from) * kFloorPercent) return y;
  }
  return -1;
}

// What of the field is not ground, counted per column and per row over the
// rows [top, top + rows).
struct LitProfile {
  std::vector<int32_t> columns;
  std::vector<int32_t> rows;
};

LitProfile ProfileField(const uint32_t* raster, int32_t width, const FieldRect& field, int32_t rows,
                        uint32_t inside) {
  LitProfile lit;
  lit.columns.assign(static_cast<size_t>(field.width), 0);
  lit.rows.assign(static_cast<size_t>(rows), 0);
  for (int32_t y = 0; y < rows; ++y) {
    const uint32_t* row = raster + static_cast<int64_t>(field.top + y) * width + field.left;
    for (int32_t x = 0; x < field.width; ++x) {
      if (IsGround(row[x], inside)) continue;
      ++lit.columns[static_cast<size_t>(x)];
      ++lit.rows[static_cast<size_t>(y)];
    }
  }
  return lit;
}

bool AnyLit(const std::vector<int32_t>& counts, int32_t from, int32_t to) {
  for (int32_t i = std::max(0, from); i < std::min<int32_t>(to, counts.size()); ++i) {
    if (counts[static_cast<size_t>(i)] > 0) return true;
  }
  return false;
}

// How many of count bands [start + k * pitch, start + k * pitch + length)
// hold anything that is not ground.
int32_t LitBands(const std::vector<int32_t>& counts, int32_t start, int32_t pitch, int32_t length,
                 int32_t count) {
  int32_t lit = 0;
  for (int32_t k = 0; k < count; ++k) {
    lit += AnyLit(counts, start + k * pitch, start + k * pitch + length) ? 1 : 0;
  }
  return lit;
}

}  // namespace

bool IsGround(uint32_t pixel, uint32_t inside) {
  const int32_t red = Channel(pixel, 0);
  const int32_t green = Channel(pixel, 8);
  const int32_t blue = Channel(pixel, 16);
  if (red <= kBlackChannel && green <= kBlackChannel && blue <= kBlackChannel) return true;
  return std::abs(red - Channel(inside, 0)) <= kGroundTolerance &&
         std::abs(green - Channel(inside, 8)) <= kGroundTolerance &&
         std::abs(blue - Channel(inside, 16)) <= kGroundTolerance;
}

uint32_t InsideColour(const uint32_t* raster, int32_t width, int32_t height,
                      const FieldRect& field) {
  // The commonest colour of the field, on every other pixel of every other
  // row: most cells are empty at every stage of a game.
  std::vector<uint32_t> seen;
  const int32_t bottom = std::min(height, field.top + 2 * field.width);
  const int32_t right = std::min(width, field.left + field.width);
  for (int32_t y = std::max(0, field.top); y < bottom; y += 2) {
    for (int32_t x = std::max(0, field.left); x < right; x += 2) {
      seen.push_back(raster[static_cast<int64_t>(y) * width + x] & 0xFFFFFFu);
    }
  }
  if (seen.empty()) return 0;
  std::sort(seen.begin(), seen.end());
  uint32_t commonest = seen[0];
  size_t longest = 0;
  for (size_t start = 0, end; start < seen.size(); start = end) {
    end = start;
    while (end < seen.size() && seen[end] == seen[start]) ++end;
    if (end - start > longest) {
      longest = end - start;
      commonest = seen[start];
    }
  }
  return commonest;
}

CellGrid MeasureCellGrid(const uint32_t* raster, int32_t width, int32_t height,
                         const FieldRect& field, uint32_t inside, bool& settled) {
  settled = true;
  const int32_t w = field.width;
  const int32_t floor = FloorRow(raster, width, height, field);
  if (floor < 0 || field.left < 0 || field.left + w > width) return CellGrid{};
  const int32_t tall = floor - field.top;
  const LitProfile lit = ProfileField(raster, width, field, tall, inside);
  // Bricks of side s lying p apart fill the field's width exactly: 8s + 7g
  // with g = p - s, so s = w - 7p; they are 16s + 15g tall, and the rows to
  // spare lie above the first row (its offset) and below the last, where
  // some games leave a margin as deep as a pitch. The field's eighths (g = 0)
  // leave nothing to try; from p = w / 8 + 1 every pitch gives a gap.
  bool couldHaveGaps = false;
  for (int32_t pitch = w / 8 + 1; w - 7 * pitch >= kSmallestBrick; ++pitch) {
    const int32_t side = w - 7 * pitch;
    const int32_t gap = pitch - side;
    const int32_t spare = tall - 16 * side - 15 * gap;
    if (spare < 0 || spare > 3 * pitch) continue;
    couldHaveGaps = true;
    // Every gap between columns and between rows shows only the inside, and
    // the bricks beside them hold pieces in at least two columns: an empty
    // bottle has gaps of every width. No margin below is tried first.
    if (LitBands(lit.columns, side, pitch, gap, 7) != 0) continue;
    if (LitBands(lit.columns, 0, pitch, side, 8) < 2) continue;
    for (int32_t offset = std::min(spare, 2 * pitch); offset >= std::max(0, spare - pitch);
         --offset) {
      if (LitBands(lit.rows, offset + side, pitch, gap, 15) == 0) {
        return CellGrid{true, field.left, field.top + offset, pitch, side};
      }
    }
  }
  // Pieces in two of the field's eighths would have shown a grid with gaps,
  // had it been one: the eighths (or rows below the top) are settled.
  int32_t litEighths = 0;
  for (int32_t i = 0; i < 8; ++i) {
    litEighths += AnyLit(lit.columns, (i * w) / 8, ((i + 1) * w) / 8) ? 1 : 0;
  }
  settled = !couldHaveGaps || litEighths >= 2;
  // No gaps, but the rows start below the field's top: the field is taller
  // than 2w by more than a smoothed floor's blur.
  const int32_t offset = tall - 2 * w;
  if (w % 8 == 0 && offset > 1 + w / 96 && offset <= 2 * (w / 8)) {
    return CellGrid{true, field.left, field.top + offset, w / 8, w / 8};
  }
  return CellGrid{};
}
