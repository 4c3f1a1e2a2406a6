// The bitmap file layout written through the Win32 file layer, for blocks
// made by hand: every display depth, creation and truncation, and the names
// and sharing conflicts that make the writer skip the frame.
#define NOMINMAX
#define WIN32_LEAN_AND_MEAN
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "capture/bitmap_file/bitmap_bytes.h"
#include "capture/bitmap_file/bitmap_file.h"
#include "capture/bitmap_file/packed_dib.h"
#include "windows/win32_files.h"

namespace {

class Win32BitmapFileDepthTest : public ::testing::TestWithParam<DepthCase> {};

TEST_P(Win32BitmapFileDepthTest, HeaderAndBlockLandInTheFile) {
  const DepthCase& c = GetParam();
  EXPECT_EQ(ColorTableEntries(c.bitCount), c.entries);
  EXPECT_EQ(DibRowBytes(640, c.bitCount), c.rowBytes);

  TempFolder folder;
  std::vector<uint8_t> block = HandMadeBlock(c.bitCount, c.entries, c.rowBytes);
  ASSERT_EQ(WriteBitmapFile(folder.File("x.bmp").c_str(), ViewOf(block)), 1);
  const std::string file = ReadWholeFile(folder.File("x.bmp"));
  ExpectFileHoldsBlock(file, c, block);
}

INSTANTIATE_TEST_SUITE_P(Depths, Win32BitmapFileDepthTest, ::testing::ValuesIn(kDepths),
                         [](const auto& info) { return std::to_string(info.param.bitCount); });

TEST(Win32BitmapFile, CreatesAMissingFileAndCutsALongerOne) {
  TempFolder folder;
  std::vector<uint8_t> block = HandMadeBlock(16, 0, 1280);
  const std::string longer = folder.File("x.bmp");
  WriteWholeFile(longer, std::string(2000000, 'z'));
  const std::string missing = folder.File("new.bmp");
  for (const std::string& path : {longer, missing}) {
    ASSERT_EQ(WriteBitmapFile(path.c_str(), ViewOf(block)), 1) << path;
    const std::string file = ReadWholeFile(path);
    ASSERT_EQ(file.size(), 614454u) << path;
    EXPECT_EQ(file.compare(14, std::string::npos, std::string(block.begin(), block.end())), 0)
        << path;
  }
}

TEST(Win32BitmapFile, NoBlockOrAnUnopenableNameWritesNothing) {
  TempFolder folder;
  const std::string existing = folder.File("x.bmp");
  WriteWholeFile(existing, "previous frame");
  EXPECT_EQ(WriteBitmapFile(existing.c_str(), PackedDib{}), 0);
  EXPECT_EQ(ReadWholeFile(existing), "previous frame");

  std::vector<uint8_t> block = HandMadeBlock(24, 0, 1920);
  const std::string directory = folder.File("frames");
  ASSERT_TRUE(CreateDirectoryA(directory.c_str(), nullptr));
  EXPECT_EQ(WriteBitmapFile(directory.c_str(), ViewOf(block)), 0);
  EXPECT_NE(GetFileAttributesA(directory.c_str()) & FILE_ATTRIBUTE_DIRECTORY, 0u);

  const std::string inMissingFolder = folder.File("absent\\x.bmp");
  EXPECT_EQ(WriteBitmapFile(inMissingFolder.c_str(), ViewOf(block)), 0);
  EXPECT_FALSE(PathExists(inMissingFolder));
}

// The writer asks for the file to itself, so even a reader that shares every
// access keeps the previous frame in place instead of seeing a half-written
// one; the next conversion then processes the previous frame again.
TEST(Win32BitmapFile, AFileHeldOpenElsewhereKeepsThePreviousFrame) {
  TempFolder folder;
  const std::string path = folder.File("x.bmp");
  WriteWholeFile(path, "previous frame");
  std::vector<uint8_t> block = HandMadeBlock(32, 1, 2560);
  const DWORD shareModes[] = {0, FILE_SHARE_READ, FILE_SHARE_READ | FILE_SHARE_WRITE};
  for (const DWORD share : shareModes) {
    const HANDLE reader = CreateFileA(path.c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(reader, INVALID_HANDLE_VALUE);
    EXPECT_EQ(WriteBitmapFile(path.c_str(), ViewOf(block)), 0) << "share mode " << share;
    CloseHandle(reader);
    EXPECT_EQ(ReadWholeFile(path), "previous frame") << "share mode " << share;
  }
  EXPECT_EQ(WriteBitmapFile(path.c_str(), ViewOf(block)), 1);
  EXPECT_EQ(ReadWholeFile(path).size(), 1228858u);
}

TEST(Win32BitmapFile, ABlockTooShortForItsHeaderIsNoBlock) {
  TempFolder folder;
  std::vector<uint8_t> stub(39, 0);
  EXPECT_EQ(WriteBitmapFile(folder.File("x.bmp").c_str(), ViewOf(stub)), 0);
  EXPECT_FALSE(PathExists(folder.File("x.bmp")));
}

}  // namespace
