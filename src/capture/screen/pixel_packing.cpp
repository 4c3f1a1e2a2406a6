// Screen pixels to bitmap rows, for any true-colour mask layout, either byte
// order, and 8-bit colormap indices.
#include "capture/screen/pixel_packing.h"

#include <algorithm>
#include <cstddef>
#include <cstring>

#include "capture/screen/screen_capture.h"

namespace {

// One colour field of a true-colour pixel, from the visual's mask.
struct Channel {
  uint32_t mask = 0;
  int shift = 0;
  int bits = 0;
};

Channel ChannelOf(uint32_t mask) {
  Channel channel;
  channel.mask = mask;
  if (mask == 0) return channel;
  while (((mask >> channel.shift) & 1u) == 0) ++channel.shift;
  while (channel.shift + channel.bits < 32 && ((mask >> (channel.shift + channel.bits)) & 1u))
    ++channel.bits;
  return channel;
}

// The field's value brought to targetBits: wider fields keep their top bits
// (a 5-6-5 display loses green's lowest bit), narrower ones are stretched so
// that full intensity stays full.
uint32_t Component(uint32_t pixel, const Channel& channel, int targetBits) {
  const uint32_t value = (pixel & channel.mask) >> channel.shift;
  if (channel.bits >= targetBits) return value >> (channel.bits - targetBits);
  const uint32_t top = (1u << channel.bits) - 1;
  const uint32_t targetTop = (1u << targetBits) - 1;
  return (value * targetTop + top / 2) / top;
}

uint32_t ReadPixel(const uint8_t* at, int bytesPerPixel, bool mostSignificantFirst) {
  uint32_t pixel = 0;
  for (int k = 0; k < bytesPerPixel; ++k) {
    const int byte = mostSignificantFirst ? k : bytesPerPixel - 1 - k;
    pixel = pixel << 8 | at[byte];
  }
  return pixel;
}

bool IsPlainBgrx(const ScreenImage& image) {
  return image.bitsPerPixel == 32 && !image.mostSignificantByteFirst && image.redMask == 0xff0000 &&
         image.greenMask == 0xff00 && image.blueMask == 0xff;
}

const uint8_t* SourceRow(const ScreenImage& image, int y) {
  return image.data + static_cast<ptrdiff_t>(y) * image.bytesPerLine;
}

// Screen row y goes to row (regionHeight - 1 - y) of the bottom-up pixel data.
uint8_t* DibRow(uint8_t* pixels, uint32_t rowBytes, int regionHeight, int y) {
  return pixels + static_cast<size_t>(regionHeight - 1 - y) * rowBytes;
}

// The common 24-bit display: memory already holds blue, green, red, pad. The
// pad byte must be cleared, as a reader takes a non-zero fourth byte for alpha.
// This is most of a capture's own time, so whole pixels are moved as words
// through a mask that keeps the first three bytes in memory order on any host.
void PackPlainBgrx(const ScreenImage& image, uint8_t* pixels, uint32_t rowBytes, int regionHeight) {
  static const uint8_t kKeptBytes[4] = {0xff, 0xff, 0xff, 0};
  uint32_t keep = 0;
  std::memcpy(&keep, kKeptBytes, sizeof keep);
  for (int y = 0; y < image.height; ++y) {
    const uint8_t* from = SourceRow(image, y);
    uint8_t* to = DibRow(pixels, rowBytes, regionHeight, y);
    for (int x = 0; x < image.width; ++x) {
      uint32_t pixel = 0;
      std::memcpy(&pixel, from + 4 * x, sizeof pixel);
      pixel &= keep;
      std::memcpy(to + 4 * x, &pixel, sizeof pixel);
    }
  }
}

// Any true-colour layout, through the visual's masks: 32 and 24 bits become
// blue, green, red (and a zero byte); 16 bits become 5-5-5 with blue lowest.
void PackTrueColour(const ScreenImage& image, uint8_t* pixels, uint32_t rowBytes,
                    int regionHeight) {
  const Channel red = ChannelOf(image.redMask);
  const Channel green = ChannelOf(image.greenMask);
  const Channel blue = ChannelOf(image.blueMask);
  const int bytesPerPixel = image.bitsPerPixel / 8;
  for (int y = 0; y < image.height; ++y) {
    const uint8_t* from = SourceRow(image, y);
    uint8_t* to = DibRow(pixels, rowBytes, regionHeight, y);
    for (int x = 0; x < image.width; ++x, from += bytesPerPixel) {
      const uint32_t pixel = ReadPixel(from, bytesPerPixel, image.mostSignificantByteFirst);
      if (bytesPerPixel == 2) {
        const uint32_t packed = Component(pixel, red, 5) << 10 | Component(pixel, green, 5) << 5 |
                                Component(pixel, blue, 5);
        *to++ = static_cast<uint8_t>(packed);
        *to++ = static_cast<uint8_t>(packed >> 8);
        continue;
      }
      *to++ = static_cast<uint8_t>(Component(pixel, blue, 8));
      *to++ = static_cast<uint8_t>(Component(pixel, green, 8));
      *to++ = static_cast<uint8_t>(Component(pixel, red, 8));
      if (bytesPerPixel == 4) *to++ = 0;
    }
  }
}

// A palette display: the pixels are colormap indices and stay so.
void PackIndexed(const ScreenImage& image, uint8_t* pixels, uint32_t rowBytes, int regionHeight) {
  for (int y = 0; y < image.height; ++y) {
    const uint8_t* from = SourceRow(image, y);
    std::copy(from, from + image.width, DibRow(pixels, rowBytes, regionHeight, y));
  }
}

// Blue, green, red, 0 with the high byte of each 16-bit component.
void StoreColourTable(const ScreenColour* colours, int count, uint8_t* table) {
  for (int k = 0; k < count; ++k) {
    table[4 * k] = static_cast<uint8_t>(colours[k].blue >> 8);
    table[4 * k + 1] = static_cast<uint8_t>(colours[k].green >> 8);
    table[4 * k + 2] = static_cast<uint8_t>(colours[k].red >> 8);
    table[4 * k + 3] = 0;
  }
}

}  // namespace

PixelLayout LayoutOfScreenImage(const ScreenImage& image) {
  const int bits = image.bitsPerPixel;
  if (bits == 8 && image.depth <= 8) return PixelLayout::kIndexed;
  const bool trueColour = (bits == 16 || bits == 24 || bits == 32) && image.trueColour &&
                          image.redMask != 0 && image.greenMask != 0 && image.blueMask != 0;
  return trueColour ? PixelLayout::kTrueColour : PixelLayout::kUnsupported;
}

ScreenImage CropScreenImage(const ScreenImage& image, int left, int top, int width, int height) {
  ScreenImage part = image;
  part.width = 0;
  part.height = 0;
  if (left < 0 || top < 0 || left >= image.width || top >= image.height || image.bitsPerPixel < 8) {
    return part;
  }
  part.data = SourceRow(image, top) + static_cast<ptrdiff_t>(left) * (image.bitsPerPixel / 8);
  part.width = std::clamp(width, 0, image.width - left);
  part.height = std::clamp(height, 0, image.height - top);
  return part;
}

int ReachableColours(const ScreenImage& image) {
  return 1 << std::clamp(image.depth, 0, 8);
}

bool PackScreenImage(const ScreenImage& screen, const ScreenColour* colours, uint32_t blackPixel,
                     PackedDib& dib) {
  return PackScreenImage(screen, colours, blackPixel, kCaptureWidth, kCaptureHeight, dib);
}

bool PackScreenImage(const ScreenImage& screen, const ScreenColour* colours, uint32_t blackPixel,
                     int regionWidth, int regionHeight, PackedDib& dib) {
  dib = PackedDib{};
  if (regionWidth <= 0 || regionHeight <= 0) return false;
  // Whatever the caller hands over, nothing outside the region is written.
  ScreenImage image = screen;
  image.width = std::clamp(image.width, 0, regionWidth);
  image.height = std::clamp(image.height, 0, regionHeight);
  const PixelLayout layout = LayoutOfScreenImage(image);
  if (layout == PixelLayout::kUnsupported) return false;
  DibHeader header;
  header.width = regionWidth;
  header.height = regionHeight;
  header.bitCount = static_cast<uint16_t>(image.bitsPerPixel);
  header.compression = kCompressionRgb;
  header.sizeImage =
      EstimateDibImageSize(header.bitCount, header.width, header.height, kCompressionRgb);
  const uint32_t pixelOffset = DibPixelOffset(header);
  if (!AllocatePackedDib(pixelOffset + header.sizeImage, dib)) return false;
  StoreDibHeader(header, dib.bytes);
  uint8_t* pixels = dib.bytes + pixelOffset;
  const uint32_t rowBytes = DibRowBytes(header.width, header.bitCount);
  switch (layout) {
    case PixelLayout::kIndexed:
      if (colours != nullptr) {
        StoreColourTable(colours, ReachableColours(image), dib.bytes + kInfoHeaderSize);
      }
      std::fill(pixels, dib.bytes + dib.length, static_cast<uint8_t>(blackPixel));
      PackIndexed(image, pixels, rowBytes, regionHeight);
      break;
    case PixelLayout::kTrueColour:
      if (IsPlainBgrx(image)) {
        PackPlainBgrx(image, pixels, rowBytes, regionHeight);
      } else {
        PackTrueColour(image, pixels, rowBytes, regionHeight);
      }
      break;
    case PixelLayout::kUnsupported:
      break;
  }
  return true;
}

bool ScreenImageToPixels(const ScreenImage& image, const ScreenColour* colours,
                         std::vector<uint32_t>& pixels) {
  const PixelLayout layout = LayoutOfScreenImage(image);
  if (layout == PixelLayout::kUnsupported || image.width <= 0 || image.height <= 0) return false;
  if (layout == PixelLayout::kIndexed && colours == nullptr) return false;
  pixels.resize(static_cast<size_t>(image.width) * static_cast<size_t>(image.height));
  uint32_t* to = pixels.data();
  if (layout == PixelLayout::kIndexed) {
    uint32_t table[256] = {};
    const int count = ReachableColours(image);
    for (int k = 0; k < count; ++k) {
      table[k] = static_cast<uint32_t>(colours[k].red >> 8) |
                 static_cast<uint32_t>(colours[k].green >> 8) << 8 |
                 static_cast<uint32_t>(colours[k].blue >> 8) << 16 | 0xff000000u;
    }
    for (int y = 0; y < image.height; ++y) {
      const uint8_t* from = SourceRow(image, y);
      for (int x = 0; x < image.width; ++x) *to++ = table[from[x]];
    }
    return true;
  }
  if (IsPlainBgrx(image)) {
    // The common display, and a whole large screen at a time: bytes swapped
    // by word rather than through the masks.
    for (int y = 0; y < image.height; ++y) {
      const uint8_t* from = SourceRow(image, y);
      for (int x = 0; x < image.width; ++x, from += 4) {
        *to++ = static_cast<uint32_t>(from[2]) | static_cast<uint32_t>(from[1]) << 8 |
                static_cast<uint32_t>(from[0]) << 16 | 0xff000000u;
      }
    }
    return true;
  }
  const Channel red = ChannelOf(image.redMask);
  const Channel green = ChannelOf(image.greenMask);
  const Channel blue = ChannelOf(image.blueMask);
  const int bytesPerPixel = image.bitsPerPixel / 8;
  for (int y = 0; y < image.height; ++y) {
    const uint8_t* from = SourceRow(image, y);
    for (int x = 0; x < image.width; ++x, from += bytesPerPixel) {
      const uint32_t pixel = ReadPixel(from, bytesPerPixel, image.mostSignificantByteFirst);
      *to++ = Component(pixel, red, 8) | Component(pixel, green, 8) << 8 |
              Component(pixel, blue, 8) << 16 | 0xff000000u;
    }
  }
  return true;
}
