// The packed device-independent bitmap: one block holding a 40-byte info
// header, the colour table and the pixel rows, as written behind a bitmap file
// header. Shared by every platform's capture; no platform headers here.
#ifndef BOTTLEWATCH_CAPTURE_BITMAP_FILE_PACKED_DIB_H_
#define BOTTLEWATCH_CAPTURE_BITMAP_FILE_PACKED_DIB_H_

#include <cstdint>

constexpr uint32_t kInfoHeaderSize = 40;
constexpr uint32_t kColorTableEntrySize = 4;  // blue, green, red, a zero byte
constexpr uint32_t kCompressionRgb = 0;
constexpr uint32_t kCompressionBitFields = 3;

// A block laid out as: info header (little-endian, no gaps), then
// ColorTableEntries(bitCount) four-byte entries, then height rows, the bottom
// row of the image first, each DibRowBytes(width, bitCount) long. length is the
// whole block's length. bytes == nullptr means "no block". The struct only
// describes the block: whoever made it frees it (FreePackedDib for blocks from
// AllocatePackedDib; a platform allocator's own call for any other).
struct PackedDib {
  uint8_t* bytes = nullptr;
  uint32_t length = 0;
};

// The info header's fields, in their order in the block.
struct DibHeader {
  uint32_t size = kInfoHeaderSize;
  int32_t width = 0;
  int32_t height = 0;
  uint16_t planes = 1;
  uint16_t bitCount = 0;
  uint32_t compression = kCompressionRgb;
  uint32_t sizeImage = 0;
  int32_t xPelsPerMeter = 0;
  int32_t yPelsPerMeter = 0;
  uint32_t clrUsed = 0;
  uint32_t clrImportant = 0;
};

// Colour-table entries for a bit count: 2^(bitCount mod 32), or 0 above 256.
// So 1 -> 2, 4 -> 16, 8 -> 256, 16 and 24 -> 0, and 32 -> 1 (one entry that
// carries no colour).
uint32_t ColorTableEntries(uint32_t bitCount);

// Bytes in one pixel row: width * bitCount bits rounded up to four bytes.
uint32_t DibRowBytes(int32_t width, uint32_t bitCount);

// The pixel data's size when nobody reported one: DibRowBytes times height,
// and half as much again for any compression other than plain RGB, where the
// compressed rows may come out longer than the plain ones. 32-bit arithmetic.
uint32_t EstimateDibImageSize(uint32_t bitCount, int32_t width, int32_t height,
                              uint32_t compression);

// Writes the 40 header bytes at block[0..40).
void StoreDibHeader(const DibHeader& header, uint8_t* block);

// Reads the 40 header bytes at block[0..40).
DibHeader LoadDibHeader(const uint8_t* block);

// Offset of the first pixel byte within the block: header size plus table.
uint32_t DibPixelOffset(const DibHeader& header);

// Takes a zero-filled block of length bytes into dib. Returns false, leaving
// dib empty, when no memory is had.
bool AllocatePackedDib(uint32_t length, PackedDib& dib);

// Releases a block from AllocatePackedDib and empties dib.
void FreePackedDib(PackedDib& dib);

#endif  // BOTTLEWATCH_CAPTURE_BITMAP_FILE_PACKED_DIB_H_
