// Frame loading: the row flip, the decode into a raster sized by the first
// frame, and the two fatal conditions.
#include "capture/raster/frame_loader.h"

#include <gtest/gtest.h>
#include <tiffio.h>

#include <vector>

#include "support/temp_dir.h"
#include "support/tiff_frames.h"

namespace {

constexpr uint32_t kRgbMask = 0x00FFFFFF;

// A picture whose every pixel is distinct, so misplaced rows or columns show.
Picture NumberedPicture(int width, int height) {
  Picture picture = SolidPicture(width, height, 0);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) picture.At(x, y) = Rgb(x & 0xFF, y & 0xFF, (x + y) & 0xFF);
  }
  return picture;
}

// A raster whose block is released with the test; the program itself keeps
// its one raster for the life of the process.
struct OwnedRaster : Raster {
  OwnedRaster() = default;
  OwnedRaster(const OwnedRaster&) = delete;
  OwnedRaster& operator=(const OwnedRaster&) = delete;
  ~OwnedRaster() {
    if (pixels != nullptr) _TIFFfree(pixels);
  }
};

uint32_t RasterAt(const Raster& raster, int x, int y) {
  return raster.pixels[static_cast<size_t>(y) * raster.width + x] & kRgbMask;
}

// A TIFF that claims width x height and holds no image data at all.
void WriteClaimingTiff(const std::string& path, uint32_t width, uint32_t height) {
  WriteFile(path, ForgedTiff(width, height, 0));
}

struct FlipCase {
  int height;
  int width;
};

class FlipRasterTest : public ::testing::TestWithParam<FlipCase> {};

TEST_P(FlipRasterTest, ReversesRowsAndKeepsColumns) {
  const auto [height, width] = GetParam();
  std::vector<uint32_t> pixels(static_cast<size_t>(height) * width + 1);
  for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<uint32_t>(i);
  const uint32_t sentinel = pixels.back();
  FlipRaster(pixels.data(), height, width);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      EXPECT_EQ(pixels[static_cast<size_t>(y) * width + x],
                static_cast<uint32_t>((height - 1 - y) * width + x))
          << "row " << y << " column " << x;
    }
  }
  EXPECT_EQ(pixels.back(), sentinel) << "wrote past the block";
}

INSTANTIATE_TEST_SUITE_P(Shapes, FlipRasterTest,
                         ::testing::Values(FlipCase{0, 4}, FlipCase{1, 5}, FlipCase{2, 4},
                                           FlipCase{3, 3}, FlipCase{4, 6}, FlipCase{5, 1},
                                           FlipCase{3, 0}));

TEST(DecodeFrame, FirstFrameSizesTheRasterAndIsUpright) {
  TempDir dir;
  Picture picture = NumberedPicture(640, 480);
  picture.At(0, 0) = Rgb(250, 10, 20);
  WriteRgbTiff(dir.File("x.tif"), picture);

  OwnedRaster raster;
  ASSERT_EQ(DecodeFrame(dir.File("x.tif").c_str(), raster), FrameStatus::kLoaded);
  EXPECT_EQ(raster.width, 640);
  EXPECT_EQ(raster.height, 480);
  EXPECT_EQ(static_cast<size_t>(raster.width) * raster.height * sizeof(uint32_t), 1228800u);
  EXPECT_EQ(RasterAt(raster, 0, 0), Rgb(250, 10, 20));
  for (int y = 0; y < 480; y += 37) {
    for (int x = 0; x < 640; x += 41) ASSERT_EQ(RasterAt(raster, x, y), picture.At(x, y));
  }
  EXPECT_EQ(RasterAt(raster, 639, 479), picture.At(639, 479));
}

TEST(DecodeFrame, LaterFramesKeepTheFirstSizeAndBlock) {
  TempDir dir;
  const std::string path = dir.File("x.tif");
  WriteRgbTiff(path, NumberedPicture(64, 48));
  OwnedRaster raster;
  ASSERT_EQ(DecodeFrame(path.c_str(), raster), FrameStatus::kLoaded);
  uint32_t* const block = raster.pixels;

  struct Later {
    int width;
    int height;
  };
  for (const Later later : {Later{100, 80}, Later{32, 24}, Later{100, 20}, Later{20, 100},
                            Later{64, 48}, Later{1, 1}}) {
    SCOPED_TRACE(std::to_string(later.width) + "x" + std::to_string(later.height));
    Picture picture = SolidPicture(later.width, later.height, Rgb(9, 9, 9));
    for (int y = 0; y < later.height; ++y) {
      for (int x = 0; x < later.width; ++x) picture.At(x, y) = Rgb(x, y, 77);
    }
    WriteRgbTiff(path, picture);
    ASSERT_EQ(DecodeFrame(path.c_str(), raster), FrameStatus::kLoaded);
    EXPECT_EQ(raster.pixels, block);
    EXPECT_EQ(raster.width, 64);
    EXPECT_EQ(raster.height, 48);
    // The overlapping top-left part is the new picture, upright.
    const int w = std::min(later.width, 64);
    const int h = std::min(later.height, 48);
    for (int y = 0; y < h; ++y) {
      for (int x = 0; x < w; ++x) ASSERT_EQ(RasterAt(raster, x, y), Rgb(x, y, 77));
      for (int x = w; x < 64; ++x) ASSERT_EQ(RasterAt(raster, x, y), 0u);
    }
  }
}

TEST(DecodeFrame, MissingOrForeignFileCannotBeOpened) {
  TempDir dir;
  OwnedRaster raster;
  EXPECT_EQ(DecodeFrame(dir.File("x.tif").c_str(), raster), FrameStatus::kCannotOpen);
  WriteFile(dir.File("x.tif"), "BM this is not a TIFF");
  EXPECT_EQ(DecodeFrame(dir.File("x.tif").c_str(), raster), FrameStatus::kCannotOpen);
  EXPECT_EQ(raster.pixels, nullptr);
}

TEST(DecodeFrame, UnusableFirstSizesAreAllocationFailures) {
  struct Claim {
    uint32_t width;
    uint32_t height;
  };
  // 70000 x 70000 x 4 is 18 GiB; 65536 x 65536 x 4 wraps to 0 in 32 bits;
  // 8193 x 8193 x 4 is just over 256 MiB.
  for (const Claim claim :
       {Claim{70000, 70000}, Claim{65536, 65536}, Claim{8193, 8193}, Claim{0x80000000u, 1}}) {
    SCOPED_TRACE(std::to_string(claim.width) + "x" + std::to_string(claim.height));
    TempDir dir;
    WriteClaimingTiff(dir.File("x.tif"), claim.width, claim.height);
    OwnedRaster raster;
    EXPECT_EQ(DecodeFrame(dir.File("x.tif").c_str(), raster), FrameStatus::kCannotAllocate);
    EXPECT_EQ(raster.pixels, nullptr);
    EXPECT_EQ(raster.width, 0);
    EXPECT_EQ(raster.height, 0);
  }
}

TEST(DecodeFrame, LargestAllowedFirstFrameIsAllocated) {
  TempDir dir;
  // 8192 x 8192 x 4 is exactly 256 MiB: allowed. The data is missing, so the
  // decode reports through libtiff and leaves the block as it is.
  WriteClaimingTiff(dir.File("x.tif"), 8192, 8192);
  OwnedRaster raster;
  EXPECT_EQ(DecodeFrame(dir.File("x.tif").c_str(), raster), FrameStatus::kLoaded);
  EXPECT_EQ(raster.width, 8192);
  EXPECT_EQ(raster.height, 8192);
  EXPECT_NE(raster.pixels, nullptr);
}

TEST(DecodeFrame, ADecodeThatWritesNothingKeepsThePreviousPixelsFlipped) {
  TempDir dir;
  const std::string path = dir.File("x.tif");
  Picture picture = NumberedPicture(16, 8);
  WriteRgbTiff(path, picture);
  OwnedRaster raster;
  ASSERT_EQ(DecodeFrame(path.c_str(), raster), FrameStatus::kLoaded);
  WriteClaimingTiff(path, 16, 8);  // same size, no image data
  ASSERT_EQ(DecodeFrame(path.c_str(), raster), FrameStatus::kLoaded);
  for (int y = 0; y < 8; ++y) {
    for (int x = 0; x < 16; ++x) EXPECT_EQ(RasterAt(raster, x, y), picture.At(x, 7 - y));
  }
}

}  // namespace
