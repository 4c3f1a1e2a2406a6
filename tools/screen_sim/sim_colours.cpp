// Palette of screen-sim, chosen well inside the advisor's colour and
// brightness bounds so that 5-6-5, 5-5-5 and 8-bit colormaps keep each code.
#include "sim_colours.h"

namespace {

// Every cell colour still reads as its code with any channel moved by 12
// either way, more than a 5-bit channel or a near colour from a full colormap
// moves it: the ratio tests (2a > 3b), the brightness bounds (above 134
// bright, 41..134 dim) and, for the dim ones, luminance above 30, below which
// the advisor calls a pixel dark and drops it.
const SimRgb kEmpty[] = {{0, 0, 0}};
const SimRgb kRedVirus[] = {{100, 36, 30}, {112, 24, 24}, {120, 0, 0}};
const SimRgb kYellowVirus[] = {{110, 100, 20}, {100, 90, 0}, {120, 110, 30}};
const SimRgb kBlueVirus[] = {{20, 80, 130}, {0, 90, 140}, {30, 80, 120}};
const SimRgb kRedHalf[] = {{230, 50, 40}, {200, 30, 30}, {255, 0, 0}};
const SimRgb kYellowHalf[] = {{230, 210, 40}, {255, 255, 0}, {200, 200, 0}};
const SimRgb kBlueHalf[] = {{40, 160, 240}, {0, 128, 255}, {60, 180, 255}};
const SimRgb kLight[] = {{236, 232, 220}, {255, 255, 255}};
const SimRgb kShade[] = {{196, 208, 222}, {200, 200, 200}};
const SimRgb kFrame[] = {{160, 170, 185}, {170, 170, 170}, {255, 255, 255}};
const SimRgb kDial[] = {{240, 236, 214}, {255, 255, 255}};
const SimRgb kHand[] = {{52, 40, 36}, {0, 0, 0}};
const SimRgb kPhotoStandIn[] = {{128, 128, 128}};

template <int N>
const SimRgb* Listed(const SimRgb (&list)[N], int* count) {
  *count = N;
  return list;
}

}  // namespace

SimPaint PaintForCode(char code) {
  switch (code) {
    case 'R':
      return kPaintRedVirus;
    case 'Y':
      return kPaintYellowVirus;
    case 'B':
      return kPaintBlueVirus;
    case 'r':
      return kPaintRedHalf;
    case 'y':
      return kPaintYellowHalf;
    case 'b':
      return kPaintBlueHalf;
    default:
      return kPaintEmpty;
  }
}

const SimRgb* PaintCandidates(SimPaint paint, int* count) {
  switch (paint) {
    case kPaintRedVirus:
      return Listed(kRedVirus, count);
    case kPaintYellowVirus:
      return Listed(kYellowVirus, count);
    case kPaintBlueVirus:
      return Listed(kBlueVirus, count);
    case kPaintRedHalf:
      return Listed(kRedHalf, count);
    case kPaintYellowHalf:
      return Listed(kYellowHalf, count);
    case kPaintBlueHalf:
      return Listed(kBlueHalf, count);
    case kPaintLight:
      return Listed(kLight, count);
    case kPaintShade:
      return Listed(kShade, count);
    case kPaintFrame:
      return Listed(kFrame, count);
    case kPaintDial:
      return Listed(kDial, count);
    case kPaintHand:
      return Listed(kHand, count);
    case kPaintPhoto:
      return Listed(kPhotoStandIn, count);
    default:
      return Listed(kEmpty, count);
  }
}

int SimLuminance(SimRgb rgb) {
  double s = rgb.green * 0.587;
  s = s + rgb.blue * 0.114;
  s = s + rgb.red * 0.299;
  return static_cast<int>(s);
}

char ClassifyFlatSquare(SimRgb rgb) {
  // A flat square is either wholly dark (every row excluded) or its means
  // are the colour itself.
  if (SimLuminance(rgb) <= 30) return '.';
  const int r = rgb.red;
  const int g = rgb.green;
  const int b = rgb.blue;
  if (2 * r > 3 * g && 2 * r > 3 * b) {
    if (r > 134) return 'r';
    if (r > 40) return 'R';
  }
  if (2 * r > 3 * b && 2 * g > 3 * b) {
    const int v = (r + g) / 2;
    if (v > 134) return 'y';
    if (v > 40) return 'Y';
  }
  if (2 * g > 3 * r && 2 * b > 3 * r) {
    const int v = (g + b) / 2;
    if (v > 134) return 'b';
    if (v > 40) return 'B';
  }
  return '.';
}

bool PaintAccepts(SimPaint paint, SimRgb rgb) {
  switch (paint) {
    case kPaintEmpty:
    case kPaintSpriteBlack:
      return SimLuminance(rgb) <= 30;
    case kPaintLight:
    case kPaintShade:
    case kPaintFrame:
    case kPaintDial:
      return SimLuminance(rgb) >= 150;
    case kPaintHand:
    case kPaintPhoto:
      return true;
    case kPaintRedVirus:
      return ClassifyFlatSquare(rgb) == 'R';
    case kPaintYellowVirus:
      return ClassifyFlatSquare(rgb) == 'Y';
    case kPaintBlueVirus:
      return ClassifyFlatSquare(rgb) == 'B';
    case kPaintRedHalf:
      return ClassifyFlatSquare(rgb) == 'r';
    case kPaintYellowHalf:
      return ClassifyFlatSquare(rgb) == 'y';
    case kPaintBlueHalf:
      return ClassifyFlatSquare(rgb) == 'b';
    default:
      return false;
  }
}
