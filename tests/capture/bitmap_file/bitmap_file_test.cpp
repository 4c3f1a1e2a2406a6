// The packed bitmap's layout and the bitmap file written from it, for blocks
// made by hand; no display needed.
#include "capture/bitmap_file/bitmap_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <ostream>
#include <string>
#include <system_error>
#include <vector>

#include "capture/bitmap_file/bitmap_bytes.h"
#include "capture/bitmap_file/packed_dib.h"
#include "support/temp_dir.h"

namespace {

class BitmapFileDepthTest : public ::testing::TestWithParam<DepthCase> {};

TEST_P(BitmapFileDepthTest, TableRowLengthAndFileLayoutMatchTheDepth) {
  const DepthCase& c = GetParam();
  EXPECT_EQ(ColorTableEntries(c.bitCount), c.entries);
  EXPECT_EQ(DibRowBytes(640, c.bitCount), c.rowBytes);

  TempDir dir;
  std::vector<uint8_t> block = HandMadeBlock(c.bitCount, c.entries, c.rowBytes);
  ASSERT_EQ(WriteBitmapFile(dir.File("x.bmp").c_str(), ViewOf(block)), 1);
  const std::string file = ReadFile(dir.File("x.bmp"));
  ExpectFileHoldsBlock(file, c, block);
}

INSTANTIATE_TEST_SUITE_P(Depths, BitmapFileDepthTest, ::testing::ValuesIn(kDepths),
                         [](const auto& info) { return std::to_string(info.param.bitCount); });

TEST(EstimateDibImageSize, RoundsRowsToFourBytesAndAddsHalfForCompression) {
  EXPECT_EQ(EstimateDibImageSize(24, 641, 2, kCompressionRgb), 1924u * 2);
  EXPECT_EQ(EstimateDibImageSize(1, 3, 5, kCompressionRgb), 4u * 5);
  EXPECT_EQ(EstimateDibImageSize(8, 3, 3, 1), 18u);  // 12 * 3 / 2
}

TEST(WriteBitmapFile, NoBlockLeavesTheFileAsItWas) {
  TempDir dir;
  const std::string existing = dir.File("x.bmp");
  WriteFile(existing, "previous frame");
  EXPECT_EQ(WriteBitmapFile(existing.c_str(), PackedDib{}), 0);
  EXPECT_EQ(ReadFile(existing), "previous frame");

  const std::string missing = dir.File("y.bmp");
  EXPECT_EQ(WriteBitmapFile(missing.c_str(), PackedDib{}), 0);
  EXPECT_FALSE(FileExists(missing));
}

TEST(WriteBitmapFile, CreatesAMissingFileAndCutsALongerOne) {
  TempDir dir;
  std::vector<uint8_t> block = HandMadeBlock(16, 0, 1280);
  const std::string longer = dir.File("x.bmp");
  WriteFile(longer, std::string(2000000, 'z'));
  const std::string missing = dir.File("new.bmp");
  for (const std::string& path : {longer, missing}) {
    ASSERT_EQ(WriteBitmapFile(path.c_str(), ViewOf(block)), 1) << path;
    const std::string file = ReadFile(path);
    EXPECT_EQ(file.size(), 614454u) << path;
    EXPECT_EQ(file.compare(14, std::string::npos, std::string(block.begin(), block.end())), 0)
        << path;
  }
}

TEST(WriteBitmapFile, ANameThatCannotBeOpenedWritesNothing) {
  TempDir dir;
  std::vector<uint8_t> block = HandMadeBlock(24, 0, 1920);
  const std::string directory = dir.File("x.bmp");
  ASSERT_EQ(mkdir(directory.c_str(), 0755), 0);
  EXPECT_EQ(WriteBitmapFile(directory.c_str(), ViewOf(block)), 0);
  const std::string inMissingFolder = dir.File("absent/x.bmp");
  EXPECT_EQ(WriteBitmapFile(inMissingFolder.c_str(), ViewOf(block)), 0);
  EXPECT_FALSE(FileExists(inMissingFolder));
  struct stat info;
  ASSERT_EQ(stat(directory.c_str(), &info), 0);
  EXPECT_TRUE(S_ISDIR(info.st_mode));
}

TEST(WriteBitmapFile, ADeviceIsWrittenWithoutBeingCut) {
  std::vector<uint8_t> block = HandMadeBlock(8, 256, 640);
  EXPECT_EQ(WriteBitmapFile("/dev/null", ViewOf(block)), 1);
}

TEST(WriteBitmapFile, AFailingWriteThrows) {
  // /dev/full opens for writing and refuses every byte with "no space left".
  std::vector<uint8_t> block = HandMadeBlock(8, 256, 640);
  try {
    WriteBitmapFile("/dev/full", ViewOf(block));
    FAIL() << "no exception";
  } catch (const std::system_error& e) {
    EXPECT_EQ(e.code(), std::errc::no_space_on_device);
    EXPECT_NE(std::string(e.what()).find("/dev/full"), std::string::npos) << e.what();
  }
}

}  // namespace
