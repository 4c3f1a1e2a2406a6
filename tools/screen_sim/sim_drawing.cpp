// The drawing's geometry at every cell side, one state painted into it, and
// the scaler's blur.
#include "sim_drawing.h"

#include <algorithm>

namespace {

void Fill(const SimDrawing& d, SimPaint paint, int x, int y, int width, int height,
          std::vector<uint8_t>* paints) {
  const int x0 = std::max(0, x);
  const int y0 = std::max(0, y);
  const int x1 = std::min(d.width, x + width);
  const int y1 = std::min(d.height, y + height);
  for (int row = y0; row < y1; ++row) {
    std::fill(paints->begin() + row * d.width + x0, paints->begin() + row * d.width + x1,
              static_cast<uint8_t>(paint));
  }
}

// One channel of a run of n values, step apart, blurred into out: the box
// covers reach values, from reach / 2 before to the rest after, so that an
// odd reach is centred. Sums only, kept running; the caller divides.
void BoxSums(const int* in, int n, int step, int reach, int* out) {
  const int before = reach / 2;
  auto value = [&](int k) { return in[std::min(n - 1, std::max(0, k)) * step]; };
  int sum = 0;
  for (int k = -before; k < reach - before; ++k) sum += value(k);
  for (int i = 0; i < n; ++i) {
    out[i * step] = sum;
    sum += value(i - before + reach) - value(i - before);
  }
}

}  // namespace

SimDrawing DrawingForSide(int side) {
  SimDrawing d;
  d.side = side;
  // The outline and the checker grow with the game, as a scaler draws them;
  // at side 12 they are the 3-pixel outline and 16-pixel tiles of old.
  d.wall = std::max(3, side / 4);
  d.tile = std::max(8, 16 * side / 12);
  // Room above the bottle for the entering vitamin's upper half.
  d.bottleTop = std::max(40, 2 * side);
  d.width = std::max(640, d.bottleLeft + (kSimColumns + 2) * side);
  d.height = std::max(480, d.bottleTop + (kSimRows + 2) * side);
  return d;
}

void PaintState(const SimDrawing& d, const char board[kSimCells], const SimVitamin* vitamin,
                std::vector<uint8_t>* paints) {
  paints->assign(static_cast<size_t>(d.width) * d.height, kPaintLight);
  for (int y = 0; y < d.height; y += d.tile) {
    for (int x = 0; x < d.width; x += d.tile) {
      if ((x / d.tile + y / d.tile) % 2 == 1) Fill(d, kPaintShade, x, y, d.tile, d.tile, paints);
    }
  }
  // An outline on the sides and bottom only: an open neck where vitamins
  // come in. It is bright, so it does not widen the dark area the advisor
  // measures.
  const int width = kSimColumns * d.side;
  const int height = kSimRows * d.side;
  Fill(d, kPaintFrame, d.bottleLeft - d.wall, d.bottleTop, d.wall, height + d.wall, paints);
  Fill(d, kPaintFrame, d.bottleLeft + width, d.bottleTop, d.wall, height + d.wall, paints);
  Fill(d, kPaintFrame, d.bottleLeft, d.bottleTop + height, width, d.wall, paints);
  // Each cell is one flat square: the advisor averages the whole square, so
  // any shading or gap would shift its mean.
  for (int row = 0; row < kSimRows; ++row) {
    for (int column = 0; column < kSimColumns; ++column) {
      Fill(d, PaintForCode(board[row * kSimColumns + column]), d.bottleLeft + column * d.side,
           d.bottleTop + row * d.side, d.side, d.side, paints);
    }
  }
  if (vitamin != nullptr && vitamin->firstRow < 0) {
    Fill(d, PaintForCode(vitamin->firstCode), d.bottleLeft + vitamin->firstColumn * d.side,
         d.bottleTop - d.side, d.side, d.side, paints);
  }
}

int SmoothingWidth(int side) {
  return std::max(1, (side + 4) / 8);
}

void SmoothPicture(int width, int height, int reach, std::vector<SimRgb>* pixels) {
  if (reach <= 1) return;
  const size_t count = static_cast<size_t>(width) * height;
  std::vector<int> channel(count);
  std::vector<int> across(count);
  std::vector<int> down(count);
  int SimRgb::*const members[3] = {&SimRgb::red, &SimRgb::green, &SimRgb::blue};
  for (int SimRgb::*member : members) {
    for (size_t i = 0; i < count; ++i) channel[i] = (*pixels)[i].*member;
    for (int y = 0; y < height; ++y) {
      BoxSums(&channel[static_cast<size_t>(y) * width], width, 1, reach,
              &across[static_cast<size_t>(y) * width]);
    }
    for (int x = 0; x < width; ++x) BoxSums(&across[x], height, width, reach, &down[x]);
    const int area = reach * reach;
    for (size_t i = 0; i < count; ++i) (*pixels)[i].*member = (down[i] + area / 2) / area;
  }
}

std::string OffScreen(const char* what, int x, int y, int screenWidth, int screenHeight) {
  if (x >= 0 && x < screenWidth && y >= 0 && y < screenHeight) return "";
  return std::string(what) + " " + std::to_string(x) + "," + std::to_string(y) + " is off the " +
         std::to_string(screenWidth) + " x " + std::to_string(screenHeight) + " screen";
}
