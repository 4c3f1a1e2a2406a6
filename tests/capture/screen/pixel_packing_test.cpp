// Screen pixels to bitmap rows on hand-made 3 x 2 images, one row per server
// layout: every pixel must land in its place, bottom-up, with its channels in
// blue, green, red order, whatever the masks, byte order and row padding.
#include "capture/screen/pixel_packing.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "capture/bitmap_file/bitmap_bytes.h"

namespace {

using Bytes = std::vector<uint8_t>;

constexpr uint32_t kDefaultBlackPixel = 7;

// How the server lays out its pixels.
struct Format {
  int bitsPerPixel;
  int depth;
  bool mostSignificantByteFirst;
  uint32_t redMask, greenMask, blueMask;
  int bytesPerLine;  // wider than the pixels, so a stride error shows
};

struct PackingCase {
  const char* name;
  Format format;
  Bytes rows;      // two rows of the server's bytes, top row first
  Bytes expected;  // the six pixels as bitmap bytes, top row first, left to right
};

const PackingCase kCases[] = {
    {"BlueGreenRedPad",
     {32, 24, false, 0xff0000, 0xff00, 0xff, 16},
     {1,  2,  3,  0xAA, 4,  5,  6,  0xAA, 7,  8,  9,  0xAA, 0xEE, 0xEE, 0xEE, 0xEE,  //
      10, 11, 12, 0xAA, 13, 14, 15, 0xAA, 16, 17, 18, 0xAA, 0xEE, 0xEE, 0xEE, 0xEE},
     {1, 2, 3, 0, 4, 5, 6, 0, 7, 8, 9, 0, 10, 11, 12, 0, 13, 14, 15, 0, 16, 17, 18, 0}},
    {"RedLowest",
     {32, 24, false, 0xff, 0xff00, 0xff0000, 16},
     {1,  2,  3,  0xAA, 4,  5,  6,  0xAA, 7,  8,  9,  0xAA, 0xEE, 0xEE, 0xEE, 0xEE,  //
      10, 11, 12, 0xAA, 13, 14, 15, 0xAA, 16, 17, 18, 0xAA, 0xEE, 0xEE, 0xEE, 0xEE},
     {3, 2, 1, 0, 6, 5, 4, 0, 9, 8, 7, 0, 12, 11, 10, 0, 15, 14, 13, 0, 18, 17, 16, 0}},
    {"MostSignificantByteFirst",
     {32, 24, true, 0xff0000, 0xff00, 0xff, 12},
     {0xAA, 3,  2,  1,  0xAA, 6,  5,  4,  0xAA, 9,  8,  7,  //
      0xAA, 12, 11, 10, 0xAA, 15, 14, 13, 0xAA, 18, 17, 16},
     {1, 2, 3, 0, 4, 5, 6, 0, 7, 8, 9, 0, 10, 11, 12, 0, 13, 14, 15, 0, 16, 17, 18, 0}},
    // Ten bits a channel keep their top eight: red 0x3ff, green 0x200, blue 1.
    {"TenBitsAChannel",
     {32, 30, false, 0x3ff00000, 0xffc00, 0x3ff, 12},
     {0x01, 0x00, 0xf8, 0x3f, 0,    0,    0,    0,    0xff, 0xff, 0xff, 0x3f,  //
      0,    0,    0,    0,    0x01, 0x00, 0xf8, 0x3f, 0,    0,    0,    0},
     {0x00, 0x80, 0xff, 0, 0,    0,    0,    0, 0xff, 0xff, 0xff, 0,  //
      0,    0,    0,    0, 0x00, 0x80, 0xff, 0, 0,    0,    0,    0}},
    {"ThreeBytesAPixel",
     {24, 24, false, 0xff0000, 0xff00, 0xff, 12},
     {1,  2,  3,  4,  5,  6,  7,  8,  9,  0xEE, 0xEE, 0xEE,  //
      10, 11, 12, 13, 14, 15, 16, 17, 18, 0xEE, 0xEE, 0xEE},
     {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18}},
    // 5-6-5 becomes 5-5-5 and green's lowest bit goes: 0x0020 is black.
    {"FiveSixFive",
     {16, 16, false, 0xf800, 0x07e0, 0x001f, 8},
     {0xff, 0xff, 0x00, 0xf8, 0xe0, 0x07, 0xEE, 0xEE,  //
      0x20, 0x00, 0x1f, 0x00, 0x41, 0x08, 0xEE, 0xEE},
     {0xff, 0x7f, 0x00, 0x7c, 0xe0, 0x03, 0x00, 0x00, 0x1f, 0x00, 0x21, 0x04}},
    {"FiveSixFiveMostSignificantByteFirst",
     {16, 16, true, 0xf800, 0x07e0, 0x001f, 8},
     {0xff, 0xff, 0xf8, 0x00, 0x07, 0xe0, 0xEE, 0xEE,  //
      0x00, 0x20, 0x00, 0x1f, 0x08, 0x41, 0xEE, 0xEE},
     {0xff, 0x7f, 0x00, 0x7c, 0xe0, 0x03, 0x00, 0x00, 0x1f, 0x00, 0x21, 0x04}},
    {"FiveFiveFive",
     {16, 15, false, 0x7c00, 0x03e0, 0x001f, 6},
     {0xff, 0x7f, 0x34, 0x12, 0x00, 0x7c,  //
      0x1f, 0x00, 0xe0, 0x03, 0x21, 0x04},
     {0xff, 0x7f, 0x34, 0x12, 0x00, 0x7c, 0x1f, 0x00, 0xe0, 0x03, 0x21, 0x04}},
    {"Indexed", {8, 8, false, 0, 0, 0, 4}, {5, 0, 255, 0xEE, 1, 2, 3, 0xEE}, {5, 0, 255, 1, 2, 3}},
};

void PrintTo(const PackingCase& c, std::ostream* out) {
  *out << c.name;
}

ScreenImage ImageOf(const PackingCase& c) {
  const Format& f = c.format;
  ScreenImage image;
  image.data = c.rows.data();
  image.width = 3;
  image.height = 2;
  image.bytesPerLine = f.bytesPerLine;
  image.bitsPerPixel = f.bitsPerPixel;
  image.depth = f.depth;
  image.mostSignificantByteFirst = f.mostSignificantByteFirst;
  image.trueColour = f.bitsPerPixel != 8;
  image.redMask = f.redMask;
  image.greenMask = f.greenMask;
  image.blueMask = f.blueMask;
  return image;
}

class PixelPackingTest : public ::testing::TestWithParam<PackingCase> {};

TEST_P(PixelPackingTest, PixelsLandBottomUpAndBlackBeyondTheScreen) {
  const PackingCase& c = GetParam();
  const Format& f = c.format;
  ASSERT_EQ(c.rows.size(), 2u * f.bytesPerLine);
  std::vector<ScreenColour> colours(256);
  colours[5] = {0x1234, 0x5678, 0x9abc};
  PackedDib dib;
  ASSERT_TRUE(PackScreenImage(ImageOf(c), colours.data(), kDefaultBlackPixel, dib));
  const std::string block(reinterpret_cast<const char*>(dib.bytes), dib.length);
  FreePackedDib(dib);

  const int pixelBytes = f.bitsPerPixel / 8;
  const uint32_t entries = f.bitsPerPixel == 8 ? 256 : f.bitsPerPixel == 32 ? 1 : 0;
  const size_t offset = 40 + 4 * entries;
  const size_t rowBytes = (640 * f.bitsPerPixel + 31) / 32 * 4;
  EXPECT_EQ(Field32(block, 4), 640u);
  EXPECT_EQ(Field32(block, 8), 480u);
  EXPECT_EQ(Field16(block, 14), f.bitsPerPixel);
  ASSERT_EQ(block.size(), offset + 480 * rowBytes);
  auto pixel = [&](int x, int y) {
    return block.substr(offset + (479 - y) * rowBytes + x * pixelBytes, pixelBytes);
  };
  const std::string expected(c.expected.begin(), c.expected.end());
  for (int y = 0; y < 2; ++y) {
    for (int x = 0; x < 3; ++x) {
      EXPECT_EQ(pixel(x, y), expected.substr((3 * y + x) * pixelBytes, pixelBytes))
          << "at (" << x << ", " << y << ")";
    }
  }
  // Right of and below the 3 x 2 screen: the screen's black.
  const std::string black(pixelBytes, f.bitsPerPixel == 8 ? kDefaultBlackPixel : 0);
  for (const auto& [x, y] : {std::pair{3, 0}, {639, 1}, {0, 2}, {639, 479}}) {
    EXPECT_EQ(pixel(x, y), black) << "at (" << x << ", " << y << ")";
  }
  if (f.bitsPerPixel == 8) {
    EXPECT_EQ(block.substr(40 + 4 * 5, 4), std::string("\x9a\x56\x12\x00", 4));
  }
}

INSTANTIATE_TEST_SUITE_P(Layouts, PixelPackingTest, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

// Layouts a bitmap cannot hold give no block rather than a wrong picture.
TEST(PixelPacking, LayoutsWithoutABitmapCounterpartGiveNoBlock) {
  const Bytes rows(64, 0);
  ScreenImage image;
  image.data = rows.data();
  image.width = 3;
  image.height = 2;
  image.bytesPerLine = 16;
  const struct {
    int bitsPerPixel, depth;
    bool trueColour;
  } cases[] = {{1, 1, false}, {4, 4, false}, {32, 24, false}, {16, 12, false}};
  for (const auto& c : cases) {
    image.bitsPerPixel = c.bitsPerPixel;
    image.depth = c.depth;
    image.trueColour = c.trueColour;
    image.redMask = image.greenMask = image.blueMask = c.trueColour ? 0xff : 0;
    PackedDib dib;
    EXPECT_FALSE(PackScreenImage(image, nullptr, 0, dib)) << c.bitsPerPixel;
    EXPECT_EQ(dib.bytes, nullptr);
  }
}

}  // namespace
