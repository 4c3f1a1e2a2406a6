// Byte-by-byte little-endian field access for the bitmap layouts, so that
// neither the host's byte order nor its struct padding reaches a file.
#ifndef BOTTLEWATCH_CAPTURE_BITMAP_FILE_LITTLE_ENDIAN_H_
#define BOTTLEWATCH_CAPTURE_BITMAP_FILE_LITTLE_ENDIAN_H_

#include <cstdint>

inline void StoreLittleEndian16(uint8_t* at, uint16_t value) {
  at[0] = static_cast<uint8_t>(value);
  at[1] = static_cast<uint8_t>(value >> 8);
}

inline void StoreLittleEndian32(uint8_t* at, uint32_t value) {
  for (int k = 0; k < 4; ++k) at[k] = static_cast<uint8_t>(value >> (8 * k));
}

inline uint16_t LoadLittleEndian16(const uint8_t* at) {
  return static_cast<uint16_t>(at[0] | at[1] << 8);
}

inline uint32_t LoadLittleEndian32(const uint8_t* at) {
  return static_cast<uint32_t>(at[0]) | static_cast<uint32_t>(at[1]) << 8 |
         static_cast<uint32_t>(at[2]) << 16 | static_cast<uint32_t>(at[3]) << 24;
}

#endif  // BOTTLEWATCH_CAPTURE_BITMAP_FILE_LITTLE_ENDIAN_H_
