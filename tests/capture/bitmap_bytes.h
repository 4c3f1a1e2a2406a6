// Reading little-endian header fields out of a bitmap file's bytes, as a
// reader of the file would, independently of the writer's own helpers.
#ifndef BOTTLEWATCH_TESTS_CAPTURE_BITMAP_BYTES_H_
#define BOTTLEWATCH_TESTS_CAPTURE_BITMAP_BYTES_H_

#include <cstdint>
#include <string>

inline uint32_t Field32(const std::string& bytes, size_t at) {
  uint32_t value = 0;
  for (int k = 3; k >= 0; --k) value = value << 8 | static_cast<uint8_t>(bytes[at + k]);
  return value;
}

inline uint16_t Field16(const std::string& bytes, size_t at) {
  return static_cast<uint16_t>(static_cast<uint8_t>(bytes[at]) | static_cast<uint8_t>(bytes[at + 1])
                                                                     << 8);
}

#endif  // BOTTLEWATCH_TESTS_CAPTURE_BITMAP_BYTES_H_
