// The field search: the plain scan (tests/vision/field_location_reference.cpp),
// with each row's dark runs precomputed and the probes of one row sharing
// their work, so that a dark frame costs milliseconds rather than seconds.
#include "vision/field_location.h"

#include <algorithm>
#include <vector>

#include "vision/luminance.h"

namespace {

// The image and the search's scratch arrays, one entry per image column.
//   firstBrightBelow[c]: the first bright row at or below some earlier start
//     row in column c, or height when there is none. It stays right for every
//     later start row up to itself, so a column is rescanned only once the
//     start row has passed it, and each pixel is read at most once by these
//     scans over the whole search. -1 until the column is first needed.
//   nextBrightRight[c]: in the current start row, the first bright column at
//     or right of c, or the row's column bound when that comes first.
//   window: the columns of the current probe whose firstBrightBelow may still
//     be the probe's minimum, in increasing order of both.
struct Search {
  const uint32_t* raster;
  int32_t height;
  int32_t width;
  std::vector<int32_t> firstBrightBelow;
  std::vector<int32_t> nextBrightRight;
  std::vector<int32_t> window;
};

bool BrightAt(const Search& s, int32_t column, int32_t row) {
  return IsBright(s.raster[row * s.width + column]);
}

int32_t FirstBrightBelow(Search& s, int32_t column, int32_t row) {
  int32_t& y = s.firstBrightBelow[column];
  if (y >= row) return y;
  y = row;
  while (y < s.height && !BrightAt(s, column, y)) ++y;
  return y;
}

void FillNextBrightRight(Search& s, int32_t row, int32_t bound) {
  int32_t next = bound;
  for (int32_t c = bound - 1; c >= 0; --c) {
    if (BrightAt(s, c, row)) next = c;
    s.nextBrightRight[c] = next;
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
  int32_t head = 0;  // the window is Search::window[head, tail)
  int32_t tail = 0;
  int32_t lastPushed = -1;
  bool exhausted = false;
};

void PushColumn(Search& s, RowProbes& probes, int32_t column) {
  const int32_t below = FirstBrightBelow(s, column, probes.row);
  while (probes.head < probes.tail && s.firstBrightBelow[s.window[probes.tail - 1]] >= below) {
    --probes.tail;
  }
  s.window[probes.tail++] = column;
  probes.lastPushed = column;
}

// Same answer as the plain probe from the dark pixel (column, probes.row):
// the width of the first rectangle holding a bright pixel, or -1. Start
// columns must increase from call to call within a row.
int32_t ProbeWidth(Search& s, RowProbes& probes, int32_t column) {
  if (probes.exhausted) return -1;
  if (probes.lastPushed < column) {
    probes.head = probes.tail = 0;
    probes.lastPushed = column - 1;
  }
  while (probes.head < probes.tail && s.window[probes.head] < column) ++probes.head;
  int32_t k = std::max(column, probes.lastPushed);
  while (probes.lastPushed < k) PushColumn(s, probes, probes.lastPushed + 1);
  for (;;) {
    // Rows past the raster's last row do not exist; a column without a
    // bright pixel holds height, which never passes this test.
    const int32_t bottom = std::min(probes.row + (3 * (k - column)) / 8, s.height - 1);
    if (s.firstBrightBelow[s.window[probes.head]] <= bottom) return k - column;
    if (k == s.width - 1) {
      probes.exhausted = true;
      return -1;
    }
    ++k;
    PushColumn(s, probes, k);
  }
}

}  // namespace

void LocateField(const uint32_t* raster, int32_t height, int32_t width, int32_t& left, int32_t& top,
                 int32_t& fieldWidth) {
  left = 0;
  top = 0;
  fieldWidth = 0;
  if (width <= 0 || height / 2 <= 0) return;
  Search s{raster,
           height,
           width,
           std::vector<int32_t>(width, -1),
           std::vector<int32_t>(width),
           std::vector<int32_t>(width)};
  for (int32_t row = 0; row < height / 2; ++row) {
    // The bound only shrinks within a row, so the runs are needed only up to
    // where it stands now.
    FillNextBrightRight(s, row, width - fieldWidth);
    RowProbes probes;
    probes.row = row;
    int32_t column = 0;
    // The bound width - fieldWidth and the exclusion zone follow the best so
    // far, so a new best shortens the rest of this row at once.
    while (column < width - fieldWidth) {
      // Starts inside the top of the best field so far are not probed again.
      // Dropping this test changes the winner on some images, since a start
      // there may measure wider than the field it lies in.
      const bool inExclusion = top <= row && row < top + (3 * fieldWidth) / 8 && left <= column &&
                               column < left + fieldWidth;
      const int32_t runEnd = std::min(s.nextBrightRight[column], width - fieldWidth);
      if (inExclusion || runEnd == column) {
        ++column;
        continue;
      }
      // A dark run shorter than the best width cannot hold a wider field's
      // top row.
      if (runEnd - column < fieldWidth) {
        column = runEnd;
        continue;
      }
      // Strictly wider: among equal widths the earliest start in scan order
      // stays.
      const int32_t candidate = ProbeWidth(s, probes, column);
      if (candidate > fieldWidth) {
        left = column;
        top = row;
        fieldWidth = candidate;
      }
      ++column;
    }
  }
}
