// Reading a cell by a game's own palette: its hue from the mean colour of
// what is not the inside's ground, and how much of the cell that covers.
#include <algorithm>

#include "vision/game_look.h"
#include "vision/piece_hue.h"

namespace {

// The pieces' hues, and a pure blue (0, 0, 255), whose green is no more than
// its red, as blue all the same: a game that draws its halves so means it.
int HueOf(int64_t red, int64_t green, int64_t blue) {
  const int hue = PieceHue(red, green, blue);
  if (hue == kNoHue && Dominates(blue, red) && Dominates(blue, green)) return kBlueHue;
  return hue;
}

constexpr uint8_t kBrightCodes[kHueCount] = {kBrightRed, kBrightYellow, kBrightBlue};
constexpr uint8_t kDimCodes[kHueCount] = {kDimRed, kDimYellow, kDimBlue};

}  // namespace

CellSight LookAtCell(const uint32_t* raster, int32_t left, int32_t top, int32_t width,
                     int32_t height, int32_t side, uint32_t inside) {
  CellSight sight;
  if (side <= 0) return sight;
  int64_t lit = 0;
  int64_t red = 0;
  int64_t green = 0;
  int64_t blue = 0;
  const int32_t firstColumn = std::max(left, 0);
  const int32_t endColumn = static_cast<int32_t>(std::min<int64_t>(int64_t{left} + side, width));
  const int32_t firstRow = std::max(top, 0);
  const int32_t endRow = static_cast<int32_t>(std::min<int64_t>(int64_t{top} + side, height));
  // The lit part's rectangle: each row's first and last lit column, and the
  // first and last rows with any.
  int32_t litLeft = endColumn;
  int32_t litRight = firstColumn - 1;
  int32_t litTop = endRow;
  int32_t litBottom = firstRow - 1;
  for (int32_t y = firstRow; y < endRow; ++y) {
    const uint32_t* row = raster + static_cast<int64_t>(y) * width;
    int32_t rowFirst = -1;
    int32_t rowLast = -1;
    for (int32_t x = firstColumn; x < endColumn; ++x) {
      const uint32_t pixel = row[x];
      if (IsGround(pixel, inside)) continue;
      ++lit;
      red += pixel & 0xFF;
      green += (pixel >> 8) & 0xFF;
      blue += (pixel >> 16) & 0xFF;
      if (rowFirst < 0) rowFirst = x;
      rowLast = x;
    }
    if (rowFirst < 0) continue;
    litLeft = std::min(litLeft, rowFirst);
    litRight = std::max(litRight, rowLast);
    litTop = std::min(litTop, y);
    litBottom = y;
  }
  if (lit == 0) return sight;
  sight.coverPermille = static_cast<int32_t>(lit * 1000 / (int64_t{side} * side));
  const int64_t box = int64_t{litRight - litLeft + 1} * (litBottom - litTop + 1);
  sight.fillPermille = static_cast<int32_t>(lit * 1000 / box);
  sight.hue = HueOf(red / lit, green / lit, blue / lit);
  return sight;
}

uint8_t ClassifyOwnCell(const uint32_t* raster, int32_t left, int32_t top, int32_t width,
                        int32_t height, int32_t side, const CellPalette& palette) {
  const CellSight sight = LookAtCell(raster, left, top, width, height, side, palette.inside);
  if (sight.coverPermille < kLeastCoverPermille || sight.hue < 0) return kEmptyCell;
  return sight.fillPermille >= palette.solidPermille[sight.hue] ? kBrightCodes[sight.hue]
                                                                : kDimCodes[sight.hue];
}
