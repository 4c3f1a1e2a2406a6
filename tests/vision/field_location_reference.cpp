// The plain field search: every start pixel in the upper half that survives
// the shortcuts runs a growing dark probe.
#include "field_location_reference.h"

#include "vision/luminance.h"

namespace {

constexpr int kBrightLevel = 128;

bool IsBright(const uint32_t* raster, int32_t width, int32_t column, int32_t row) {
  return Luminance(raster[row * width + column]) >= kBrightLevel;
}

// Grows a probe from the dark pixel (column, row): at each step k the
// rectangle spans columns column..k and rows row..row + 3 * (k - column) / 8,
// cut off at the raster's last row. Returns the width k - column of the first
// rectangle that holds a bright pixel, or -1 when none up to the right edge
// does. Each step only looks at what the step added: the new column and,
// when the row count grew, the new bottom row.
int32_t ProbeWidth(const uint32_t* raster, int32_t height, int32_t width, int32_t column,
                   int32_t row) {
  int32_t bottom = row;
  for (int32_t k = column; k < width; ++k) {
    int32_t newBottom = row + (3 * (k - column)) / 8;
    if (newBottom > height - 1) newBottom = height - 1;
    for (int32_t y = bottom + 1; y <= newBottom; ++y) {
      for (int32_t x = column; x < k; ++x) {
        if (IsBright(raster, width, x, y)) return k - column;
      }
    }
    bottom = newBottom;
    for (int32_t y = row; y <= bottom; ++y) {
      if (IsBright(raster, width, k, y)) return k - column;
    }
  }
  return -1;
}

}  // namespace

void LocateFieldReference(const uint32_t* raster, int32_t height, int32_t width, int32_t& left,
                          int32_t& top, int32_t& fieldWidth) {
  // The outputs double as the search state: the column bound width -
  // fieldWidth and the exclusion zone are read from them at every step, so a
  // new best shortens the rest of the current row at once.
  left = 0;
  top = 0;
  fieldWidth = 0;
  for (int32_t row = 0; row < height / 2; ++row) {
    int32_t column = 0;
    while (column < width - fieldWidth) {
      // Starts inside the top of the best field so far are not probed again.
      // Dropping this test changes the winner on some images, since a start
      // there may measure wider than the field it lies in.
      const bool inExclusion = top <= row && row < top + (3 * fieldWidth) / 8 && left <= column &&
                               column < left + fieldWidth;
      if (inExclusion || IsBright(raster, width, column, row)) {
        ++column;
        continue;
      }
      // A dark run shorter than the best width cannot hold a wider field's
      // top row; skip to the pixel (or the bound) that ended it.
      int32_t run = 0;
      while (column + run < width - fieldWidth && !IsBright(raster, width, column + run, row)) {
        ++run;
      }
      if (run < fieldWidth) {
        column += run;
        continue;
      }
      // Strictly wider: among equal widths the earliest start in scan order
      // stays.
      const int32_t candidate = ProbeWidth(raster, height, width, column, row);
      if (candidate > fieldWidth) {
        left = column;
        top = row;
        fieldWidth = candidate;
      }
      ++column;
    }
  }
}
