// Reading little-endian header fields out of a bitmap file's bytes, as a
// reader of the file would, independently of the writer's own helpers, and
// blocks made by hand for every depth. Shared by the POSIX and Win32 tests.
#ifndef BOTTLEWATCH_TESTS_CAPTURE_BITMAP_BYTES_H_
#define BOTTLEWATCH_TESTS_CAPTURE_BITMAP_BYTES_H_

#include <gtest/gtest.h>

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "capture/bitmap_file/packed_dib.h"

inline uint32_t Field32(const std::string& bytes, size_t at) {
  uint32_t value = 0;
  for (int k = 3; k >= 0; --k) value = value << 8 | static_cast<uint8_t>(bytes[at + k]);
  return value;
}

inline uint16_t Field16(const std::string& bytes, size_t at) {
  return static_cast<uint16_t>(static_cast<uint8_t>(bytes[at]) | static_cast<uint8_t>(bytes[at + 1])
                                                                     << 8);
}

inline void Put32(std::vector<uint8_t>& bytes, size_t at, uint32_t value) {
  for (int k = 0; k < 4; ++k) bytes[at + k] = static_cast<uint8_t>(value >> (8 * k));
}

// A 640 x 480 block as a capture at this depth makes it, built from the raw
// offsets rather than the library's own header writer, and filled with a
// pattern so a reordered or truncated copy shows.
inline std::vector<uint8_t> HandMadeBlock(uint16_t bitCount, uint32_t tableEntries,
                                          uint32_t rowBytes) {
  const uint32_t imageSize = rowBytes * 480;
  std::vector<uint8_t> bytes(40 + 4 * tableEntries + imageSize);
  for (size_t k = 40; k < bytes.size(); ++k) bytes[k] = static_cast<uint8_t>(k * 7 + 3);
  Put32(bytes, 0, 40);
  Put32(bytes, 4, 640);
  Put32(bytes, 8, 480);
  bytes[12] = 1;
  bytes[14] = static_cast<uint8_t>(bitCount);
  Put32(bytes, 20, imageSize);
  return bytes;
}

inline PackedDib ViewOf(std::vector<uint8_t>& bytes) {
  return PackedDib{bytes.data(), static_cast<uint32_t>(bytes.size())};
}

// What a 640 x 480 capture at each depth must give.
struct DepthCase {
  uint16_t bitCount;
  uint32_t entries;
  uint32_t rowBytes;
  uint32_t offBits;
  uint32_t fileLength;
};

// Names the cases by depth in test output.
inline void PrintTo(const DepthCase& c, std::ostream* out) {
  *out << c.bitCount << " bits";
}

inline const DepthCase kDepths[] = {
    {1, 2, 80, 62, 38462},     {4, 16, 320, 118, 153718}, {8, 256, 640, 1078, 308278},
    {16, 0, 1280, 54, 614454}, {24, 0, 1920, 54, 921654}, {32, 1, 2560, 58, 1228858},
};

// The file written for a hand-made block at a depth: the file header a
// reader expects, then the block itself, byte for byte.
inline void ExpectFileHoldsBlock(const std::string& file, const DepthCase& c,
                                 const std::vector<uint8_t>& block) {
  ASSERT_EQ(file.size(), c.fileLength);
  EXPECT_EQ(file.substr(0, 2), "BM");
  EXPECT_EQ(Field32(file, 2), file.size());
  EXPECT_EQ(Field16(file, 6), 0);
  EXPECT_EQ(Field16(file, 8), 0);
  EXPECT_EQ(Field32(file, 10), c.offBits);
  EXPECT_EQ(file.compare(14, std::string::npos, std::string(block.begin(), block.end())), 0);
}

#endif  // BOTTLEWATCH_TESTS_CAPTURE_BITMAP_BYTES_H_
