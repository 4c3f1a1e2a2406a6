// Screen-sharing and screen-copy frames through the bitmap packer on a
// hand-made 4 x 3 picture, one row per format, crop and row order: every pixel
// lands in its place with blue, green, red and a zero byte, the fourth byte of
// the source never shows, and everything outside the picture or its crop is
// black.
#include "capture/screen/wayland/video_frame.h"

#include <gtest/gtest.h>
#include <wayland-client-protocol.h>

#include <string>
#include <vector>

#include "capture/bitmap_file/bitmap_bytes.h"

namespace {

constexpr int kWidth = 4;
constexpr int kHeight = 3;
constexpr int kStride = 20;  // one pixel of padding a row, so a stride error shows
constexpr int kOffset = 8;

// Source pixel (x, y) holds the bytes 1+i, 50+i, 100+i, 0x80 with i = x + 4y;
// the last byte is padding or alpha.
std::vector<uint8_t> Picture() {
  std::vector<uint8_t> bytes(kOffset + kStride * kHeight, 0xEE);
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      const int i = x + 4 * y;
      uint8_t* at = &bytes[kOffset + y * kStride + x * 4];
      at[0] = static_cast<uint8_t>(1 + i);
      at[1] = static_cast<uint8_t>(50 + i);
      at[2] = static_cast<uint8_t>(100 + i);
      at[3] = 0x80;
    }
  }
  return bytes;
}

// The whole picture in format, uncropped.
VideoFrame FrameOf(const std::vector<uint8_t>& bytes, VideoFormat format) {
  VideoFrame frame;
  frame.data = bytes.data();
  frame.size = bytes.size();
  frame.offset = kOffset;
  frame.stride = kStride;
  frame.width = kWidth;
  frame.height = kHeight;
  frame.format = format;
  return frame;
}

struct FrameCase {
  const char* name;
  VideoFormat format;
  int cropX, cropY, cropWidth, cropHeight;
  bool redFirst;       // the source's first byte is red
  int shownX, shownY;  // the source pixel that lands at the region's (0, 0)
  int shownW, shownH;  // how much of the source is shown
  bool yInverted;      // the source's rows are stored bottom row first
};

const FrameCase kCases[] = {
    {"Bgrx", VideoFormat::kBgrx, 0, 0, 0, 0, false, 0, 0, 4, 3, false},
    {"Bgra", VideoFormat::kBgra, 0, 0, 0, 0, false, 0, 0, 4, 3, false},
    {"Rgbx", VideoFormat::kRgbx, 0, 0, 0, 0, true, 0, 0, 4, 3, false},
    {"Rgba", VideoFormat::kRgba, 0, 0, 0, 0, true, 0, 0, 4, 3, false},
    {"Cropped", VideoFormat::kBgrx, 1, 1, 2, 2, false, 1, 1, 2, 2, false},
    {"CropPastThePicture", VideoFormat::kRgbx, 2, 1, 10, 10, true, 2, 1, 2, 2, false},
    {"YInverted", VideoFormat::kBgra, 0, 0, 0, 0, false, 0, 0, 4, 3, true},
    {"YInvertedCropped", VideoFormat::kRgbx, 1, 0, 2, 2, true, 1, 0, 2, 2, true},
};

void PrintTo(const FrameCase& c, std::ostream* out) {
  *out << c.name;
}

class VideoFrameTest : public ::testing::TestWithParam<FrameCase> {};

TEST_P(VideoFrameTest, PacksTheCroppedPictureAndBlackAroundIt) {
  const FrameCase& c = GetParam();
  const std::vector<uint8_t> bytes = Picture();
  VideoFrame frame = FrameOf(bytes, c.format);
  frame.cropX = c.cropX;
  frame.cropY = c.cropY;
  frame.cropWidth = c.cropWidth;
  frame.cropHeight = c.cropHeight;
  frame.yInverted = c.yInverted;
  ScreenImage image;
  ASSERT_TRUE(DescribeVideoFrame(frame, image));
  PackedDib dib;
  ASSERT_TRUE(PackScreenImage(image, nullptr, 0, dib));
  const std::string block(reinterpret_cast<const char*>(dib.bytes), dib.length);
  FreePackedDib(dib);

  ASSERT_EQ(Field16(block, 14), 32);
  const size_t pixels = 40 + 4;  // one colour-table entry at 32 bits
  auto pixel = [&](int x, int y) { return block.substr(pixels + (479 - y) * 2560 + x * 4, 4); };
  for (int y = 0; y < c.shownH + 1; ++y) {
    for (int x = 0; x < c.shownW + 1; ++x) {
      std::string expected(4, '\0');
      if (x < c.shownW && y < c.shownH) {
        const int row = c.yInverted ? kHeight - 1 - (c.shownY + y) : c.shownY + y;
        const int i = (c.shownX + x) + 4 * row;
        const uint8_t first = static_cast<uint8_t>(1 + i);
        const uint8_t third = static_cast<uint8_t>(100 + i);
        expected[0] = static_cast<char>(c.redFirst ? third : first);
        expected[1] = static_cast<char>(50 + i);
        expected[2] = static_cast<char>(c.redFirst ? first : third);
      }
      EXPECT_EQ(pixel(x, y), expected) << "at (" << x << ", " << y << ")";
    }
  }
  EXPECT_EQ(pixel(639, 479), std::string(4, '\0'));
}

INSTANTIATE_TEST_SUITE_P(Formats, VideoFrameTest, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

// A frame whose rows would be read past its buffer, or in a format we do not
// know, gives no image rather than stray memory or wrong colours.
TEST(VideoFrame, RefusesFramesItCannotReadSafely) {
  const std::vector<uint8_t> bytes = Picture();
  const VideoFrame good = FrameOf(bytes, VideoFormat::kBgrx);
  ScreenImage image;
  ASSERT_TRUE(DescribeVideoFrame(good, image));

  VideoFrame shortData = good;
  shortData.size = bytes.size() - 5;
  VideoFrame farOffset = good;
  farOffset.offset = bytes.size();
  VideoFrame narrowStride = good;
  narrowStride.stride = 12;
  VideoFrame invertedShort = good;
  invertedShort.yInverted = true;
  invertedShort.size = bytes.size() - 5;
  VideoFrame unknown = good;
  unknown.format = VideoFormat::kUnknown;
  // A width whose row is more bytes than an int holds: refused, not wrapped
  // round to a small stride.
  VideoFrame hugeWidth = good;
  hugeWidth.width = 1 << 30;
  hugeWidth.stride = 0;
  for (const VideoFrame& frame :
       {shortData, farOffset, narrowStride, invertedShort, unknown, hugeWidth}) {
    EXPECT_FALSE(DescribeVideoFrame(frame, image));
  }
}

// A picture larger than 640 x 480 (a whole monitor, a tall window) is
// described whole, and a region is cut out of it at its place: as pixels for
// the look, only while the picture holds all of it.
TEST(VideoFrame, DescribesAPictureOfAnySizeWholeAndCutsRegionsOutOfIt) {
  constexpr int kBigWidth = 700;
  constexpr int kBigHeight = 500;
  std::vector<uint8_t> bytes(kBigWidth * kBigHeight * 4);
  for (int y = 0; y < kBigHeight; ++y) {
    for (int x = 0; x < kBigWidth; ++x) {
      uint8_t* at = &bytes[(y * kBigWidth + x) * 4];
      at[0] = static_cast<uint8_t>(x);  // blue
      at[1] = static_cast<uint8_t>(y);  // green
      at[2] = static_cast<uint8_t>(x >> 8 | (y >> 8) << 4);
      at[3] = 0;
    }
  }
  VideoFrame frame;
  frame.data = bytes.data();
  frame.size = bytes.size();
  frame.width = kBigWidth;
  frame.height = kBigHeight;
  frame.format = VideoFormat::kBgrx;
  ScreenImage picture;
  ASSERT_TRUE(DescribeVideoFrame(frame, picture));
  EXPECT_EQ(picture.width, kBigWidth);
  EXPECT_EQ(picture.height, kBigHeight);

  std::vector<uint32_t> pixels;
  ASSERT_EQ(PictureRegionPixels(picture, ScreenRegion{650, 470, 50, 30}, pixels), 1);
  ASSERT_EQ(pixels.size(), 50u * 30u);
  for (int y = 0; y < 30; y += 29) {
    for (int x = 0; x < 50; x += 49) {
      const int sx = 650 + x;
      const int sy = 470 + y;
      const uint32_t red = static_cast<uint32_t>(sx >> 8 | (sy >> 8) << 4);
      const uint32_t expected = red | static_cast<uint32_t>(sy & 0xff) << 8 |
                                static_cast<uint32_t>(sx & 0xff) << 16 | 0xff000000u;
      EXPECT_EQ(pixels[y * 50 + x], expected) << x << "," << y;
    }
  }
  EXPECT_EQ(PictureRegionPixels(picture, ScreenRegion{651, 470, 50, 30}, pixels), 0);
  EXPECT_EQ(PictureRegionPixels(picture, ScreenRegion{0, 471, 10, 30}, pixels), 0);
}

// The compositor's screen copy names its formats as wl_shm does.
TEST(VideoFrame, ShmFormatsAreTheLayoutsTheyName) {
  const struct {
    uint32_t shm;
    VideoFormat format;
  } cases[] = {
      {WL_SHM_FORMAT_XRGB8888, VideoFormat::kBgrx},
      {WL_SHM_FORMAT_ARGB8888, VideoFormat::kBgra},
      {WL_SHM_FORMAT_XBGR8888, VideoFormat::kRgbx},
      {WL_SHM_FORMAT_ABGR8888, VideoFormat::kRgba},
      {WL_SHM_FORMAT_RGB565, VideoFormat::kUnknown},
      {WL_SHM_FORMAT_BGRX8888, VideoFormat::kUnknown},
  };
  for (const auto& c : cases) EXPECT_EQ(VideoFormatOfShm(c.shm), c.format) << std::hex << c.shm;
}

}  // namespace
