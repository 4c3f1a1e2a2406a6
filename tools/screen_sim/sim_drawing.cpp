// The drawing's geometry at every cell side, one state painted into it in
// its look, and the scaler's blur.
#include "sim_drawing.h"

#include <algorithm>
#include <cmath>

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

SimPaint PageAt(const SimDrawing& d, int x, int y) {
  switch (d.look.page) {
    case SimPage::kChecker:
      return (x / d.tile + y / d.tile) % 2 == 1 ? kPaintShade : kPaintLight;
    case SimPage::kPhoto:
      return kPaintPhoto;
    default:
      return kPaintLight;
  }
}

void PaintPage(const SimDrawing& d, std::vector<uint8_t>* paints) {
  for (int y = 0; y < d.height; ++y) {
    for (int x = 0; x < d.width; ++x) {
      (*paints)[static_cast<size_t>(y) * d.width + x] = static_cast<uint8_t>(PageAt(d, x, y));
    }
  }
}

// Whether the pixel (x, y), taken at its centre, lies beyond a circle of this
// radius about (cx, cy) on the side away from it; twice the units keeps it in
// integers.
bool BeyondCurve(int x, int y, int cx, int cy, int radius) {
  const long dx = 2L * x + 1 - 2L * cx;
  const long dy = 2L * y + 1 - 2L * cy;
  return dx * dx + dy * dy > 4L * radius * radius;
}

// The closed border, after the cells, as a browser draws a bordered canvas
// with rounded corners: outside the outer curve the page shows; between it
// and the inner one (radius less the border, same centre) the border does,
// over a corner cell's corner.
void PaintBorder(const SimDrawing& d, std::vector<uint8_t>* paints) {
  const SimLook& look = d.look;
  const int left = d.bottleLeft - look.border;
  const int top = d.bottleTop - look.border;
  const int right = d.bottleLeft + FieldWidth(d) + look.border;
  const int bottom = d.bottleTop + FieldHeight(d) + look.border;
  const int inner = std::max(0, look.radius - look.border);
  for (int y = std::max(0, top); y < std::min(d.height, bottom); ++y) {
    for (int x = std::max(0, left); x < std::min(d.width, right); ++x) {
      // The corner's curve centre, when (x, y) is in a corner square.
      const int cx = x < left + look.radius     ? left + look.radius
                     : x >= right - look.radius ? right - look.radius
                                                : x;
      const int cy = y < top + look.radius       ? top + look.radius
                     : y >= bottom - look.radius ? bottom - look.radius
                                                 : y;
      const bool cornered = cx != x && cy != y;
      uint8_t& paint = (*paints)[static_cast<size_t>(y) * d.width + x];
      if (cornered && BeyondCurve(x, y, cx, cy, look.radius)) {
        paint = static_cast<uint8_t>(PageAt(d, x, y));
      } else if (x < left + look.border || x >= right - look.border || y < top + look.border ||
                 y >= bottom - look.border || (cornered && BeyondCurve(x, y, cx, cy, inner))) {
        paint = kPaintFrame;
      }
    }
  }
}

// A dial with one hand at twelve positions: the distance from the hand's
// line, within the hand's length, makes it thicker than a pixel at any side.
void PaintClock(const SimDrawing& d, std::vector<uint8_t>* paints) {
  const SimClock clock = ClockBesideBottle(d);
  const double angle = (d.look.clockTick % 12) * 3.14159265358979 / 6;
  const double ux = std::sin(angle);
  const double uy = -std::cos(angle);
  const double halfWidth = std::max(1.0, clock.radius / 6.0);
  for (int y = clock.y - clock.radius; y <= clock.y + clock.radius; ++y) {
    for (int x = clock.x - clock.radius; x <= clock.x + clock.radius; ++x) {
      if (x < 0 || y < 0 || x >= d.width || y >= d.height) continue;
      if (BeyondCurve(x, y, clock.x, clock.y, clock.radius)) continue;
      const double px = x + 0.5 - clock.x;
      const double py = y + 0.5 - clock.y;
      const double along = px * ux + py * uy;
      const double across = std::fabs(px * uy - py * ux);
      const bool hand = along >= 0 && along <= clock.radius - 1 && across <= halfWidth;
      (*paints)[static_cast<size_t>(y) * d.width + x] = hand ? kPaintHand : kPaintDial;
    }
  }
}

bool IsVirus(char code) {
  return code == 'R' || code == 'Y' || code == 'B';
}

// A virus's sprite at (x, y), rolled sideways by the animation frame.
void PaintSprite(const SimDrawing& d, char code, int x, int y, std::vector<uint8_t>* paints) {
  const int which = code == 'R' ? 0 : code == 'Y' ? 1 : 2;
  const std::vector<uint8_t>& mask = d.sprites.masks[which];
  const SimPaint parts[3] = {kPaintEmpty, PaintForCode(code), kPaintSpriteBlack};
  const int shift = SpriteShift(d.side, d.look.spriteFrame);
  for (int row = 0; row < d.side; ++row) {
    if (y + row < 0 || y + row >= d.height) continue;
    for (int column = 0; column < d.side; ++column) {
      if (x + column < 0 || x + column >= d.width) continue;
      const int from = ((column - shift) % d.side + d.side) % d.side;
      (*paints)[static_cast<size_t>(y + row) * d.width + x + column] =
          static_cast<uint8_t>(parts[mask[static_cast<size_t>(row) * d.side + from]]);
    }
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

SimDrawing DrawingForLook(int side, const SimLook& look) {
  SimDrawing d = DrawingForSide(side);
  d.look = look;
  d.width = std::max(d.width, d.bottleLeft + FieldWidth(d) + 2 * Pitch(d));
  d.height = std::max(d.height, d.bottleTop + FieldHeight(d) + 2 * Pitch(d));
  return d;
}

int Pitch(const SimDrawing& d) {
  return d.side + d.look.gap;
}

int FieldWidth(const SimDrawing& d) {
  return kSimColumns * d.side + (kSimColumns - 1) * d.look.gap;
}

int FieldHeight(const SimDrawing& d) {
  return kSimRows * d.side + (kSimRows - 1) * d.look.gap + d.look.rowOffset;
}

void PaintState(const SimDrawing& d, const char board[kSimCells], const SimVitamin* vitamin,
                std::vector<uint8_t>* paints) {
  paints->assign(static_cast<size_t>(d.width) * d.height, kPaintLight);
  PaintPage(d, paints);
  const int width = FieldWidth(d);
  const int height = FieldHeight(d);
  if (d.look.border == 0) {
    // An outline on the sides and bottom only: an open neck where vitamins
    // come in. It is bright, so it does not widen the dark area the advisor
    // measures.
    Fill(d, kPaintFrame, d.bottleLeft - d.wall, d.bottleTop, d.wall, height + d.wall, paints);
    Fill(d, kPaintFrame, d.bottleLeft + width, d.bottleTop, d.wall, height + d.wall, paints);
    Fill(d, kPaintFrame, d.bottleLeft, d.bottleTop + height, width, d.wall, paints);
  }
  // The gaps and the row offset show the inside, as a desktop game's bricks
  // lie on the bottle's dark field.
  if (d.look.gap > 0 || d.look.rowOffset > 0) {
    Fill(d, kPaintEmpty, d.bottleLeft, d.bottleTop, width, height, paints);
  }
  // Each cell is one flat square, unless the palette draws viruses as
  // sprites: the advisor averages the whole square, so any shading of this
  // game's own cells would shift its mean.
  const int pitch = Pitch(d);
  const int firstRowTop = d.bottleTop + d.look.rowOffset;
  for (int row = 0; row < kSimRows; ++row) {
    for (int column = 0; column < kSimColumns; ++column) {
      const char code = board[row * kSimColumns + column];
      const int x = d.bottleLeft + column * pitch;
      const int y = firstRowTop + row * pitch;
      if (IsVirus(code) && d.sprites.side == d.side && !d.sprites.masks[0].empty()) {
        PaintSprite(d, code, x, y, paints);
      } else {
        Fill(d, PaintForCode(code), x, y, d.side, d.side, paints);
      }
    }
  }
  if (d.look.border > 0) PaintBorder(d, paints);
  if (vitamin != nullptr && vitamin->firstRow < 0) {
    Fill(d, PaintForCode(vitamin->firstCode), d.bottleLeft + vitamin->firstColumn * pitch,
         firstRowTop - pitch, d.side, d.side, paints);
  }
  if (d.look.clockTick >= 0) PaintClock(d, paints);
}

SimClock ClockBesideBottle(const SimDrawing& d) {
  // As large as a cell where there is room; beyond side 24 the drawing keeps
  // only two cells right of the bottle, so the dial shrinks to fit them.
  const int start =
      d.bottleLeft + FieldWidth(d) + std::max(d.wall, d.look.border) + std::max(2, d.side / 4);
  const int radius = std::max(3, std::min(d.side, (d.width - start) / 2 - 1));
  return {start + radius, d.bottleTop + 4 * d.side, radius};
}

int CentredCorner(int screenLength, int drawingLength) {
  return std::max(0, (screenLength - drawingLength) / 2);
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
