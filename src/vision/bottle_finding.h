// Finding the game's bottle in a frame: among LocateField's dark areas, the
// first that looks like the bottle; and over a whole screen, where
// LocateField alone would be slow and blind below the upper half, the bottle
// found by its rows of inside between two light walls.
//
// Rasters are height * width packed pixels, row-major, row 0 at the top, red
// in the low byte; they are only read. found is all 0 when nothing passes.
#ifndef BOTTLEWATCH_VISION_BOTTLE_FINDING_H_
#define BOTTLEWATCH_VISION_BOTTLE_FINDING_H_

#include <cstdint>
#include <vector>

#include "vision/board.h"

// How many of LocateField's fields one frame may reject before the search
// gives up on that frame: each rejected field's top is hidden from the next
// look, so a dark desktop yields its dark areas one by one, widest first.
constexpr int32_t kMostCandidates = 64;

using FieldCheck = bool (*)(const uint32_t* raster, int32_t height, int32_t width,
                            const FieldRect& field);

// The field risen to its top (RiseToTop) when that is higher and passes
// check; width 0 otherwise.
FieldRect RisenBottle(const uint32_t* raster, int32_t height, int32_t width, FieldCheck check,
                      const FieldRect& field);

// The first field, in LocateField's order, that passes check, or whose rise
// to its top (RiseToTop) passes it: LocateField on the frame, then on a copy
// (scratch, resized as needed) with each rejected field's top painted white,
// at most kMostCandidates times. Painting only adds bright pixels and removes
// starts, so later fields are no wider: the looks end at the first field
// narrower than narrowest.
void FindBottle(const uint32_t* raster, int32_t height, int32_t width, FieldCheck check,
                int32_t narrowest, std::vector<uint32_t>& scratch, FieldRect& found);

// The bottle on a whole screen's pixels: of those that pass the bottle check,
// the widest, then the first in scan order (top row first, then leftmost),
// each at its top (RiseToTop). Every fourth row is scanned for runs of inside
// (anything but light: the dark, the pieces, the viruses) between two light
// pixels, as wide as a bottle; the part of the screen around each run that
// goes on down two more scanned rows is searched with FindBottle, and where
// that finds nothing (a game in play whose pieces leave LocateField no three
// clear rows), the run's own field is taken when it passes. A field whose
// floor lies below the screen must show a top (HasATop).
void FindBottleOnScreen(const uint32_t* pixels, int32_t height, int32_t width,
                        std::vector<uint32_t>& scratch, FieldRect& found);

#endif  // BOTTLEWATCH_VISION_BOTTLE_FINDING_H_
