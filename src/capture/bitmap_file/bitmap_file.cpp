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
