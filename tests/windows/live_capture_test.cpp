// Live captures of a real screen through GDI. scripts/test-windows runs these
// under Wine on a private X server showing a known picture, and passes the
// screen's depth and a P6 image of what the X server itself shows in
// BOTTLEWATCH_TEST_DEPTH and BOTTLEWATCH_TEST_SCREEN; without them the tests
// skip.
#define NOMINMAX
#define WIN32_LEAN_AND_MEAN
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "capture/screen/screen_capture.h"
#include "windows/import_spy.h"
#include "windows/win32_files.h"

namespace {

struct ScreenImage {
  int width = 0;
  int height = 0;
  std::string rgb;  // three bytes per pixel, row 0 at the top
};

ScreenImage ReadP6(const std::string& path) {
  const std::string bytes = ReadWholeFile(path);
  std::istringstream in(bytes);
  std::string magic;
  int maxValue = 0;
  ScreenImage image;
  in >> magic >> image.width >> image.height >> maxValue;
  in.get();
  if (magic != "P6" || maxValue != 255) return ScreenImage{};
  image.rgb = bytes.substr(static_cast<size_t>(in.tellg()));
  if (image.rgb.size() != static_cast<size_t>(image.width) * image.height * 3) return ScreenImage{};
  return image;
}

struct Expected {
  int xDepth;
  uint16_t bitCount;
  uint32_t offBits;
  uint32_t fileLength;
};

// A 24-bit X screen reaches GDI as 32 bits per pixel.
const Expected kByDepth[] = {
    {24, 32, 58, 1228858},
    {16, 16, 54, 614454},
    {8, 8, 1078, 308278},
};

class LiveCapture : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* depth = std::getenv("BOTTLEWATCH_TEST_DEPTH");
    const char* screen = std::getenv("BOTTLEWATCH_TEST_SCREEN");
    if (depth == nullptr || screen == nullptr) {
      GTEST_SKIP() << "no prepared screen (run through scripts/test-windows)";
    }
    for (const Expected& e : kByDepth) {
      if (e.xDepth == std::atoi(depth)) expected_ = e;
    }
    ASSERT_NE(expected_.xDepth, 0) << "no expectations for depth " << depth;
    screen_ = ReadP6(screen);
    ASSERT_EQ(screen_.width, 640) << "unreadable screen image " << screen;
    ASSERT_EQ(screen_.height, 480);
  }

  // Captures into a fresh x.bmp and returns its bytes.
  std::string Capture() {
    const std::string path = folder_.File("x.bmp");
    EXPECT_EQ(CaptureScreen(path.c_str()), 1);
    return ReadWholeFile(path);
  }

  Expected expected_ = {};
  ScreenImage screen_;
  TempFolder folder_;
};

TEST_F(LiveCapture, FileLayoutFollowsTheDisplayDepth) {
  const std::string file = Capture();
  ASSERT_EQ(file.size(), expected_.fileLength);
  EXPECT_EQ(file.substr(0, 2), "BM");
  EXPECT_EQ(Field32(file, 2), file.size());
  EXPECT_EQ(Field32(file, 10), expected_.offBits);
  EXPECT_EQ(Field32(file, 14), 40u);
  EXPECT_EQ(Field32(file, 18), 640u);
  EXPECT_EQ(Field32(file, 22), 480u);
  EXPECT_EQ(Field16(file, 26), 1);
  EXPECT_EQ(Field16(file, 28), expected_.bitCount);
  EXPECT_EQ(Field32(file, 30), 0u);
  EXPECT_EQ(Field32(file, 34), file.size() - expected_.offBits);
}

// Every pixel of the region, compared with what the X server shows. The first
// row in the file is the region's bottom row. A 16-bit X screen has six bits
// of green where the file has five, so colours are compared at five bits.
TEST_F(LiveCapture, PixelsEqualTheScreen) {
  if (expected_.bitCount == 8) {
    GTEST_SKIP() << "an 8-bit screen's colours belong to other X clients, which GDI cannot see";
  }
  const std::string file = Capture();
  ASSERT_EQ(file.size(), expected_.fileLength);
  const size_t bytesPerPixel = expected_.bitCount / 8;
  const size_t rowBytes = 640 * bytesPerPixel;
  int mismatches = 0;
  for (int y = 0; y < 480 && mismatches < 10; ++y) {
    const size_t row = expected_.offBits + static_cast<size_t>(479 - y) * rowBytes;
    for (int x = 0; x < 640 && mismatches < 10; ++x) {
      const size_t at = row + x * bytesPerPixel;
      const auto* want = reinterpret_cast<const uint8_t*>(&screen_.rgb[(y * 640 + x) * 3]);
      int red = 0, green = 0, blue = 0, shift = 0;
      if (bytesPerPixel == 2) {
        const uint16_t pixel = Field16(file, at);
        red = pixel >> 10 & 31;
        green = pixel >> 5 & 31;
        blue = pixel & 31;
        shift = 3;
      } else {
        blue = static_cast<uint8_t>(file[at]);
        green = static_cast<uint8_t>(file[at + 1]);
        red = static_cast<uint8_t>(file[at + 2]);
      }
      if (red != want[0] >> shift || green != want[1] >> shift || blue != want[2] >> shift) {
        ADD_FAILURE() << "pixel " << x << "," << y << ": file " << red << "/" << green << "/"
                      << blue << ", screen " << int{want[0]} << "/" << int{want[1]} << "/"
                      << int{want[2]} << (shift ? " (file at 5 bits)" : "");
        ++mismatches;
      }
    }
  }
}

// On a screen larger than the picture (BOTTLEWATCH_TEST_SCREEN_SIZE, WxH):
// the virtual screen's extent, a region's bitmap of that region's size and
// the plain pixels of another, each where it lies on the screen. Compared
// where they overlap the picture, at a depth whose colours GDI gives as they
// are.
TEST_F(LiveCapture, ARegionAndItsPixelsAreReadWhereTheyLie) {
  const char* size = std::getenv("BOTTLEWATCH_TEST_SCREEN_SIZE");
  if (size == nullptr || expected_.bitCount != 32) {
    GTEST_SKIP() << "needs a 24-bit screen larger than the picture";
  }
  const ScreenRegion bounds = ScreenBounds();
  EXPECT_EQ(std::to_string(bounds.width) + "x" + std::to_string(bounds.height), size);
  EXPECT_EQ(bounds.left, 0);
  EXPECT_EQ(bounds.top, 0);
  auto want = [this](int x, int y) {
    const auto* at = reinterpret_cast<const uint8_t*>(&screen_.rgb[(y * 640 + x) * 3]);
    return static_cast<uint32_t>(at[0]) | static_cast<uint32_t>(at[1]) << 8 |
           static_cast<uint32_t>(at[2]) << 16;
  };

  const ScreenRegion region = {500, 400, 300, 200};
  const std::string path = folder_.File("region.bmp");
  ASSERT_EQ(CaptureScreen(path.c_str(), region), 1);
  const std::string file = ReadWholeFile(path);
  ASSERT_EQ(file.size(), 58u + 300u * 200u * 4u);
  EXPECT_EQ(Field32(file, 18), 300u);
  EXPECT_EQ(Field32(file, 22), 200u);
  int mismatches = 0;
  for (int y = 0; y < 80 && mismatches < 10; ++y) {
    for (int x = 0; x < 140 && mismatches < 10; ++x) {
      const size_t at = 58 + (static_cast<size_t>(199 - y) * 300 + x) * 4;
      const uint32_t got = static_cast<uint8_t>(file[at + 2]) |
                           static_cast<uint32_t>(static_cast<uint8_t>(file[at + 1])) << 8 |
                           static_cast<uint32_t>(static_cast<uint8_t>(file[at])) << 16;
      if (got != want(500 + x, 400 + y)) {
        ADD_FAILURE() << "bitmap pixel " << x << "," << y;
        ++mismatches;
      }
    }
  }

  std::vector<uint32_t> pixels;
  ASSERT_EQ(CaptureScreenPixels({100, 60, 700, 500}, pixels), 1);
  ASSERT_EQ(pixels.size(), 700u * 500u);
  for (int y = 0; y < 420 && mismatches < 10; ++y) {
    for (int x = 0; x < 540 && mismatches < 10; ++x) {
      if ((pixels[static_cast<size_t>(y) * 700 + x] & 0xffffffu) != want(100 + x, 60 + y)) {
        ADD_FAILURE() << "plain pixel " << x << "," << y;
        ++mismatches;
      }
    }
  }
}

// What the capture asked of the system palette.
struct PaletteCalls {
  int entryQueries = 0;
  UINT start = 0;
  UINT count = 0;
  UINT delivered = 0;
  int creations = 0;
  WORD version = 0;
  WORD entries = 0;
};
PaletteCalls g_palette;
void* g_realGetSystemPaletteEntries = nullptr;
void* g_realCreatePalette = nullptr;

UINT WINAPI RecordingGetSystemPaletteEntries(HDC dc, UINT start, UINT count,
                                             PALETTEENTRY* entries) {
  ++g_palette.entryQueries;
  g_palette.start = start;
  g_palette.count = count;
  g_palette.delivered = reinterpret_cast<decltype(&GetSystemPaletteEntries)>(
      g_realGetSystemPaletteEntries)(dc, start, count, entries);
  return g_palette.delivered;
}

HPALETTE WINAPI RecordingCreatePalette(const LOGPALETTE* request) {
  ++g_palette.creations;
  g_palette.version = request->palVersion;
  g_palette.entries = request->palNumEntries;
  return reinterpret_cast<decltype(&CreatePalette)>(g_realCreatePalette)(request);
}

// Only a palette display gets a palette of its own: entries 0 to 254 of the
// system palette, as many as the system delivered.
TEST_F(LiveCapture, PaletteDisplaysConvertUnderTheSystemPalette) {
  const HDC screen = GetDC(nullptr);
  const bool paletteDisplay = (GetDeviceCaps(screen, RASTERCAPS) & RC_PALETTE) != 0;
  ReleaseDC(nullptr, screen);
  EXPECT_EQ(paletteDisplay, expected_.bitCount == 8);

  g_palette = PaletteCalls{};
  const ImportSpy entries("gdi32.dll", "GetSystemPaletteEntries",
                          reinterpret_cast<void*>(&RecordingGetSystemPaletteEntries));
  const ImportSpy create("gdi32.dll", "CreatePalette",
                         reinterpret_cast<void*>(&RecordingCreatePalette));
  g_realGetSystemPaletteEntries = entries.original();
  g_realCreatePalette = create.original();
  const std::string file = Capture();
  EXPECT_EQ(file.size(), expected_.fileLength);

  if (!paletteDisplay) {
    EXPECT_EQ(g_palette.entryQueries, 0);
    EXPECT_EQ(g_palette.creations, 0);
    return;
  }
  EXPECT_EQ(g_palette.entryQueries, 1);
  EXPECT_EQ(g_palette.start, 0u);
  EXPECT_EQ(g_palette.count, 255u);
  EXPECT_GT(g_palette.delivered, 0u);
  EXPECT_EQ(g_palette.creations, 1);
  EXPECT_EQ(g_palette.version, 0x300);
  EXPECT_EQ(g_palette.entries, g_palette.delivered);
}

// A capture while the converter (or anyone) holds the file open still makes
// its block, but the file keeps the previous frame.
TEST_F(LiveCapture, AFileHeldOpenKeepsThePreviousFrame) {
  const std::string path = folder_.File("x.bmp");
  WriteWholeFile(path, "previous frame");
  const HANDLE reader = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(reader, INVALID_HANDLE_VALUE);
  EXPECT_EQ(CaptureScreen(path.c_str()), 1);
  CloseHandle(reader);
  EXPECT_EQ(ReadWholeFile(path), "previous frame");
  EXPECT_EQ(Capture().size(), expected_.fileLength);
}

}  // namespace
