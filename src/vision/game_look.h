// The game's own look: where its cells really lie (the grid) and how it
// colours viruses and vitamin halves (the palette), measured off a frame once
// a field is taken, and the board read by it.
//
// A game drawn as this tool's own screens draw it (cells tiling the field at
// its eighths from the top, flat squares, viruses dimmer than halves) gets
// the field's eighths and the cell reader's own codes (SampleGrid,
// ClassifyCell), byte for byte. Other games draw bricks with gaps between
// them, start their rows below the field's top, draw viruses as sprites as
// bright as the halves, or halves of a blue darker than the cell reader's
// dark line; for those the grid and the palette are measured.
//
// Rasters are height rows of width packed pixels (red in the low byte),
// owned by the caller and only read. Grids are indexed row * 8 + column.
#ifndef BOTTLEWATCH_VISION_GAME_LOOK_H_
#define BOTTLEWATCH_VISION_GAME_LOOK_H_

#include <cstdint>

#include "vision/board.h"
#include "vision/piece_hue.h"

// Cell (column i, row j) is the side x side square whose top-left pixel is
// (left + i * pitch, top + j * pitch). Not own: the field's eighths, as
// SampleGrid lays them.
struct CellGrid {
  bool own = false;
  int32_t left = 0;
  int32_t top = 0;
  int32_t pitch = 0;
  int32_t side = 0;
};

// Not own: the cell reader's codes. Own: a pixel is the cell's ground when it
// is near the inside colour or black; a cell is read by the pixels that are
// not, which must cover at least kLeastCoverPermille of it: their mean colour
// gives the hue, and how much of their rectangle they fill tells a vitamin
// half (a solid brick) from a virus (a sprite): at least solidPermille[hue]
// is a half.
struct CellPalette {
  bool own = false;
  uint32_t inside = 0;
  int32_t solidPermille[kHueCount] = {};
};
constexpr int32_t kLeastCoverPermille = 200;

struct GameLook {
  FieldRect field;  // the field the look was measured on
  CellGrid grid;
  CellPalette palette;
  // False while the frame gave too little to decide by: no piece in the
  // bottle, or pieces in too few columns to tell a grid with gaps from the
  // field's eighths. The caller measures again on a later frame.
  bool settled = false;
};

// Measures the look of the game whose dark field is field (its top-left
// pixel and width, as the field search takes it), from this frame.
GameLook MeasureGameLook(const uint32_t* raster, int32_t width, int32_t height,
                         const FieldRect& field);

// Copies each cell of current into previous and reads it anew on the look's
// grid and by its palette. With neither measured, exactly SampleGrid.
void SampleBoard(const uint32_t* raster, int32_t width, int32_t height, const GameLook& look,
                 uint8_t current[kBoardCells], uint8_t previous[kBoardCells]);

// What an own palette sees in the side x side square at (left, top): how much
// of it, in permille, is not ground (its cover); how much of the smallest
// rectangle around that part it fills (a brick fills all of its rectangle,
// even where a grid read a little off its place cuts it, or a scaler's blur
// darkens its edges; a round sprite about three-quarters, less with eyes or
// a hole); and the hue of that part's mean colour (0 red, 1 yellow, 2 blue,
// -1 none). Pixels outside the raster are ground. The hues are the cell
// reader's, red first, and a blue whose green is as low as its red, as long
// as blue is more than 1.5 times both.
struct CellSight {
  int32_t coverPermille = 0;
  int32_t fillPermille = 0;
  int hue = -1;
};
CellSight LookAtCell(const uint32_t* raster, int32_t left, int32_t top, int32_t width,
                     int32_t height, int32_t side, uint32_t inside);

// One cell read by an own palette: '.' when less than kLeastCoverPermille of
// it shows or it has no hue, else its hue's code, the bright one for a solid
// brick (a vitamin half), the dim one for a sprite (a virus).
uint8_t ClassifyOwnCell(const uint32_t* raster, int32_t left, int32_t top, int32_t width,
                        int32_t height, int32_t side, const CellPalette& palette);

// Exposed for the tests: the grid measured alone, and how the field's
// pixels split into the inside's ground and the rest.
CellGrid MeasureCellGrid(const uint32_t* raster, int32_t width, int32_t height,
                         const FieldRect& field, uint32_t inside, bool& settled);
uint32_t InsideColour(const uint32_t* raster, int32_t width, int32_t height,
                      const FieldRect& field);
bool IsGround(uint32_t pixel, uint32_t inside);

#endif  // BOTTLEWATCH_VISION_GAME_LOOK_H_
