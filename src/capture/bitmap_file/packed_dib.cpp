// Layout helpers for the packed device-independent bitmap. Fields are moved
// byte by byte so the block is little-endian and gap-free on any host.
#include "capture/bitmap_file/packed_dib.h"

#include <cstdlib>

#include "capture/bitmap_file/little_endian.h"

uint32_t ColorTableEntries(uint32_t bitCount) {
  const uint32_t entries = 1u << (bitCount % 32);
  return entries > 256 ? 0 : entries;
}

uint32_t DibRowBytes(int32_t width, uint32_t bitCount) {
  return (bitCount * static_cast<uint32_t>(width) + 31) / 32 * 4;
}

uint32_t EstimateDibImageSize(uint32_t bitCount, int32_t width, int32_t height,
                              uint32_t compression) {
  uint32_t size =
      ((bitCount * static_cast<uint32_t>(width) + 31) & ~31u) / 8 * static_cast<uint32_t>(height);
  if (compression != kCompressionRgb) size = size * 3 / 2;
  return size;
}

void StoreDibHeader(const DibHeader& header, uint8_t* block) {
  StoreLittleEndian32(block + 0, header.size);
  StoreLittleEndian32(block + 4, static_cast<uint32_t>(header.width));
  StoreLittleEndian32(block + 8, static_cast<uint32_t>(header.height));
  StoreLittleEndian16(block + 12, header.planes);
  StoreLittleEndian16(block + 14, header.bitCount);
  StoreLittleEndian32(block + 16, header.compression);
  StoreLittleEndian32(block + 20, header.sizeImage);
  StoreLittleEndian32(block + 24, static_cast<uint32_t>(header.xPelsPerMeter));
  StoreLittleEndian32(block + 28, static_cast<uint32_t>(header.yPelsPerMeter));
  StoreLittleEndian32(block + 32, header.clrUsed);
  StoreLittleEndian32(block + 36, header.clrImportant);
}

DibHeader LoadDibHeader(const uint8_t* block) {
  DibHeader header;
  header.size = LoadLittleEndian32(block + 0);
  header.width = static_cast<int32_t>(LoadLittleEndian32(block + 4));
  header.height = static_cast<int32_t>(LoadLittleEndian32(block + 8));
  header.planes = LoadLittleEndian16(block + 12);
  header.bitCount = LoadLittleEndian16(block + 14);
  header.compression = LoadLittleEndian32(block + 16);
  header.sizeImage = LoadLittleEndian32(block + 20);
  header.xPelsPerMeter = static_cast<int32_t>(LoadLittleEndian32(block + 24));
  header.yPelsPerMeter = static_cast<int32_t>(LoadLittleEndian32(block + 28));
  header.clrUsed = LoadLittleEndian32(block + 32);
  header.clrImportant = LoadLittleEndian32(block + 36);
  return header;
}

uint32_t DibPixelOffset(const DibHeader& header) {
  return header.size + kColorTableEntrySize * ColorTableEntries(header.bitCount);
}

bool AllocatePackedDib(uint32_t length, PackedDib& dib) {
  dib = PackedDib{};
  void* block = std::calloc(length, 1);
  if (block == nullptr) return false;
  dib.bytes = static_cast<uint8_t*>(block);
  dib.length = length;
  return true;
}

void FreePackedDib(PackedDib& dib) {
  std::free(dib.bytes);
  dib = PackedDib{};
}
