// screen-sim's drawing at every cell side: the classic 640 x 480 picture at
// side 12 exactly as it was drawn with rectangles, the bottle where the
// geometry says at every side, and the scaler's blur.
#include "sim_drawing.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

// The classic drawing as screen-sim drew it with X rectangles before it grew:
// 16-pixel checker, a 3-pixel outline on the sides and bottom of the bottle
// at 200,40, 12-pixel cells, the entering half above the bottle.
std::vector<uint8_t> ClassicDrawing(const char board[kSimCells], const SimVitamin* vitamin) {
  std::vector<uint8_t> p(640 * 480);
  auto fill = [&p](int paint, int x, int y, int w, int h) {
    for (int yy = y; yy < y + h && yy < 480; ++yy) {
      for (int xx = x; xx < x + w && xx < 640; ++xx) p[yy * 640 + xx] = static_cast<uint8_t>(paint);
    }
  };
  for (int y = 0; y < 480; y += 16) {
    for (int x = 0; x < 640; x += 16)
      fill(((x + y) / 16) % 2 == 0 ? kPaintLight : kPaintShade, x, y, 16, 16);
  }
  fill(kPaintFrame, 197, 40, 3, 195);
  fill(kPaintFrame, 296, 40, 3, 195);
  fill(kPaintFrame, 200, 232, 96, 3);
  for (int i = 0; i < kSimCells; ++i)
    fill(PaintForCode(board[i]), 200 + i % 8 * 12, 40 + i / 8 * 12, 12, 12);
  if (vitamin != nullptr && vitamin->firstRow < 0) {
    fill(PaintForCode(vitamin->firstCode), 200 + vitamin->firstColumn * 12, 28, 12, 12);
  }
  return p;
}

// A state with a vitamin entering upright and a few of every code.
void EnteringState(char board[kSimCells], SimVitamin* vitamin) {
  std::memset(board, '.', kSimCells);
  const char codes[] = "RYBryb";
  for (int i = 0; i < 6; ++i) board[(10 + i) * kSimColumns + i] = codes[i];
  board[0 * kSimColumns + 3] = 'y';  // the lower half, in row 0
  vitamin->firstColumn = vitamin->secondColumn = 3;
  vitamin->firstRow = -1;
  vitamin->secondRow = 0;
  vitamin->firstCode = 'b';
  vitamin->secondCode = 'y';
}

TEST(SimDrawing, SideTwelveIsTheClassicPictureByteForByte) {
  char board[kSimCells];
  SimVitamin vitamin;
  EnteringState(board, &vitamin);
  const SimDrawing d = DrawingForSide(12);
  EXPECT_EQ(d.width, 640);
  EXPECT_EQ(d.height, 480);
  std::vector<uint8_t> paints;
  for (const SimVitamin* v :
       {static_cast<const SimVitamin*>(&vitamin), static_cast<const SimVitamin*>(nullptr)}) {
    PaintState(d, board, v, &paints);
    EXPECT_EQ(paints, ClassicDrawing(board, v));
  }
}

// At every side the bottle, its outline and the entering half lie inside the
// drawing with background around them, and the drawing fits a 1920 x 1080
// screen as a window.
TEST(SimDrawing, EverySideHoldsTheBottleWhereItsGeometrySays) {
  char board[kSimCells];
  SimVitamin vitamin;
  EnteringState(board, &vitamin);
  std::vector<uint8_t> paints;
  for (int side = kSimSmallestSide; side <= kSimLargestSide; ++side) {
    SCOPED_TRACE("side " + std::to_string(side));
    const SimDrawing d = DrawingForSide(side);
    EXPECT_LE(d.width, 1920);
    EXPECT_LE(d.height, 1080);
    PaintState(d, board, &vitamin, &paints);
    auto at = [&](int x, int y) { return paints[static_cast<size_t>(y) * d.width + x]; };
    const int right = d.bottleLeft + kSimColumns * side;
    const int bottom = d.bottleTop + kSimRows * side;
    ASSERT_LE(right + d.wall + side, d.width);
    ASSERT_LE(bottom + d.wall + side, d.height);
    for (int i = 0; i < kSimCells; ++i) {
      const int x = d.bottleLeft + i % kSimColumns * side;
      const int y = d.bottleTop + i / kSimColumns * side;
      // First and last pixel of the square.
      EXPECT_EQ(at(x, y), PaintForCode(board[i])) << "cell " << i;
      EXPECT_EQ(at(x + side - 1, y + side - 1), PaintForCode(board[i])) << "cell " << i;
    }
    for (int y = d.bottleTop; y < bottom + d.wall; ++y) {
      EXPECT_EQ(at(d.bottleLeft - 1, y), kPaintFrame);
      EXPECT_EQ(at(right, y), kPaintFrame);
      EXPECT_NE(at(d.bottleLeft - d.wall - 1, y), kPaintFrame);
      EXPECT_NE(at(right + d.wall, y), kPaintFrame);
    }
    EXPECT_EQ(at(d.bottleLeft + 3 * side, d.bottleTop - side), kPaintBlueHalf);
    // The open neck: above the bottle only the checker.
    for (int x = d.bottleLeft - d.wall; x < right + d.wall; ++x) {
      if (x >= d.bottleLeft + 3 * side && x < d.bottleLeft + 4 * side) continue;
      const uint8_t above = at(x, d.bottleTop - 1);
      EXPECT_TRUE(above == kPaintLight || above == kPaintShade) << x;
    }
  }
}

// Black beside white, blurred: a ramp of reach - 1 blended pixels in every
// row, rising from black to white, the rest untouched.
TEST(SimDrawing, SmoothingLeavesARampAsWideAsTheScaleFactor) {
  const struct {
    int side;
    int reach;
  } cases[] = {{6, 1}, {12, 2}, {24, 3}, {32, 4}, {36, 5}, {48, 6}};
  const int width = 40;
  const int height = 5;
  for (const auto& c : cases) {
    SCOPED_TRACE("side " + std::to_string(c.side));
    EXPECT_EQ(SmoothingWidth(c.side), c.reach);
    std::vector<SimRgb> pixels(width * height, SimRgb{0, 0, 0});
    for (int y = 0; y < height; ++y) {
      for (int x = width / 2; x < width; ++x) pixels[y * width + x] = {255, 255, 255};
    }
    SmoothPicture(width, height, SmoothingWidth(c.side), &pixels);
    for (int y = 0; y < height; ++y) {
      int blended = 0;
      for (int x = 0; x < width; ++x) {
        const SimRgb p = pixels[y * width + x];
        EXPECT_TRUE(p.red == p.green && p.green == p.blue);
        blended += p.red != 0 && p.red != 255;
        if (x > 0) {
          EXPECT_GE(p.red, pixels[y * width + x - 1].red);
        }
      }
      EXPECT_EQ(blended, c.reach - 1);
    }
    EXPECT_EQ(pixels[width / 2 - c.reach].red, 0);
    EXPECT_EQ(pixels[width / 2 + c.reach].red, 255);
  }
}

}  // namespace
