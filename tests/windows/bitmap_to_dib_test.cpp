// Converting device-dependent bitmaps into packed bitmaps with GDI: the block
// layout for bitmaps of known content, and the requests that give no block.
#define NOMINMAX
#define WIN32_LEAN_AND_MEAN
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <vector>

#include "capture/bitmap_file/packed_dib.h"
#include "windows/import_spy.h"

PackedDib BitmapToDib(HBITMAP bitmap, DWORD compression, HPALETTE palette);

namespace {

// Frees the block on every way out of a test.
struct BlockOwner {
  PackedDib dib;
  ~BlockOwner() {
    if (dib.bytes != nullptr) GlobalFree(dib.bytes);
  }
};

struct BitmapOwner {
  HBITMAP handle;
  ~BitmapOwner() { DeleteObject(handle); }
};

// What the conversion asked of kernel32's global memory.
int g_allocations = 0;
std::vector<SIZE_T> g_reallocSizes;
void* g_realGlobalAlloc = nullptr;
void* g_realGlobalReAlloc = nullptr;

HGLOBAL WINAPI CountingGlobalAlloc(UINT flags, SIZE_T bytes) {
  ++g_allocations;
  return reinterpret_cast<decltype(&GlobalAlloc)>(g_realGlobalAlloc)(flags, bytes);
}

HGLOBAL WINAPI RecordingGlobalReAlloc(HGLOBAL block, SIZE_T bytes, UINT flags) {
  g_reallocSizes.push_back(bytes);
  return reinterpret_cast<decltype(&GlobalReAlloc)>(g_realGlobalReAlloc)(block, bytes, flags);
}

class GlobalMemoryWatch {
 public:
  GlobalMemoryWatch()
      : alloc_("kernel32.dll", "GlobalAlloc", reinterpret_cast<void*>(&CountingGlobalAlloc)),
        realloc_("kernel32.dll", "GlobalReAlloc",
                 reinterpret_cast<void*>(&RecordingGlobalReAlloc)) {
    g_realGlobalAlloc = alloc_.original();
    g_realGlobalReAlloc = realloc_.original();
    g_allocations = 0;
    g_reallocSizes.clear();
  }

 private:
  ImportSpy alloc_;
  ImportSpy realloc_;
};

// 16 x 2 monochrome: GDI rows of a monochrome bitmap are padded to 16 bits.
const uint8_t kMonoRows[2][2] = {{0xF0, 0x0F}, {0xA5, 0x3C}};

HBITMAP MonochromeBitmap() {
  uint8_t bits[4];
  std::memcpy(bits, kMonoRows, sizeof bits);
  return CreateBitmap(16, 2, 1, 1, bits);
}

TEST(BitmapToDib, MonochromeGivesTwoEntriesAndPaddedRowsBottomUp) {
  const BitmapOwner bitmap{MonochromeBitmap()};
  ASSERT_NE(bitmap.handle, nullptr);
  BlockOwner block{BitmapToDib(bitmap.handle, BI_RGB, nullptr)};
  ASSERT_NE(block.dib.bytes, nullptr);
  // Header, two table entries, two rows of 16 bits padded to four bytes.
  ASSERT_EQ(block.dib.length, 40u + 8u + 2u * 4u);
  const DibHeader header = LoadDibHeader(block.dib.bytes);
  EXPECT_EQ(header.size, 40u);
  EXPECT_EQ(header.width, 16);
  EXPECT_EQ(header.height, 2);
  EXPECT_EQ(header.bitCount, 1);
  EXPECT_EQ(header.compression, 0u);
  EXPECT_EQ(DibPixelOffset(header), 48u);

  const uint8_t* table = block.dib.bytes + 40;
  const uint8_t black[4] = {0, 0, 0, 0};
  const uint8_t white[4] = {255, 255, 255, 0};
  EXPECT_EQ(std::memcmp(table, black, 4), 0);
  EXPECT_EQ(std::memcmp(table + 4, white, 4), 0);

  // The first row in the block is the bitmap's bottom row.
  const uint8_t* pixels = block.dib.bytes + 48;
  EXPECT_EQ(pixels[0], kMonoRows[1][0]);
  EXPECT_EQ(pixels[1], kMonoRows[1][1]);
  EXPECT_EQ(pixels[4], kMonoRows[0][0]);
  EXPECT_EQ(pixels[5], kMonoRows[0][1]);
}

TEST(BitmapToDib, ScreenCompatibleBitmapKeepsEveryPixelInPlace) {
  const HDC screen = GetDC(nullptr);
  ASSERT_NE(screen, nullptr);
  const int depth = GetDeviceCaps(screen, BITSPIXEL);
  if (depth != 32) {
    ReleaseDC(nullptr, screen);
    GTEST_SKIP() << "needs a 32-bit display, this one has " << depth << " bits";
  }
  const BitmapOwner bitmap{CreateCompatibleBitmap(screen, 3, 2)};
  const HDC memory = CreateCompatibleDC(screen);
  ReleaseDC(nullptr, screen);
  ASSERT_NE(bitmap.handle, nullptr);
  const HGDIOBJ kept = SelectObject(memory, bitmap.handle);
  const COLORREF colours[2][3] = {{RGB(255, 0, 0), RGB(0, 255, 0), RGB(0, 0, 255)},
                                  {RGB(1, 2, 3), RGB(250, 128, 7), RGB(255, 255, 255)}};
  for (int y = 0; y < 2; ++y) {
    for (int x = 0; x < 3; ++x) SetPixel(memory, x, y, colours[y][x]);
  }
  SelectObject(memory, kept);
  DeleteDC(memory);

  BlockOwner block{BitmapToDib(bitmap.handle, BI_RGB, nullptr)};
  ASSERT_NE(block.dib.bytes, nullptr);
  // One colour-table entry that carries no colour, then 4-byte pixels.
  ASSERT_EQ(block.dib.length, 40u + 4u + 3u * 2u * 4u);
  const DibHeader header = LoadDibHeader(block.dib.bytes);
  EXPECT_EQ(header.bitCount, 32);
  EXPECT_EQ(header.sizeImage, 24u);
  const uint8_t* pixels = block.dib.bytes + DibPixelOffset(header);
  for (int y = 0; y < 2; ++y) {
    for (int x = 0; x < 3; ++x) {
      const uint8_t* at = pixels + (1 - y) * 12 + x * 4;
      const COLORREF c = colours[y][x];
      EXPECT_EQ(at[0], GetBValue(c)) << x << "," << y;
      EXPECT_EQ(at[1], GetGValue(c)) << x << "," << y;
      EXPECT_EQ(at[2], GetRValue(c)) << x << "," << y;
    }
  }
}

TEST(BitmapToDib, BitFieldsAreRefusedBeforeAnythingIsAllocated) {
  const BitmapOwner bitmap{MonochromeBitmap()};
  const GlobalMemoryWatch watch;
  const PackedDib dib = BitmapToDib(bitmap.handle, BI_BITFIELDS, nullptr);
  EXPECT_EQ(dib.bytes, nullptr);
  EXPECT_EQ(dib.length, 0u);
  EXPECT_EQ(g_allocations, 0);
}

// When the platform reports no image size for a compressed layout, the block
// is sized half as large again as the plain rows, since compressed rows can
// come out longer than plain ones.
TEST(BitmapToDib, UnreportedCompressedSizeIsEstimatedWithHalfAgain) {
  const BitmapOwner bitmap{MonochromeBitmap()};
  const GlobalMemoryWatch watch;
  BlockOwner block{BitmapToDib(bitmap.handle, BI_RLE8, nullptr)};
  EXPECT_EQ(g_allocations, 1);
  ASSERT_EQ(g_reallocSizes.size(), 1u);
  // Two rows of four bytes, times three halves, behind header and table.
  EXPECT_EQ(g_reallocSizes[0], 40u + 8u + 8u * 3 / 2);
}

}  // namespace
