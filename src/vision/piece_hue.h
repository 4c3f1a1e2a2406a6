// The game pieces' three hues, as every pixel rule of the vision tells them:
// the cell reader codes a cell by them, the bottle check calls a bright pixel
// of none of them light, and a game's own palette reads its cells by them.
#ifndef BOTTLEWATCH_VISION_PIECE_HUE_H_
#define BOTTLEWATCH_VISION_PIECE_HUE_H_

#include <cstdint>

constexpr int kNoHue = -1;
constexpr int kRedHue = 0;
constexpr int kYellowHue = 1;
constexpr int kBlueHue = 2;
constexpr int kHueCount = 3;

// "a is more than 1.5 times b", exact on integers.
inline bool Dominates(int64_t a, int64_t b) {
  return 2 * a > 3 * b;
}

// The hue of a colour (channels 0 to 255, or their means): red when red is
// more than 1.5 times green and blue; else yellow when red and green are both
// more than 1.5 times blue; else blue when green and blue are both more than
// 1.5 times red; else kNoHue. Red is tried first: both red and yellow can
// match (100, 60, 30), and such a colour is red.
inline int PieceHue(int64_t red, int64_t green, int64_t blue) {
  if (Dominates(red, green) && Dominates(red, blue)) return kRedHue;
  if (Dominates(red, blue) && Dominates(green, blue)) return kYellowHue;
  if (Dominates(green, red) && Dominates(blue, red)) return kBlueHue;
  return kNoHue;
}

#endif  // BOTTLEWATCH_VISION_PIECE_HUE_H_
