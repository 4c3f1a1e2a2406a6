// The looks' colours and the photographic page.
#include "sim_look.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

namespace {

const SimRgb kLightGreyPage[] = {{224, 224, 224}};
const SimRgb kWhitePage[] = {{255, 255, 255}};
const SimRgb kWhiteBorder[] = {{255, 255, 255}};

// The cell colours of the other palettes, in the order of the paints from
// kPaintRedVirus to kPaintBlueHalf. A browser game's pure blue (luminance 29)
// reads as dark to the advisor, so its blue virus, which must show, is a
// lighter blue; the sprite palette colours viruses as the halves.
const SimRgb kPureCells[] = {{255, 0, 0}, {255, 255, 0}, {0, 128, 255},
                             {255, 0, 0}, {255, 255, 0}, {0, 0, 255}};
const SimRgb kSpriteCells[] = {{230, 50, 40}, {230, 210, 40}, {40, 160, 240},
                               {230, 50, 40}, {230, 210, 40}, {40, 160, 240}};

// The palette's colour for a cell paint, or null where the default's stand.
const SimRgb* PaletteColour(SimPalette palette, SimPaint paint) {
  if (paint < kPaintRedVirus || paint > kPaintBlueHalf) return nullptr;
  if (palette == SimPalette::kPure) return &kPureCells[paint - kPaintRedVirus];
  if (palette == SimPalette::kSprite) return &kSpriteCells[paint - kPaintRedVirus];
  return nullptr;
}

// A soft round patch of the photograph, placed in fractions of the page so
// that it lands alike at every size.
struct Blotch {
  double x;
  double y;
  double radius;  // in fractions of the page's width
  SimRgb colour;
  double strength;
};

// Dark foliage, a bright sky and sunlit patches; one dark blotch sits just
// left of where the bottle is at side 12, as a photograph may put a shadow
// against a game's frame.
const Blotch kBlotches[] = {
    {0.15, 0.20, 0.22, {255, 250, 236}, 1.0}, {0.29, 0.30, 0.07, {18, 26, 20}, 0.95},
    {0.10, 0.80, 0.25, {30, 48, 28}, 0.9},    {0.62, 0.85, 0.20, {22, 20, 34}, 0.85},
    {0.80, 0.25, 0.18, {255, 234, 170}, 1.0}, {0.55, 0.10, 0.12, {96, 140, 210}, 0.7},
    {0.90, 0.65, 0.14, {200, 90, 60}, 0.6},   {0.40, 0.70, 0.09, {235, 235, 240}, 0.8},
};

}  // namespace

int LargestRadius(int side) {
  return 2 * side / 3;
}

bool ParseRgb(const char* text, SimRgb* rgb) {
  if (std::strlen(text) != 6) return false;
  for (int i = 0; i < 6; ++i) {
    const char c = text[i];
    const bool hex = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
    if (!hex) return false;
  }
  const long value = std::strtol(text, nullptr, 16);
  *rgb = {static_cast<int>(value >> 16 & 255), static_cast<int>(value >> 8 & 255),
          static_cast<int>(value & 255)};
  return true;
}

bool InsideAccepts(SimRgb rgb) {
  return ClassifyFlatSquare(rgb) == '.' && SimLuminance(rgb) <= kSimBrightestInside;
}

const SimRgb* LookCandidates(const SimLook& look, SimPaint paint, int* count) {
  if (const SimRgb* colour = PaletteColour(look.palette, paint)) {
    *count = 1;
    return colour;
  }
  if (paint == kPaintEmpty && look.insideGiven) {
    *count = 1;
    return &look.inside;
  }
  if (paint == kPaintFrame && look.borderColourGiven) {
    *count = 1;
    return &look.borderColour;
  }
  if (paint == kPaintFrame && look.border > 0) {
    *count = 1;
    return kWhiteBorder;
  }
  if (paint == kPaintLight && look.page == SimPage::kLight) {
    *count = 1;
    return kLightGreyPage;
  }
  if (paint == kPaintLight && look.page == SimPage::kWhite) {
    *count = 1;
    return kWhitePage;
  }
  return PaintCandidates(paint, count);
}

bool LookAccepts(const SimLook& look, SimPaint paint, SimRgb rgb) {
  if (const SimRgb* asked = PaletteColour(look.palette, paint)) {
    return std::abs(rgb.red - asked->red) <= 12 && std::abs(rgb.green - asked->green) <= 12 &&
           std::abs(rgb.blue - asked->blue) <= 12;
  }
  if (paint == kPaintEmpty && look.insideGiven) return InsideAccepts(rgb);
  return PaintAccepts(paint, rgb);
}

void PaintPhoto(int width, int height, std::vector<SimRgb>* pixels) {
  pixels->resize(static_cast<size_t>(width) * height);
  for (int y = 0; y < height; ++y) {
    // A sky that darkens toward the ground.
    const double down = static_cast<double>(y) / height;
    const double base[3] = {170 - 120 * down, 190 - 130 * down, 225 - 180 * down};
    for (int x = 0; x < width; ++x) {
      double c[3] = {base[0], base[1], base[2]};
      for (const Blotch& b : kBlotches) {
        const double dx = x - b.x * width;
        const double dy = y - b.y * height;
        const double r = b.radius * width;
        const double w = b.strength * std::exp(-(dx * dx + dy * dy) / (2 * r * r));
        c[0] += (b.colour.red - c[0]) * w;
        c[1] += (b.colour.green - c[1]) * w;
        c[2] += (b.colour.blue - c[2]) * w;
      }
      (*pixels)[static_cast<size_t>(y) * width + x] = {
          static_cast<int>(c[0] + 0.5), static_cast<int>(c[1] + 0.5), static_cast<int>(c[2] + 0.5)};
    }
  }
}
