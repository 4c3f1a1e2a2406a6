// Brightness of a packed pixel.
#include "vision/luminance.h"

int Luminance(uint32_t pixel) {
  const int red = static_cast<int>(pixel & 0xFF);
  const int green = static_cast<int>((pixel >> 8) & 0xFF);
  const int blue = static_cast<int>((pixel >> 16) & 0xFF);
  // The order of the sum is part of the result: reordering it changes which
  // grey levels round down to v - 1.
  double sum = green * 0.587;
  sum = sum + blue * 0.114;
  sum = sum + red * 0.299;
  return static_cast<int>(sum);
}

bool IsBright(uint32_t pixel) {
  return Luminance(pixel) >= kBrightLevel;
}

int32_t CountBright(const uint32_t* row, int32_t from, int32_t to) {
  int32_t bright = 0;
  for (int32_t c = from; c < to; ++c) bright += IsBright(row[c]) ? 1 : 0;
  return bright;
}
