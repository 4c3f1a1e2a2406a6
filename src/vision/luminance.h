// Brightness of one packed raster pixel, shared by field location and cell
// classification (which use different thresholds), and the one line between
// dark and bright that field location and the bottle check share.
#ifndef BOTTLEWATCH_VISION_LUMINANCE_H_
#define BOTTLEWATCH_VISION_LUMINANCE_H_

#include <cstdint>

// Pixel packing: red in bits 0-7, green 8-15, blue 16-23; alpha is ignored.
// Returns 0..255: green * 0.587 + blue * 0.114 + red * 0.299, summed in double
// precision in exactly that order and truncated toward zero.
int Luminance(uint32_t pixel);

// Field location's line: a pixel is bright at this luminance or more.
constexpr int kBrightLevel = 128;

bool IsBright(uint32_t pixel);

// How many of row[from .. to) are bright (0 when to <= from).
int32_t CountBright(const uint32_t* row, int32_t from, int32_t to);

#endif  // BOTTLEWATCH_VISION_LUMINANCE_H_
