// Writing test frames as TIFF files with libtiff.
#ifndef BOTTLEWATCH_TESTS_SUPPORT_TIFF_FRAMES_H_
#define BOTTLEWATCH_TESTS_SUPPORT_TIFF_FRAMES_H_

#include <cstdint>
#include <string>
#include <vector>

// A picture in the raster's own packing (red in the low byte), row 0 at the top.
struct Picture {
  int width = 0;
  int height = 0;
  std::vector<uint32_t> pixels;

  uint32_t& At(int x, int y) { return pixels[static_cast<size_t>(y) * width + x]; }
  uint32_t At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};

constexpr uint32_t Rgb(int red, int green, int blue) {
  return static_cast<uint32_t>(red) | static_cast<uint32_t>(green) << 8 |
         static_cast<uint32_t>(blue) << 16;
}

Picture SolidPicture(int width, int height, uint32_t colour);

// Fills the rectangle [x, x + w) x [y, y + h), clipped to the picture.
void FillRect(Picture& picture, int x, int y, int w, int h, uint32_t colour);

// Writes an uncompressed 8-bit RGB TIFF, one strip per 16 rows, as the
// converter would. Throws on failure.
void WriteRgbTiff(const std::string& path, const Picture& picture);

// The bytes of a little-endian, uncompressed 8-bit greyscale TIFF whose header
// claims width x height but which carries only dataBytes bytes of image data
// (one strip): a forged or cut frame.
std::string ForgedTiff(uint32_t width, uint32_t height, uint32_t dataBytes);

#endif  // BOTTLEWATCH_TESTS_SUPPORT_TIFF_FRAMES_H_
