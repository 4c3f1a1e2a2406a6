// How screen-sim dresses the bottle to look like other games of its kind: a
// closed border with rounded corners, the inside's and the border's colours,
// the page around the game, and a clock that a redrawing game animates.
#ifndef BOTTLEWATCH_TOOLS_SCREEN_SIM_SIM_LOOK_H_
#define BOTTLEWATCH_TOOLS_SCREEN_SIM_SIM_LOOK_H_

#include <vector>

#include "sim_colours.h"

// How the cells are coloured: this game's own flat squares; pure saturated
// halves with viruses as sprites of their colours, as a browser game draws
// them; or sprites whose yellow virus is half black and whose red and blue
// ones are a ring and a blob on the dark inside.
enum class SimPalette { kDefault, kPure, kSprite };

// What surrounds the game: this game's light checker, a plain light grey, pure
// white, or a photograph (gradients and blotches, dark and bright).
enum class SimPage { kChecker, kLight, kWhite, kPhoto };

constexpr int kSimThinnestBorder = 2;
constexpr int kSimThickestBorder = 16;
// An explicitly given inside colour may be this bright: a game's dark grey
// bottle (#252525 is 36) still reads as empty, though brighter than the
// default's 30.
constexpr int kSimBrightestInside = 40;
// Gaps between bricks and the first brick row's offset, in pixels.
constexpr int kSimWidestGap = 16;
constexpr int kSimLargestRowOffset = 16;

struct SimLook {
  // 0: this game's outline, open at the neck; otherwise a border this thick
  // on all four sides, outside the cells, its outer corners rounded by radius.
  int border = 0;
  int radius = 0;
  bool borderColourGiven = false;
  SimRgb borderColour = {255, 255, 255};
  bool insideGiven = false;
  SimRgb inside = {0, 0, 0};
  SimPage page = SimPage::kChecker;
  // The clock's hand position, one of twelve, or -1 for no clock.
  int clockTick = -1;
  // Bricks lie side + gap apart, the gaps showing the inside; the first row
  // starts rowOffset below the dark field's top.
  int gap = 0;
  int rowOffset = 0;
  SimPalette palette = SimPalette::kDefault;
  // Which of the viruses' animation frames shows (0 when still).
  int spriteFrame = 0;
};

// The largest corner radius at this cell side: two-thirds of it.
int LargestRadius(int side);

// Reads RRGGBB (six hex digits) into *rgb.
bool ParseRgb(const char* text, SimRgb* rgb);

// Whether a colour given for the inside reads as an empty cell (too dark, or
// no tint the advisor would call red, yellow or blue) with luminance
// kSimBrightestInside or less.
bool InsideAccepts(SimRgb rgb);

// The candidates for a paint in this look: a given inside or border colour,
// the page's own light, or else PaintCandidates. *count receives how many.
const SimRgb* LookCandidates(const SimLook& look, SimPaint paint, int* count);

// PaintAccepts, but a given inside colour is held to InsideAccepts, and a
// palette's cell colour, which may read otherwise on purpose, to being the
// colour asked for within 12 on every channel.
bool LookAccepts(const SimLook& look, SimPaint paint, SimRgb rgb);

// The photographic page, width x height, row-major; the same every time.
void PaintPhoto(int width, int height, std::vector<SimRgb>* pixels);

#endif  // BOTTLEWATCH_TOOLS_SCREEN_SIM_SIM_LOOK_H_
