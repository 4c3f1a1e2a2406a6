// Cell classification: mean colour of a square, with entirely dark rows left
// out, matched against red, yellow and blue at two brightness levels.
#include "vision/cell_classification.h"

#include <algorithm>

#include "vision/luminance.h"
#include "vision/piece_hue.h"

namespace {

// Cell pixels this dark are the bottle's background, not part of a piece.
constexpr int kDarkLevel = 30;
// Above this the piece is drawn bright (falling vitamin), above kDimLevel dim
// (virus).
constexpr int64_t kBrightLevel = 134;
constexpr int64_t kDimLevel = 40;

uint8_t ByBrightness(int64_t brightness, uint8_t brightCode, uint8_t dimCode) {
  if (brightness > kBrightLevel) return brightCode;
  if (brightness > kDimLevel) return dimCode;
  return kEmptyCell;
}

}  // namespace

uint8_t ClassifyCell(const uint32_t* raster, int32_t left, int32_t top, int32_t rowLength,
                     int32_t height, int32_t side) {
  if (side <= 0) return kEmptyCell;
  // The part of each row that lies inside the raster; the rest reads black.
  const int64_t firstColumn = std::max<int64_t>(left, 0);
  const int64_t endColumn = std::min<int64_t>(int64_t{left} + side, rowLength);
  int64_t redSum = 0;
  int64_t greenSum = 0;
  int64_t blueSum = 0;
  int64_t excluded = 0;
  for (int64_t row = top; row < int64_t{top} + side; ++row) {
    const bool rowInside = row >= 0 && row < height && firstColumn < endColumn;
    if (!rowInside) {
      excluded += side;
      continue;
    }
    int64_t rowRed = 0;
    int64_t rowGreen = 0;
    int64_t rowBlue = 0;
    int64_t dark = side - (endColumn - firstColumn);
    for (int64_t column = firstColumn; column < endColumn; ++column) {
      const uint32_t pixel = raster[row * rowLength + column];
      if (Luminance(pixel) <= kDarkLevel) {
        ++dark;
        continue;
      }
      rowRed += pixel & 0xFF;
      rowGreen += (pixel >> 8) & 0xFF;
      rowBlue += (pixel >> 16) & 0xFF;
    }
    // Only rows that are dark from end to end are left out; a row with any
    // lit pixel keeps its dark pixels as colour zero, which pulls the mean
    // down (a half-lit red row reads dim, not bright).
    if (dark == side) {
      excluded += side;
    } else {
      redSum += rowRed;
      greenSum += rowGreen;
      blueSum += rowBlue;
    }
  }
  const int64_t area = int64_t{side} * side;
  const int64_t counted = area - excluded;
  // Mostly background: too little left to call a colour.
  if (counted == 0 || counted < area / 2) return kEmptyCell;
  const int64_t red = redSum / counted;
  const int64_t green = greenSum / counted;
  const int64_t blue = blueSum / counted;
  // Once a hue matches, no later one can, so a too-dark match is '.'.
  switch (PieceHue(red, green, blue)) {
    case kRedHue:
      return ByBrightness(red, kBrightRed, kDimRed);
    case kYellowHue:
      return ByBrightness((red + green) / 2, kBrightYellow, kDimYellow);
    case kBlueHue:
      return ByBrightness((green + blue) / 2, kBrightBlue, kDimBlue);
    default:
      return kEmptyCell;
  }
}

void SampleGrid(const uint32_t* raster, int32_t imageWidth, int32_t imageHeight,
                const FieldRect& field, uint8_t current[kBoardCells],
                uint8_t previous[kBoardCells]) {
  // Corners sit at the rounded eighths of the width, products before the
  // division, so for widths that are not a multiple of 8 a few pixel columns
  // and rows between squares are never read.
  const int32_t side = field.width / 8;
  for (int32_t row = 0; row < kBoardRows; ++row) {
    for (int32_t column = 0; column < kBoardColumns; ++column) {
      const int index = CellIndex(column, row);
      previous[index] = current[index];
      current[index] =
          ClassifyCell(raster, field.left + (column * field.width) / 8,
                       field.top + (row * field.width) / 8, imageWidth, imageHeight, side);
    }
  }
}
