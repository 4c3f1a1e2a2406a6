// The sprites' shapes, and the fit of the pure palette's blobs to the
// advisor's brightness, row by row as the advisor sums a cell.
#include "sim_sprites.h"

#include <algorithm>
#include <cstdlib>
#include <numeric>

namespace {

constexpr int kDarkLevel = 30;
constexpr int kAimedBrightness = 136;

// One row of a cell as the advisor sums it: channels of its lit pixels and
// how many pixels are dark.
struct RowTally {
  long red = 0;
  long green = 0;
  long blue = 0;
  int dark = 0;
};

void Count(SimRgb rgb, int sign, RowTally* row) {
  if (SimLuminance(rgb) <= kDarkLevel) {
    row->dark += sign;
    return;
  }
  row->red += sign * rgb.red;
  row->green += sign * rgb.green;
  row->blue += sign * rgb.blue;
}

// The advisor's brightness of the cell for its colour ('r', 'y' or 'b'):
// channel means over the rows that are not dark from end to end, dark pixels
// counting as zero; -1 when less than half the cell counts or the means have
// another hue.
int Brightness(const std::vector<RowTally>& rows, int side, char colour) {
  long red = 0;
  long green = 0;
  long blue = 0;
  long counted = 0;
  for (const RowTally& row : rows) {
    if (row.dark == side) continue;
    red += row.red;
    green += row.green;
    blue += row.blue;
    counted += side;
  }
  if (counted == 0 || counted < static_cast<long>(side) * side / 2) return -1;
  red /= counted;
  green /= counted;
  blue /= counted;
  if (colour == 'r') return 2 * red > 3 * green && 2 * red > 3 * blue ? red : -1;
  if (2 * red > 3 * green && 2 * red > 3 * blue) return -1;  // the advisor tries red first
  if (colour == 'y') return 2 * red > 3 * blue && 2 * green > 3 * blue ? (red + green) / 2 : -1;
  if (2 * red > 3 * blue && 2 * green > 3 * blue) return -1;
  return 2 * green > 3 * red && 2 * blue > 3 * red ? (green + blue) / 2 : -1;
}

// Squared distance, in half pixels, from pixel (x, y)'s centre to the point
// (cx, cy) given in half pixels.
long Distance2(int x, int y, long cx, long cy) {
  const long dx = 2L * x + 1 - cx;
  const long dy = 2L * y + 1 - cy;
  return dx * dx + dy * dy;
}

// The cell's pixels nearest first to (cx, cy), in half pixels.
std::vector<int> NearestFirst(int side, long cx, long cy) {
  std::vector<int> order(static_cast<size_t>(side) * side);
  std::iota(order.begin(), order.end(), 0);
  std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
    return Distance2(a % side, a / side, cx, cy) < Distance2(b % side, b / side, cx, cy);
  });
  return order;
}

// count pixels of two eyes, a third and two-thirds across and 40% down,
// taken from each in turn.
std::vector<bool> Eyes(int side, int count) {
  const std::vector<int> left = NearestFirst(side, 2 * side / 3, 4 * side / 5);
  const std::vector<int> right = NearestFirst(side, 4 * side / 3, 4 * side / 5);
  std::vector<bool> eye(static_cast<size_t>(side) * side, false);
  int taken = 0;
  for (size_t i = 0; i < left.size() && taken < count; ++i) {
    for (int pixel : {left[i], right[i]}) {
      if (taken < count && !eye[pixel]) {
        eye[pixel] = true;
        ++taken;
      }
    }
  }
  return eye;
}

// A blob grown from the cell's centre (or half a pixel above it, so that it
// may cover an odd number of rows), its eyes a few pixels more or fewer,
// until the advisor's brightness is as near 136 as these shapes come; at
// sides as small as 6 only a blob that leaves a row dark does.
std::vector<uint8_t> FittedBlob(int side, SimRgb body, SimRgb inside, char colour) {
  const int area = side * side;
  const int baseEyes = 2 * (side / 8) * (side / 8);
  int bestMiss = 1 << 20;
  int bestLift = 0;
  int bestEyes = baseEyes;
  int bestSize = area / 2;
  for (int lift = 0; lift <= 1 && bestMiss > 0; ++lift) {
    const std::vector<int> order = NearestFirst(side, side, side - lift);
    for (int eyes = baseEyes; eyes <= baseEyes + 8 && bestMiss > 0; ++eyes) {
      const std::vector<bool> eye = Eyes(side, eyes);
      std::vector<RowTally> rows(side);
      for (int y = 0; y < side; ++y) {
        for (int x = 0; x < side; ++x) Count(inside, 1, &rows[y]);
      }
      for (int size = 1; size <= area; ++size) {
        const int pixel = order[size - 1];
        Count(inside, -1, &rows[pixel / side]);
        Count(eye[pixel] ? SimRgb{0, 0, 0} : body, 1, &rows[pixel / side]);
        const int brightness = Brightness(rows, side, colour);
        if (brightness < 0) continue;
        const int miss = std::abs(brightness - kAimedBrightness);
        if (miss < bestMiss) {
          bestMiss = miss;
          bestLift = lift;
          bestEyes = eyes;
          bestSize = size;
        }
      }
    }
  }
  const std::vector<int> order = NearestFirst(side, side, side - bestLift);
  const std::vector<bool> eye = Eyes(side, bestEyes);
  std::vector<uint8_t> mask(static_cast<size_t>(area), kSpriteInside);
  for (int i = 0; i < bestSize; ++i) {
    mask[order[i]] = eye[order[i]] ? kSpriteBlack : kSpriteBody;
  }
  return mask;
}

// Sprites drawn as shapes: a red ring and a blue blob with eyes on the dark
// inside, and a yellow dome over the cell's upper half with the lower half
// black; at an odd side the dome takes the middle row, for the advisor
// leaves a cell less than half of which counts unread.
std::vector<uint8_t> ShapedSprite(int side, int which) {
  std::vector<uint8_t> mask(static_cast<size_t>(side) * side, kSpriteInside);
  const long s2 = static_cast<long>(side) * side;
  const long eyeRadius2 = std::max(1L, s2 / 25);
  for (int y = 0; y < side; ++y) {
    for (int x = 0; x < side; ++x) {
      const long d2 = Distance2(x, y, side, side);
      uint8_t& part = mask[static_cast<size_t>(y) * side + x];
      if (which == 0) {
        if (d2 <= s2 * 77 / 100 && d2 >= s2 * 19 / 100) part = kSpriteBody;
      } else if (which == 1) {
        if (y >= (side + 1) / 2) {
          part = kSpriteBlack;
        } else if (d2 <= s2) {
          part = kSpriteBody;
        }
      } else if (d2 <= s2 * 70 / 100) {
        const bool eye = Distance2(x, y, 2 * side / 3, 4 * side / 5) <= eyeRadius2 ||
                         Distance2(x, y, 4 * side / 3, 4 * side / 5) <= eyeRadius2;
        part = eye ? kSpriteBlack : kSpriteBody;
      }
    }
  }
  return mask;
}

}  // namespace

SimSprites MakeVirusSprites(SimPalette palette, int side, const SimRgb colours[kPaintCount]) {
  SimSprites sprites;
  sprites.side = side;
  if (palette == SimPalette::kDefault) return sprites;
  const char codes[3] = {'r', 'y', 'b'};
  for (int which = 0; which < 3; ++which) {
    sprites.masks[which] =
        palette == SimPalette::kPure
            ? FittedBlob(side, colours[kPaintRedVirus + which], colours[kPaintEmpty], codes[which])
            : ShapedSprite(side, which);
  }
  return sprites;
}

int SpriteShift(int side, int frame) {
  const int step = side >= 24 ? 2 : 1;
  const int shifts[kSimSpriteFrames] = {0, step, 0, -step};
  return shifts[((frame % kSimSpriteFrames) + kSimSpriteFrames) % kSimSpriteFrames];
}
