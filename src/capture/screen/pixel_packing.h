// Turning a screen image, as a display server hands it over, into the pixel
// rows of a packed device-independent bitmap. Plain data in, plain data out:
// no server calls here, so every layout can be checked on hand-made images.
#ifndef BOTTLEWATCH_CAPTURE_SCREEN_PIXEL_PACKING_H_
#define BOTTLEWATCH_CAPTURE_SCREEN_PIXEL_PACKING_H_

#include <cstdint>
#include <vector>

#include "capture/bitmap_file/packed_dib.h"

// A rectangle of screen pixels starting at the screen's top-left corner, in
// the server's own format. data holds height rows of bytesPerLine bytes, top
// row first (a negative bytesPerLine steps back through memory, for a picture
// stored bottom row first); the image may be smaller than the capture region (a small screen)
// but never larger. The caller keeps the pixels.
struct ScreenImage {
  const uint8_t* data = nullptr;
  int width = 0;
  int height = 0;
  int bytesPerLine = 0;
  int bitsPerPixel = 0;
  int depth = 0;
  bool mostSignificantByteFirst = false;  // byte order of multi-byte pixels
  bool trueColour = false;                // the visual decomposes pixels by the masks below
  uint32_t redMask = 0;
  uint32_t greenMask = 0;
  uint32_t blueMask = 0;
};

// One colormap entry, 16 bits a channel as servers report them.
struct ScreenColour {
  uint16_t red = 0;
  uint16_t green = 0;
  uint16_t blue = 0;
};

enum class PixelLayout {
  kUnsupported,  // 1 or 4 bits a pixel, wide palette visuals: no bitmap counterpart
  kIndexed,      // 8-bit colormap indices, kept as indices behind a colour table
  kTrueColour,   // 16, 24 or 32 bits a pixel, decomposed through the masks
};

PixelLayout LayoutOfScreenImage(const ScreenImage& image);

// The part of image from column left and row top on, at most width x height
// pixels, pointing into the same data; empty where that lies outside it.
// For sources that hold a larger picture than the region asked of them.
ScreenImage CropScreenImage(const ScreenImage& image, int left, int top, int width, int height);

// How many colormap entries an indexed image can reach (at most 256).
int ReachableColours(const ScreenImage& image);

// Packs image into a new block for a regionWidth x regionHeight region (the
// first form: the 640 x 480 corner), the image at its top-left, at the image's
// bits per pixel: bottom row first, 16 bits as 5-5-5 with blue lowest, 24 and
// 32 bits as blue, green, red (and a zero byte). An indexed image takes its
// colour table from colours (ReachableColours(image) entries; the rest of the
// 256 stay zero) and fills the region the screen does not cover with
// blackPixel, the screen's black index, which need not be 0; true colour is
// black there as zero bytes. Returns false with dib empty for an unsupported
// layout or when no memory is had. The block is freed with FreePackedDib.
bool PackScreenImage(const ScreenImage& image, const ScreenColour* colours, uint32_t blackPixel,
                     PackedDib& dib);
bool PackScreenImage(const ScreenImage& image, const ScreenColour* colours, uint32_t blackPixel,
                     int regionWidth, int regionHeight, PackedDib& dib);

// The image as plain pixels for looking at, not for a file: width * height of
// them, row-major, top row first, red in the low byte, then green, blue and
// an opaque alpha (the raster's packing). An indexed image takes its colours
// from colours (ReachableColours(image) entries). False, pixels untouched, for
// an unsupported layout, an empty image or an indexed one without colours.
bool ScreenImageToPixels(const ScreenImage& image, const ScreenColour* colours,
                         std::vector<uint32_t>& pixels);

#endif  // BOTTLEWATCH_CAPTURE_SCREEN_PIXEL_PACKING_H_
