// Virus sprites for the palettes that draw viruses as shapes rather than flat
// squares, the pure palette's fitted to the advisor's brightness of a cell.
#ifndef BOTTLEWATCH_TOOLS_SCREEN_SIM_SIM_SPRITES_H_
#define BOTTLEWATCH_TOOLS_SCREEN_SIM_SIM_SPRITES_H_

#include <cstdint>
#include <vector>

#include "sim_colours.h"
#include "sim_look.h"

// What each pixel of a sprite shows.
enum SimSpritePart : uint8_t { kSpriteInside, kSpriteBody, kSpriteBlack };

// One side x side mask of SimSpritePart per virus colour (red, yellow,
// blue), row-major; none for the default palette's flat squares.
struct SimSprites {
  int side = 0;
  std::vector<uint8_t> masks[3];
};

// The viruses' sprites at this side. colours holds what each paint shows
// (indexed by SimPaint): the pure palette's viruses are fitted to it so that
// the advisor's brightness of each, by its own colour's measure, is 135 to
// 137, just over its bright line; each sprite has two black eyes.
SimSprites MakeVirusSprites(SimPalette palette, int side, const SimRgb colours[kPaintCount]);

// The viruses' animation: frames 0 to 3 move every sprite right by 0, one
// pixel (two from side 24), 0 and as far left, rolled round within its cell
// so that each row keeps its pixels and the cell reads alike in every frame.
constexpr int kSimSpriteFrames = 4;
int SpriteShift(int side, int frame);

#endif  // BOTTLEWATCH_TOOLS_SCREEN_SIM_SIM_SPRITES_H_
