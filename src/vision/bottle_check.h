// What a frame shows around a field: whether it looks like the game's bottle
// (bright walls beside it, a bright floor under it, its own dark inside), and
// where the bottle's top lies above a field first seen lower. The search that
// decides which field is in use (src/app/field_search.h) asks these.
//
// Rasters are height * width packed pixels, row-major, row 0 at the top, red
// in the low byte; they are only read. A field is (left, top, width) in the
// raster's pixels and is taken to be 2 * width tall.
#ifndef BOTTLEWATCH_VISION_BOTTLE_CHECK_H_
#define BOTTLEWATCH_VISION_BOTTLE_CHECK_H_

#include <cstdint>

#include "vision/board.h"

// The smallest field taken for a bottle: cell side 5, below the smallest game
// (side 6) but above the desktop's small dark shapes.
constexpr int32_t kSmallestBottle = 40;

// How far outside the field its walls and floor may start: a dim outline, a
// rounded border or a scaler's blur moves the first bright pixel a few pixels
// away from the field's edge.
int32_t BottleEdgeSlack(int32_t fieldWidth);

// Light as a wall, a border, a page or a dialog is, never as a game piece is:
// bright, and either of none of the piece hues (one channel pair more than
// 1.5 times the third, as the cell reader tells colours) or pale (every
// channel 128 or more), as a light border of any colour is.
bool IsLight(uint32_t pixel);

// Whether the field looks like the bottle in this frame: at least
// kSmallestBottle wide, a bright wall just outside each side down most of the
// field's 2 * width rows, a bright floor just below them unless the raster's
// bottom edge cuts the field, and inside, down most of those rows, the
// bottle's own dark (or pieces) rather than a light screen.
bool LooksLikeBottle(const uint32_t* raster, int32_t height, int32_t width, const FieldRect& field);

// LooksLikeBottle with its floor band inside the raster: for a raster that is
// a region cut out around a bottle, whose bottom edge is not the screen's, so
// that a field lower than the bottle cannot pass its floor off as cut.
bool LooksLikeWholeBottle(const uint32_t* raster, int32_t height, int32_t width,
                          const FieldRect& field);

// Its parts, for the scene table (bench/field_search_scenes.cpp).
bool HasBrightWalls(const uint32_t* raster, int32_t height, int32_t width, const FieldRect& field);
bool HasBrightFloor(const uint32_t* raster, int32_t height, int32_t width, const FieldRect& field);
bool ShowsDarkInside(const uint32_t* raster, int32_t height, int32_t width, const FieldRect& field);

// Whether the field has a top: bright across at least half its width in one
// of the few rows above it, or the raster's top edge. A bottle cut by the
// raster's bottom edge still shows its top; a dark strip between two light
// windows that runs off the bottom does not.
bool HasATop(const uint32_t* raster, int32_t width, const FieldRect& field);

// The field moved up, same left and width, over every row above it that shows
// the bottle's inside (fewer than half of its samples light) between walls (a
// bright pixel on each side, from the check's slack outside the field to a
// rounded corner's reach, a twelfth of the width, inside it), by at most the
// bottle's height (twice its width). A vitamin or a stack in the bottle's top
// rows, or a rounded border's corners, hide its true top from LocateField,
// which then measures a field lower down; the rows between are still the
// inside, and the row above the true top is the border or the light ground
// around an open neck. The caller checks the field it gets.
FieldRect RiseToTop(const uint32_t* raster, int32_t height, int32_t width, const FieldRect& field);

#endif  // BOTTLEWATCH_VISION_BOTTLE_CHECK_H_
