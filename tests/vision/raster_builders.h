// Tiny in-memory rasters for the vision tests: solid images with rectangles
// painted on them, pixels packed red in the low byte.
#ifndef BOTTLEWATCH_TESTS_VISION_RASTER_BUILDERS_H_
#define BOTTLEWATCH_TESTS_VISION_RASTER_BUILDERS_H_

#include <cstdint>
#include <vector>

struct TestRaster {
  int32_t width = 0;
  int32_t height = 0;
  std::vector<uint32_t> pixels;  // height rows of width pixels
};

inline uint32_t Rgb(int red, int green, int blue) {
  return static_cast<uint32_t>(red | green << 8 | blue << 16);
}
inline uint32_t Grey(int v) {
  return Rgb(v, v, v);
}

constexpr uint32_t kBlack = 0x000000u;
constexpr uint32_t kWhite = 0xFFFFFFu;

inline TestRaster SolidRaster(int32_t width, int32_t height, uint32_t colour) {
  return TestRaster{width, height,
                    std::vector<uint32_t>(static_cast<size_t>(width) * height, colour)};
}

// Paints the rectangle, clipped to the raster.
inline void FillRect(TestRaster& raster, int32_t left, int32_t top, int32_t width, int32_t height,
                     uint32_t colour) {
  for (int32_t y = top; y < top + height; ++y) {
    for (int32_t x = left; x < left + width; ++x) {
      if (x < 0 || y < 0 || x >= raster.width || y >= raster.height) continue;
      raster.pixels[static_cast<size_t>(y) * raster.width + x] = colour;
    }
  }
}

#endif  // BOTTLEWATCH_TESTS_VISION_RASTER_BUILDERS_H_
