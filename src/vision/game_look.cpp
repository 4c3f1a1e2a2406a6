// The game's look measured once a field is taken, and the board read by it:
// the field's eighths and the cell reader's codes unless the frame shows
// otherwise.
#include "vision/game_look.h"

#include <algorithm>

#include "vision/cell_classification.h"

namespace {

// A cell whose lit part fills less of its rectangle than this is a sprite,
// not a brick: the round sprites measured (blobs with eyes, rings, a dome
// over a black half) fill 55 to 80 % of theirs, a brick all of it, and a
// scaler's blur rounds a brick's corners by a few pixels.
constexpr int32_t kSpritePermille = 850;
// Sprites in fewer cells than this are no evidence: a frame torn while the
// game redraws can cut one brick short.
constexpr int32_t kLeastSprites = 2;

struct Square {
  int32_t left;
  int32_t top;
  int32_t side;
};

Square CellSquare(const GameLook& look, int32_t column, int32_t row) {
  const CellGrid& grid = look.grid;
  if (grid.own) {
    return {grid.left + column * grid.pitch, grid.top + row * grid.pitch, grid.side};
  }
  const FieldRect& field = look.field;
  return {field.left + (column * field.width) / 8, field.top + (row * field.width) / 8,
          field.width / 8};
}

// Whether the game's cells read otherwise than the cell reader reads them:
// sprites in place of flat squares, or a whole brick of a colour it calls
// dark (not a sliver of one that a grid read a little off its place cuts). The sprites'
// fill, the least of each hue, sets that hue's line between sprites and
// bricks halfway to a full brick.
CellPalette LearnPalette(const uint32_t* raster, int32_t width, int32_t height,
                         const GameLook& look, uint32_t inside, bool& settled) {
  CellPalette palette;
  palette.inside = inside;
  int32_t leastSprite[kHueCount] = {1000, 1000, 1000};
  int32_t sprites = 0;
  bool hiddenColour = false;
  settled = false;
  for (int32_t row = 0; row < kBoardRows; ++row) {
    for (int32_t column = 0; column < kBoardColumns; ++column) {
      const Square s = CellSquare(look, column, row);
      const CellSight sight = LookAtCell(raster, s.left, s.top, width, height, s.side, inside);
      if (sight.coverPermille < kLeastCoverPermille || sight.hue < 0) continue;
      settled = true;
      if (sight.fillPermille < kSpritePermille) {
        ++sprites;
        leastSprite[sight.hue] = std::min(leastSprite[sight.hue], sight.fillPermille);
      } else if (sight.coverPermille >= kSpritePermille &&
                 ClassifyCell(raster, s.left, s.top, width, height, s.side) == kEmptyCell) {
        hiddenColour = true;
      }
    }
  }
  palette.own = sprites >= kLeastSprites || hiddenColour;
  for (int hue = 0; hue < kHueCount; ++hue) {
    palette.solidPermille[hue] =
        leastSprite[hue] < kSpritePermille ? (leastSprite[hue] + 1000) / 2 : kSpritePermille;
  }
  return palette;
}

}  // namespace

GameLook MeasureGameLook(const uint32_t* raster, int32_t width, int32_t height,
                         const FieldRect& field) {
  GameLook look;
  look.field = field;
  if (field.width < 8) {
    look.settled = true;
    return look;
  }
  const uint32_t inside = InsideColour(raster, width, height, field);
  bool gridSettled = false;
  look.grid = MeasureCellGrid(raster, width, height, field, inside, gridSettled);
  bool paletteSettled = false;
  look.palette = LearnPalette(raster, width, height, look, inside, paletteSettled);
  look.settled = gridSettled && paletteSettled;
  return look;
}

void SampleBoard(const uint32_t* raster, int32_t width, int32_t height, const GameLook& look,
                 uint8_t current[kBoardCells], uint8_t previous[kBoardCells]) {
  if (!look.grid.own && !look.palette.own) {
    SampleGrid(raster, width, height, look.field, current, previous);
    return;
  }
  for (int32_t row = 0; row < kBoardRows; ++row) {
    for (int32_t column = 0; column < kBoardColumns; ++column) {
      const int index = CellIndex(column, row);
      const Square s = CellSquare(look, column, row);
      previous[index] = current[index];
      current[index] =
          look.palette.own
              ? ClassifyOwnCell(raster, s.left, s.top, width, height, s.side, look.palette)
              : ClassifyCell(raster, s.left, s.top, width, height, s.side);
    }
  }
}
