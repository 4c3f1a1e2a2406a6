// The rise to a bottle's top and the bottle check on other games' drawings: a
// closed or open border, square or rounded, light or pale-coloured, on a
// light or a dark page, with pieces in the top rows.
#include "vision/bottle_check.h"

#include <gtest/gtest.h>

#include "raster_builders.h"

namespace {

constexpr int32_t kLeft = 40;
constexpr int32_t kTop = 30;
constexpr int32_t kWidth = 96;  // cell side 12, 192 rows tall
const uint32_t kInside = Grey(0x25);
const uint32_t kYellowPiece = Rgb(230, 210, 40);

struct Look {
  uint32_t page;
  uint32_t border;
  bool closedTop;  // a border across the top too, or an open neck
  int32_t radius;  // of the border's outer corners
};

// Whether (x, y) lies outside the rounded box [left, right) x [top, bottom).
bool OutsideCorner(int32_t x, int32_t y, int32_t left, int32_t top, int32_t right, int32_t bottom,
                   int32_t radius) {
  const int32_t cx = x < left + radius     ? left + radius
                     : x >= right - radius ? right - radius - 1
                                           : x;
  const int32_t cy = y < top + radius       ? top + radius
                     : y >= bottom - radius ? bottom - radius - 1
                                            : y;
  return (x - cx) * (x - cx) + (y - cy) * (y - cy) > radius * radius;
}

// A 2-pixel border around the bottle, its inside dark grey, on the page.
TestRaster DrawBottle(const Look& look) {
  TestRaster raster = SolidRaster(200, 260, look.page);
  const int32_t left = kLeft - 2, right = kLeft + kWidth + 2;
  const int32_t top = look.closedTop ? kTop - 2 : kTop, bottom = kTop + 2 * kWidth + 2;
  FillRect(raster, left, top, right - left, bottom - top, look.border);
  FillRect(raster, kLeft, kTop, kWidth, 2 * kWidth, kInside);
  for (int32_t y = top; y < bottom; ++y) {
    for (int32_t x = left; x < right; ++x) {
      if (look.radius > 0 && OutsideCorner(x, y, left, top, right, bottom, look.radius)) {
        raster.pixels[static_cast<size_t>(y) * raster.width + x] = look.page;
      } else if (look.radius > 2 &&
                 OutsideCorner(x, y, left + 2, top + 2, right - 2, bottom - 2, look.radius - 2) &&
                 x >= kLeft && x < kLeft + kWidth && y >= kTop) {
        raster.pixels[static_cast<size_t>(y) * raster.width + x] = look.border;
      }
    }
  }
  return raster;
}

TEST(RiseToTop, ClimbsThroughPiecesAndCornersToTheBorderAndNoFurther) {
  const uint32_t light = Grey(230), dark = Grey(40), white = kWhite;
  const struct {
    const char* name;
    Look look;
    bool piecesOnTop;     // a stack of yellow halves down the first two cell rows
    int32_t from;         // the field's top before the rise
    int32_t expectedTop;  // after it
  } cases[] = {
      {"closed border, pieces in the top rows", {light, white, true, 0}, true, kTop + 24, kTop},
      {"open neck on a light page", {light, Grey(170), false, 0}, true, kTop + 24, kTop},
      // Above an open neck on a dark page there are no walls.
      {"open neck on a dark page", {dark, Grey(170), false, 0}, false, kTop + 24, kTop},
      // The rounded corners keep LocateField a radius low.
      {"rounded corners on a dark page", {dark, white, true, 8}, false, kTop + 8, kTop},
      {"a pale yellow border", {dark, Rgb(255, 255, 160), true, 8}, true, kTop + 30, kTop},
      {"already at its top", {light, white, true, 0}, false, kTop, kTop},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TestRaster raster = DrawBottle(c.look);
    if (c.piecesOnTop) FillRect(raster, kLeft + 36, kTop, 12, 24, kYellowPiece);
    const FieldRect risen =
        RiseToTop(raster.pixels.data(), raster.height, raster.width, {kLeft, c.from, kWidth});
    EXPECT_EQ(risen.top, c.expectedTop);
    EXPECT_EQ(risen.left, kLeft);
    EXPECT_TRUE(LooksLikeBottle(raster.pixels.data(), raster.height, raster.width, risen));
  }
}

TEST(IsLight, TellsALightBorderOfAnyColourFromABrightPiece) {
  EXPECT_TRUE(IsLight(kWhite));
  EXPECT_TRUE(IsLight(Rgb(255, 255, 160)));  // pale yellow
  EXPECT_TRUE(IsLight(Rgb(170, 200, 255)));  // pale blue
  EXPECT_FALSE(IsLight(kYellowPiece));
  EXPECT_FALSE(IsLight(Rgb(60, 180, 255)));  // a bright blue half
  EXPECT_FALSE(IsLight(Grey(127)));          // dark by luminance
}

}  // namespace
