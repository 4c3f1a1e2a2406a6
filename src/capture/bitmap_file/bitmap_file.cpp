// The bitmap file header, built from the block it precedes, and the check
// that leaves a file alone when the screen has not changed.
#include "capture/bitmap_file/bitmap_file.h"

#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "capture/bitmap_file/little_endian.h"

namespace {

// What the last successful write put where. A still screen hands over the
// same 1.2 MB every pass; comparing it with this copy costs far less than
// the converter run it lets the frame cycle skip.
struct WrittenBlock {
  std::string fileName;  // empty: nothing known to be on disk
  std::vector<uint8_t> bytes;
  bool unchanged = false;
};

WrittenBlock g_written;

bool StillWritten(const char* fileName, const PackedDib& block) {
  const WrittenBlock& w = g_written;
  if (w.fileName.empty() || w.fileName != fileName || w.bytes.size() != block.length ||
      std::memcmp(w.bytes.data(), block.bytes, block.length) != 0) {
    return false;
  }
  // Someone else may have removed or replaced the file since.
  std::error_code error;
  const auto size = std::filesystem::file_size(fileName, error);
  return !error && size == kFileHeaderSize + static_cast<uintmax_t>(block.length);
}

}  // namespace

void MakeBitmapFileHeader(const PackedDib& block, uint8_t* header) {
  const DibHeader info = LoadDibHeader(block.bytes);
  header[0] = 'B';
  header[1] = 'M';
  StoreLittleEndian32(header + 2, kFileHeaderSize + block.length);
  StoreLittleEndian16(header + 6, 0);
  StoreLittleEndian16(header + 8, 0);
  StoreLittleEndian32(header + 10, kFileHeaderSize + DibPixelOffset(info));
}

int WriteBitmapFile(const char* fileName, const PackedDib& block) {
  WrittenBlock& w = g_written;
  w.unchanged = false;
  if (block.bytes == nullptr || block.length < kInfoHeaderSize) return 0;
  if (StillWritten(fileName, block)) {
    w.unchanged = true;
    return 1;
  }
  // Forgotten first: a write that throws leaves the file in no known state.
  w.fileName.clear();
  if (WriteBitmapFileAnew(fileName, block) != 1) return 0;
  w.bytes.assign(block.bytes, block.bytes + block.length);
  w.fileName = fileName;
  return 1;
}

bool BitmapFileUnchanged() {
  return g_written.unchanged;
}

bool WrittenBitmapPixels(std::vector<uint32_t>& pixels, int32_t& width, int32_t& height) {
  const std::vector<uint8_t>& block = g_written.bytes;
  if (g_written.fileName.empty() || block.size() < kInfoHeaderSize) return false;
  const DibHeader info = LoadDibHeader(block.data());
  const uint32_t bytesPerPixel = info.bitCount / 8;
  if (info.compression != kCompressionRgb || (info.bitCount != 24 && info.bitCount != 32) ||
      info.width <= 0 || info.height <= 0) {
    return false;
  }
  const uint64_t rowBytes = DibRowBytes(info.width, info.bitCount);
  const uint64_t offset = DibPixelOffset(info);
  if (offset + rowBytes * static_cast<uint64_t>(info.height) > block.size()) return false;
  width = info.width;
  height = info.height;
  pixels.resize(static_cast<size_t>(width) * static_cast<size_t>(height));
  // The file's rows run bottom to top, each pixel blue, green, red.
  for (int32_t r = 0; r < height; ++r) {
    const uint8_t* from = block.data() + offset + rowBytes * static_cast<uint64_t>(height - 1 - r);
    uint32_t* to = pixels.data() + static_cast<size_t>(r) * static_cast<size_t>(width);
    for (int32_t c = 0; c < width; ++c, from += bytesPerPixel) {
      to[c] = uint32_t{from[2]} | uint32_t{from[1]} << 8 | uint32_t{from[0]} << 16 | 0xFF000000u;
    }
  }
  return true;
}
