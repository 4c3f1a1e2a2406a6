// Screen capture on Windows with GDI: a region of the virtual screen (every
// monitor) is copied into a bitmap in the display's own format, converted into
// a packed device-independent bitmap and written out as a bitmap file, or
// handed over as plain pixels.
#define NOMINMAX
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <system_error>
#include <vector>

#include "capture/bitmap_file/bitmap_file.h"
#include "capture/bitmap_file/packed_dib.h"
#include "capture/screen/screen_capture.h"

// Defined here rather than in a header because its parameters are GDI handles;
// the Windows tests declare it themselves. Returns the block in a PackedDib
// whose bytes are the GlobalAlloc handle (a fixed block, so the handle is its
// address) and whose length is GlobalSize of it; the caller frees it with
// GlobalFree. bytes == nullptr: no block. palette may be null, and then the
// default palette governs the colours of an indexed conversion.
PackedDib BitmapToDib(HBITMAP bitmap, DWORD compression, HPALETTE palette);

namespace {

constexpr UINT kSystemPaletteEntriesAsked = 255;
constexpr int kDisplayFrameMillis = 16;
constexpr WORD kLogPaletteVersion = 0x300;

// Owners for the capture's GDI objects, so that every way out of the call,
// an exception included, releases them.
struct WindowDc {
  HWND window;
  HDC dc;
  ~WindowDc() {
    if (dc != nullptr) ReleaseDC(window, dc);
  }
};

struct MemoryDc {
  HDC dc;
  ~MemoryDc() {
    if (dc != nullptr) DeleteDC(dc);
  }
};

struct GdiObject {
  HGDIOBJ handle = nullptr;
  ~GdiObject() {
    if (handle != nullptr) DeleteObject(handle);
  }
};

// A palette built from the first 255 system palette entries, or null when the
// palette cannot be created. The request is released before returning.
HPALETTE SystemPalette(HDC windowDc) {
  std::vector<uint8_t> request(sizeof(WORD) * 2 + 256 * sizeof(PALETTEENTRY));
  auto* logPalette = reinterpret_cast<LOGPALETTE*>(request.data());
  logPalette->palVersion = kLogPaletteVersion;
  logPalette->palNumEntries = static_cast<WORD>(
      GetSystemPaletteEntries(windowDc, 0, kSystemPaletteEntriesAsked, logPalette->palPalEntry));
  return CreatePalette(logPalette);
}

// Hands the conversion's screen context back with the palette it had: the
// context is shared by the whole screen, so it must go back as it was lent.
void ReleaseScreenDc(HDC screen, HPALETTE keptPalette) {
  SelectPalette(screen, keptPalette, FALSE);
  ReleaseDC(nullptr, screen);
}

}  // namespace

PackedDib BitmapToDib(HBITMAP bitmap, DWORD compression, HPALETTE palette) {
  // Bit-field layouts need three masks after the header that the block has no
  // room for.
  if (compression == BI_BITFIELDS) return PackedDib{};
  if (palette == nullptr) palette = static_cast<HPALETTE>(GetStockObject(DEFAULT_PALETTE));

  // The whole structure for this build: GDI refuses a buffer shorter than
  // BITMAP, which has a pointer member and so is 32 bytes on 64-bit Windows.
  BITMAP description = {};
  if (GetObjectA(bitmap, sizeof description, &description) == 0) return PackedDib{};

  DibHeader header;
  header.width = description.bmWidth;
  header.height = description.bmHeight;
  header.planes = 1;
  header.bitCount = static_cast<uint16_t>(description.bmPlanes * description.bmBitsPixel);
  header.compression = compression;

  HDC screen = GetDC(nullptr);
  if (screen == nullptr) return PackedDib{};
  // The palette realized here is what an indexed conversion reports its
  // colour table from.
  const HPALETTE keptPalette = SelectPalette(screen, palette, FALSE);
  RealizePalette(screen);

  const uint32_t entries = ColorTableEntries(header.bitCount);
  const uint32_t tableEnd = kInfoHeaderSize + kColorTableEntrySize * entries;
  HGLOBAL block = GlobalAlloc(GMEM_FIXED, tableEnd);
  if (block == nullptr) {
    ReleaseScreenDc(screen, keptPalette);
    return PackedDib{};
  }

  // Without a pixel buffer, GetDIBits only fills in the header (biSizeImage
  // above all); the second call then has a block of the right length.
  StoreDibHeader(header, static_cast<uint8_t*>(block));
  GetDIBits(screen, bitmap, 0, static_cast<UINT>(header.height), nullptr,
            static_cast<BITMAPINFO*>(block), DIB_RGB_COLORS);
  header = LoadDibHeader(static_cast<const uint8_t*>(block));

  uint32_t imageSize = header.sizeImage;
  if (imageSize == 0) {
    imageSize = EstimateDibImageSize(header.bitCount, header.width, header.height, compression);
  }

  // GMEM_MOVEABLE lets a fixed block move to a larger fixed place; the handle
  // that comes back is again the block's address.
  HGLOBAL grown = GlobalReAlloc(block, tableEnd + imageSize, GMEM_MOVEABLE);
  if (grown == nullptr) {
    GlobalFree(block);
    ReleaseScreenDc(screen, keptPalette);
    return PackedDib{};
  }
  block = grown;

  auto* bytes = static_cast<uint8_t*>(block);
  uint8_t* pixels = bytes + header.size + kColorTableEntrySize * entries;
  if (GetDIBits(screen, bitmap, 0, static_cast<UINT>(header.height), pixels,
                static_cast<BITMAPINFO*>(block), DIB_RGB_COLORS) == 0) {
    GlobalFree(block);
    ReleaseScreenDc(screen, keptPalette);
    return PackedDib{};
  }

  ReleaseScreenDc(screen, keptPalette);
  return PackedDib{bytes, static_cast<uint32_t>(GlobalSize(block))};
}

int CaptureScreen(const char* fileName, const ScreenRegion& region) {
  if (region.width <= 0 || region.height <= 0) return 0;
  // Declared first so that it is released last: a bitmap still selected into
  // the memory context cannot be deleted, and on the failed-conversion path it
  // is only let go when the memory context itself is deleted.
  GdiObject bitmap;
  const HWND desktop = GetDesktopWindow();
  const WindowDc window{desktop, GetWindowDC(desktop)};
  if (window.dc == nullptr) {
    throw std::system_error(static_cast<int>(GetLastError()), std::system_category(),
                            "no device context for the screen");
  }
  const MemoryDc memory{CreateCompatibleDC(window.dc)};
  if (memory.dc == nullptr) return 0;
  bitmap.handle = CreateCompatibleBitmap(window.dc, region.width, region.height);
  if (bitmap.handle == nullptr) return 0;
  const HGDIOBJ keptObject = SelectObject(memory.dc, bitmap.handle);
  // The desktop's context takes virtual-screen coordinates: a monitor left of
  // or above the main one lies at negative ones.
  BitBlt(memory.dc, 0, 0, region.width, region.height, window.dc, region.left, region.top, SRCCOPY);

  // On a palette display the pixels are indices into the system palette;
  // converting them under any other palette would report the wrong colours.
  GdiObject palette;
  if ((GetDeviceCaps(window.dc, RASTERCAPS) & RC_PALETTE) != 0) {
    palette.handle = SystemPalette(window.dc);
  }

  PackedDib dib = BitmapToDib(static_cast<HBITMAP>(bitmap.handle), BI_RGB,
                              static_cast<HPALETTE>(palette.handle));
  if (dib.bytes == nullptr) return 0;
  SelectObject(memory.dc, keptObject);
  WriteBitmapFile(fileName, dib);
  GlobalFree(dib.bytes);
  return 1;
}

ScreenRegion ScreenBounds() {
  return {GetSystemMetrics(SM_XVIRTUALSCREEN), GetSystemMetrics(SM_YVIRTUALSCREEN),
          GetSystemMetrics(SM_CXVIRTUALSCREEN), GetSystemMetrics(SM_CYVIRTUALSCREEN)};
}

// The same copy, read back as 32-bit rows top row first, which only need
// their red and blue bytes swapped. No palette: a palette display's colours
// come back through the default one, enough to tell dark from bright.
int CaptureScreenPixels(const ScreenRegion& region, std::vector<uint32_t>& pixels) {
  if (region.width <= 0 || region.height <= 0) return 0;
  GdiObject bitmap;
  const HWND desktop = GetDesktopWindow();
  const WindowDc window{desktop, GetWindowDC(desktop)};
  if (window.dc == nullptr) return 0;
  const MemoryDc memory{CreateCompatibleDC(window.dc)};
  if (memory.dc == nullptr) return 0;
  bitmap.handle = CreateCompatibleBitmap(window.dc, region.width, region.height);
  if (bitmap.handle == nullptr) return 0;
  const HGDIOBJ keptObject = SelectObject(memory.dc, bitmap.handle);
  BitBlt(memory.dc, 0, 0, region.width, region.height, window.dc, region.left, region.top, SRCCOPY);
  SelectObject(memory.dc, keptObject);
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = region.width;
  info.bmiHeader.biHeight = -region.height;  // top row first
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  pixels.resize(static_cast<size_t>(region.width) * static_cast<size_t>(region.height));
  if (GetDIBits(memory.dc, static_cast<HBITMAP>(bitmap.handle), 0, static_cast<UINT>(region.height),
                pixels.data(), &info, DIB_RGB_COLORS) == 0) {
    return 0;
  }
  for (uint32_t& pixel : pixels) {
    pixel = (pixel >> 16 & 0xffu) | (pixel & 0xff00u) | (pixel & 0xffu) << 16 | 0xff000000u;
  }
  return 1;
}

// GDI tells nobody when the screen changes, so a still screen is looked at
// again after one display frame: a change waits no longer than that, and the
// captures in between cost a small part of what converting each would. It
// cannot tell whether anything changed, so it says it may have.
bool WaitForScreenChange(int timeoutMillis) {
  Sleep(static_cast<DWORD>(std::max(0, std::min(timeoutMillis, kDisplayFrameMillis))));
  return true;
}

// Every capture takes and releases its own device contexts: nothing is kept.
bool ScreenCaptureUsesSharedMemory() {
  return false;
}

void CloseScreenCapture() {}
