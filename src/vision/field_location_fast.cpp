// The fast field search: the same scan as LocateField, with each row's
// brightness facts precomputed and the probes of one row sharing their work.
#include <algorithm>
#include <vector>

#include "vision/field_location.h"
#include "vision/luminance.h"

namespace {

constexpr int kBrightLevel = 128;

bool IsBright(const uint32_t* raster, int32_t width, int32_t column, int32_t row) {
  return Luminance(raster[row * width + column]) >= kBrightLevel;
}

// Per-row scratch, each array one entry per image column.
//   firstBrightBelow[c]: the first bright row at or below the current start
//     row in column c, or height when the column has none left.
//   nextBrightRight[c]: the first bright column at or right of c in the
//     current start row, or width.
//   window: a monotone queue of columns for the running minimum of
//     firstBrightBelow over the probe's columns.
struct RowScratch {
  std::vector<int32_t> firstBrightBelow;
  std::vector<int32_t> nextBrightRight;
  std::vector<int32_t> window;
};

// Moves firstBrightBelow from row - 1 to row. A column is rescanned only when
// its bright pixel was on the row just left behind, so each pixel is looked at
// once over the whole search.
void AdvanceFirstBrightBelow(const uint32_t* raster, int32_t height, int32_t width, int32_t row,
                             std::vector<int32_t>& firstBrightBelow) {
  for (int32_t c = 0; c < width; ++c) {
    int32_t y = firstBrightBelow[c];
    if (y >= row) continue;
    y = row;
    while (y < height && !IsBright(raster, width, c, y)) ++y;
    firstBrightBelow[c] = y;
  }
}

void FillNextBrightRight(int32_t width, int32_t row, const std::vector<int32_t>& firstBrightBelow,
                         std::vector<int32_t>& nextBrightRight) {
  int32_t next = width;
  for (int32_t c = width - 1; c >= 0; --c) {
    if (firstBrightBelow[c] == row) next = c;
    nextBrightRight[c] = next;
  }
}

// The probes of one start row. A probe from a later start column lies inside
// the probe from an earlier one at each step (one column fewer, at most as
// many rows), so the column where a probe ends never moves left as the start
// moves right. Each probe therefore resumes at the column where the last one
// ended, and once a probe has run to the right edge without meeting a bright
// pixel, no later probe in the row can meet one.
struct RowProbes {
  int32_t row = 0;
  int32_t head = 0;  // the window queue is scratch.window[head, tail)
  int32_t tail = 0;
  int32_t lastPushed = -1;
  bool exhausted = false;
};

void PushColumn(RowScratch& scratch, RowProbes& probes, int32_t column) {
  const std::vector<int32_t>& below = scratch.firstBrightBelow;
  std::vector<int32_t>& window = scratch.window;
  while (probes.head < probes.tail && below[window[probes.tail - 1]] >= below[column]) {
    --probes.tail;
  }
  window[probes.tail++] = column;
  probes.lastPushed = column;
}

// Same answer as the plain probe from the dark pixel (column, probes.row):
// the width of the first rectangle holding a bright pixel, or -1. Start
// columns must increase from call to call within a row.
int32_t ProbeWidth(int32_t height, int32_t width, int32_t column, RowScratch& scratch,
                   RowProbes& probes) {
  if (probes.exhausted) return -1;
  const std::vector<int32_t>& below = scratch.firstBrightBelow;
  const std::vector<int32_t>& window = scratch.window;
  if (probes.lastPushed < column) {
    probes.head = probes.tail = 0;
    probes.lastPushed = column - 1;
  }
  while (probes.head < probes.tail && window[probes.head] < column) ++probes.head;
  int32_t k = std::max(column, probes.lastPushed);
  while (probes.lastPushed < k) PushColumn(scratch, probes, probes.lastPushed + 1);
  for (;;) {
    // Rows past the raster's last row do not exist; a column without a
    // bright pixel holds height, which never passes this test.
    const int32_t bottom = std::min(probes.row + (3 * (k - column)) / 8, height - 1);
    if (below[window[probes.head]] <= bottom) return k - column;
    if (k == width - 1) {
      probes.exhausted = true;
      return -1;
    }
    ++k;
    PushColumn(scratch, probes, k);
  }
}

}  // namespace

void LocateFieldFast(const uint32_t* raster, int32_t height, int32_t width, int32_t& left,
                     int32_t& top, int32_t& fieldWidth) {
  left = 0;
  top = 0;
  fieldWidth = 0;
  if (width <= 0 || height / 2 <= 0) return;
  RowScratch scratch;
  scratch.firstBrightBelow.assign(width, -1);
  scratch.nextBrightRight.assign(width, width);
  scratch.window.assign(width, 0);
  for (int32_t row = 0; row < height / 2; ++row) {
    if (width - fieldWidth <= 0) break;
    AdvanceFirstBrightBelow(raster, height, width, row, scratch.firstBrightBelow);
    FillNextBrightRight(width, row, scratch.firstBrightBelow, scratch.nextBrightRight);
    RowProbes probes;
    probes.row = row;
    int32_t column = 0;
    while (column < width - fieldWidth) {
      const bool inExclusion = top <= row && row < top + (3 * fieldWidth) / 8 && left <= column &&
                               column < left + fieldWidth;
      if (inExclusion || scratch.nextBrightRight[column] == column) {
        ++column;
        continue;
      }
      const int32_t runEnd = std::min(scratch.nextBrightRight[column], width - fieldWidth);
      const int32_t run = runEnd - column;
      if (run < fieldWidth) {
        column = runEnd;
        continue;
      }
      const int32_t candidate = ProbeWidth(height, width, column, scratch, probes);
      if (candidate > fieldWidth) {
        left = column;
        top = row;
        fieldWidth = candidate;
      }
      ++column;
    }
  }
}
