// LocateField against the plain LocateFieldReference on thousands of seeded
// random images: blocks, bands, noise, tiny and very flat images, dark areas
// that touch the edges.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <sstream>
#include <string>

#include "field_location_reference.h"
#include "raster_builders.h"
#include "vision/field_location.h"
#include "vision/luminance.h"

namespace {

class ImageMaker {
 public:
  explicit ImageMaker(uint32_t seed) : random_(seed) {}

  int32_t Below(int32_t n) { return n <= 0 ? 0 : static_cast<int32_t>(random_() % n); }
  bool OneIn(int32_t n) { return Below(n) == 0; }

  // Dark and bright colours, including the greys on either side of the
  // threshold and arbitrary colours near it.
  uint32_t Dark() {
    switch (Below(4)) {
      case 0:
        return kBlack;
      case 1:
        return Grey(127);
      case 2:
        return Rgb(Below(120), Below(120), Below(256));
      default:
        return NearThreshold(false);
    }
  }
  uint32_t Bright() {
    switch (Below(4)) {
      case 0:
        return kWhite;
      case 1:
        return Grey(128);
      case 2:
        return Rgb(136 + Below(120), 136 + Below(120), Below(256));
      default:
        return NearThreshold(true);
    }
  }

  TestRaster Blocks(int32_t width, int32_t height) {
    const bool darkGround = OneIn(4);
    TestRaster raster = SolidRaster(width, height, darkGround ? Dark() : Bright());
    const int32_t count = 1 + Below(6);
    for (int32_t i = 0; i < count; ++i) {
      // Starting left of or above the image lets blocks touch every edge.
      FillRect(raster, Below(width + 4) - 4, Below(height + 4) - 4, 1 + Below(width + 4),
               1 + Below(height + 4), OneIn(3) ? Bright() : Dark());
    }
    Speckle(raster, Below(4));
    return raster;
  }

  TestRaster Bands(int32_t width, int32_t height) {
    TestRaster raster = SolidRaster(width, height, Bright());
    const bool horizontal = !OneIn(3);
    for (int32_t at = Below(3); at < (horizontal ? height : width); at += 1 + Below(5)) {
      const int32_t thickness = 1 + Below(6);
      const uint32_t colour = OneIn(2) ? Dark() : Bright();
      if (horizontal) {
        FillRect(raster, Below(3) - 1, at, width - Below(width / 2 + 1) + 1, thickness, colour);
      } else {
        FillRect(raster, at, Below(3) - 1, thickness, height + 1, colour);
      }
      at += thickness;
    }
    return raster;
  }

  TestRaster Noise(int32_t width, int32_t height) {
    static constexpr int32_t kBrightPercent[] = {1, 3, 10, 30, 50, 90};
    const int32_t percent = kBrightPercent[Below(6)];
    TestRaster raster = SolidRaster(width, height, kBlack);
    for (uint32_t& pixel : raster.pixels) pixel = Below(100) < percent ? Bright() : Dark();
    return raster;
  }

  TestRaster Any(int32_t width, int32_t height) {
    switch (Below(3)) {
      case 0:
        return Blocks(width, height);
      case 1:
        return Bands(width, height);
      default:
        return Noise(width, height);
    }
  }

 private:
  // A random colour whose luminance is within a few levels of 128.
  uint32_t NearThreshold(bool bright) {
    for (;;) {
      const uint32_t colour = Rgb(Below(256), Below(256), Below(256));
      const int level = Luminance(colour);
      if (level >= 124 && level <= 131 && (level >= 128) == bright) return colour;
    }
  }

  void Speckle(TestRaster& raster, int32_t count) {
    for (int32_t i = 0; i < count; ++i) {
      raster.pixels[Below(static_cast<int32_t>(raster.pixels.size()))] =
          OneIn(2) ? Bright() : Dark();
    }
  }

  std::mt19937 random_;
};

std::string Art(const TestRaster& raster) {
  std::ostringstream out;
  for (int32_t y = 0; y < raster.height; ++y) {
    for (int32_t x = 0; x < raster.width; ++x) {
      out << (Luminance(raster.pixels[y * raster.width + x]) >= 128 ? '#' : '.');
    }
    out << '\n';
  }
  return out.str();
}

// Returns true when both searches agree; reports the image otherwise.
bool SameField(const TestRaster& raster, const std::string& what) {
  int32_t reference[3] = {-1, -1, -1};
  int32_t program[3] = {-2, -2, -2};
  LocateFieldReference(raster.pixels.data(), raster.height, raster.width, reference[0],
                       reference[1], reference[2]);
  LocateField(raster.pixels.data(), raster.height, raster.width, program[0], program[1],
              program[2]);
  const bool same =
      reference[0] == program[0] && reference[1] == program[1] && reference[2] == program[2];
  EXPECT_TRUE(same) << what << " " << raster.width << " x " << raster.height << ": reference ("
                    << reference[0] << ", " << reference[1] << ", " << reference[2] << ") program ("
                    << program[0] << ", " << program[1] << ", " << program[2] << ")\n"
                    << Art(raster);
  return same;
}

TEST(LocateField, MatchesReferenceOnSmallImages) {
  ImageMaker maker(20240611);
  for (int i = 0; i < 4000; ++i) {
    const int32_t width = 1 + maker.Below(40);
    const int32_t height = 1 + maker.Below(40);
    if (!SameField(maker.Any(width, height), "image " + std::to_string(i))) return;
  }
}

TEST(LocateField, MatchesReferenceOnNarrowAndFlatImages) {
  ImageMaker maker(7);
  for (int i = 0; i < 2000; ++i) {
    const bool narrow = maker.OneIn(2);
    const int32_t width = narrow ? 1 + maker.Below(7) : 1 + maker.Below(60);
    const int32_t height = narrow ? 1 + maker.Below(30) : 1 + maker.Below(3);
    if (!SameField(maker.Any(width, height), "image " + std::to_string(i))) return;
  }
}

TEST(LocateField, MatchesReferenceOnLargerImages) {
  ImageMaker maker(99);
  for (int i = 0; i < 60; ++i) {
    const int32_t width = 60 + maker.Below(100);
    const int32_t height = 40 + maker.Below(80);
    if (!SameField(maker.Blocks(width, height), "image " + std::to_string(i))) return;
  }
}

TEST(LocateField, MatchesReferenceOnEdgeCases) {
  // Dark everywhere, dark but for one bright column or row at each edge, and
  // the empty image.
  for (int32_t width : {1, 2, 3, 9, 33}) {
    for (int32_t height : {1, 2, 3, 4, 17}) {
      TestRaster dark = SolidRaster(width, height, kBlack);
      SameField(dark, "dark");
      TestRaster rightColumn = dark;
      FillRect(rightColumn, width - 1, 0, 1, height, kWhite);
      SameField(rightColumn, "bright right column");
      TestRaster bottomRow = dark;
      FillRect(bottomRow, 0, height - 1, width, 1, kWhite);
      SameField(bottomRow, "bright bottom row");
      TestRaster leftColumn = dark;
      FillRect(leftColumn, 0, 0, 1, height, kWhite);
      SameField(leftColumn, "bright left column");
    }
  }
  SameField(SolidRaster(0, 0, kBlack), "empty");
}

}  // namespace
