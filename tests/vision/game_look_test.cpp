// The game's look measured off drawn games, and their boards read by it: this
// tool's own flat squares keep the field's eighths and the cell reader's
// codes; bricks with gaps, rows below the field's top, sprites as bright as
// the halves, pure blue halves and moving sprites are read as drawn.
#include "vision/game_look.h"

#include <gtest/gtest.h>

#include <string>

#include "raster_builders.h"
#include "vision/cell_classification.h"

namespace {

// Viruses in the lower rows of every column, a two-colour vitamin falling and
// halves of every colour settled.
const char kBoard[] =
    "........"
    "........"
    "...ry..."
    "........"
    "........"
    "........"
    "........"
    "........"
    "..R....Y"
    ".B....R."
    "Y..B...."
    "....Y.B."
    ".R.....B"
    "b..Y.R.."
    "yY..B..r"
    "R.bB.Yy.";

enum class Drawing {
  kFlat,    // flat squares: viruses dim, halves bright
  kBlobs,   // pure halves (blue 0,0,255) and viruses as eyed blobs as bright
  kSprites  // a yellow dome over a black half, red and blue blobs
};

struct LookCase {
  const char* name;
  int side;
  int gap;
  int rowOffset;
  Drawing drawing;
  uint32_t inside;
  int spriteShift;  // a frame of the viruses' animation, rolled within the brick
  bool ownGrid;     // what the measure must find
  bool ownPalette;
  int bottomMargin = 0;  // dark rows below the last brick row
};

void PrintTo(const LookCase& c, std::ostream* os) {
  *os << c.name;
}

constexpr int kLeft = 40;
constexpr int kTop = 30;

int FieldWidth(const LookCase& c) {
  return 8 * c.side + 7 * c.gap;
}

uint32_t Colour(char code, Drawing drawing) {
  const bool pure = drawing == Drawing::kBlobs;
  switch (code) {
    case 'r':
      return pure ? Rgb(255, 0, 0) : Rgb(230, 50, 40);
    case 'y':
      return pure ? Rgb(255, 255, 0) : Rgb(230, 210, 40);
    case 'b':
      return pure ? Rgb(0, 0, 255) : Rgb(40, 160, 240);
    case 'R':
      return drawing == Drawing::kFlat ? Rgb(120, 0, 0) : Colour('r', drawing);
    case 'Y':
      return drawing == Drawing::kFlat ? Rgb(110, 100, 20) : Colour('y', drawing);
    default:
      return drawing == Drawing::kFlat ? Rgb(0, 90, 140)
             : pure                    ? Rgb(0, 128, 255)
                                       : Colour('b', drawing);
  }
}

// A virus sprite's pixel at (x, y) of its brick: 0 the inside, 1 its colour,
// 2 black.
int SpritePart(const LookCase& c, char code, int x, int y) {
  const int s = c.side;
  const int dx = 2 * x + 1 - s;
  const int dy = 2 * y + 1 - s;
  const int d2 = dx * dx + dy * dy;
  if (c.drawing == Drawing::kSprites && code == 'Y') {
    if (y >= (s + 1) / 2) return 2;
    return d2 <= s * s ? 1 : 0;
  }
  if (d2 > s * s * 6 / 10) return 0;
  const bool eye = y >= s / 3 && y < s / 3 + s / 6 && (x == s / 3 || x == s - 1 - s / 3);
  return eye ? 2 : 1;
}

TestRaster DrawGame(const LookCase& c, const std::string& board) {
  const int w = FieldWidth(c);
  const int tall = 16 * c.side + 15 * c.gap + c.rowOffset + c.bottomMargin;
  TestRaster raster = SolidRaster(kLeft + w + 40, kTop + tall + 40, Grey(224));
  FillRect(raster, kLeft, kTop, w, tall, c.inside);
  const int pitch = c.side + c.gap;
  for (int row = 0; row < 16; ++row) {
    for (int column = 0; column < 8; ++column) {
      const char code = board[row * 8 + column];
      if (code == '.') continue;
      const int left = kLeft + column * pitch;
      const int top = kTop + c.rowOffset + row * pitch;
      const bool virus = code >= 'A' && code <= 'Z';
      if (!virus || c.drawing == Drawing::kFlat) {
        FillRect(raster, left, top, c.side, c.side, Colour(code, c.drawing));
        continue;
      }
      for (int y = 0; y < c.side; ++y) {
        for (int x = 0; x < c.side; ++x) {
          const int from = ((x - c.spriteShift) % c.side + c.side) % c.side;
          const int part = SpritePart(c, code, from, y);
          if (part == 0) continue;
          FillRect(raster, left + x, top + y, 1, 1, part == 1 ? Colour(code, c.drawing) : kBlack);
        }
      }
    }
  }
  return raster;
}

std::string ReadBoard(const TestRaster& raster, const GameLook& look) {
  uint8_t current[kBoardCells] = {};
  uint8_t previous[kBoardCells] = {};
  SampleBoard(raster.pixels.data(), raster.width, raster.height, look, current, previous);
  return std::string(current, current + kBoardCells);
}

class GameLookRead : public ::testing::TestWithParam<LookCase> {};

TEST_P(GameLookRead, MeasuresTheLookAndReadsTheBoardDrawn) {
  const LookCase& c = GetParam();
  const TestRaster raster = DrawGame(c, kBoard);
  const FieldRect field{kLeft, kTop, FieldWidth(c)};
  const GameLook look = MeasureGameLook(raster.pixels.data(), raster.width, raster.height, field);
  EXPECT_TRUE(look.settled);
  EXPECT_EQ(look.grid.own, c.ownGrid);
  EXPECT_EQ(look.palette.own, c.ownPalette);
  if (c.ownGrid) {
    EXPECT_EQ(look.grid.left, kLeft);
    EXPECT_EQ(look.grid.top, kTop + c.rowOffset);
    EXPECT_EQ(look.grid.pitch, c.side + c.gap);
    EXPECT_EQ(look.grid.side, c.side);
  }
  EXPECT_EQ(ReadBoard(raster, look), kBoard);
  if (!c.ownGrid && !c.ownPalette) {
    // The game drawn as this tool's own screens draw it: the cell reader's
    // own grid, byte for byte.
    uint8_t current[kBoardCells] = {};
    uint8_t previous[kBoardCells] = {};
    SampleGrid(raster.pixels.data(), raster.width, raster.height, field, current, previous);
    EXPECT_EQ(ReadBoard(raster, look), std::string(current, current + kBoardCells));
  }
}

const LookCase kLookCases[] = {
    {"FlatSquaresSide12", 12, 0, 0, Drawing::kFlat, kBlack, 0, false, false},
    {"FlatSquaresOnDarkGreySide10", 10, 0, 0, Drawing::kFlat, Grey(37), 0, false, false},
    {"BricksWithGapsSide20", 20, 3, 3, Drawing::kFlat, kBlack, 0, true, false},
    {"BricksWithGapsSide40", 40, 6, 6, Drawing::kFlat, Grey(37), 0, true, false},
    {"BricksWithGapsAndAMarginBelowSide20", 20, 3, 3, Drawing::kFlat, kBlack, 0, true, false, 3},
    {"RowsBelowTheTopSide12", 12, 0, 5, Drawing::kFlat, kBlack, 0, true, false},
    {"PureBlueAndBrightBlobsSide12", 12, 0, 0, Drawing::kBlobs, Grey(37), 0, false, true},
    {"PureBlueAndBrightBlobsSide24", 24, 0, 0, Drawing::kBlobs, Grey(37), 0, false, true},
    {"HalfBlackDomeWithGapsSide20", 20, 3, 3, Drawing::kSprites, kBlack, 0, true, true},
    // The same game a frame or two of its animation on: the same board.
    {"HalfBlackDomeMovedOneSide20", 20, 3, 3, Drawing::kSprites, kBlack, 1, true, true},
    {"BlobsMovedTwoSide24", 24, 0, 0, Drawing::kBlobs, Grey(37), -2, false, true},
    {"HalfBlackDomeMovedTwoSide40", 40, 6, 6, Drawing::kSprites, Grey(37), 2, true, true},
};

INSTANTIATE_TEST_SUITE_P(Looks, GameLookRead, ::testing::ValuesIn(kLookCases),
                         [](const auto& info) { return std::string(info.param.name); });

// An empty bottle settles nothing where bricks with gaps would fit it: every
// gap is empty. The reader keeps the field's eighths meanwhile.
TEST(GameLook, AnEmptyBottleWithRoomForGapsIsNotSettled) {
  const LookCase c = {"", 20, 3, 3, Drawing::kFlat, kBlack, 0, false, false};
  const TestRaster raster = DrawGame(c, std::string(kBoardCells, '.'));
  const GameLook look = MeasureGameLook(raster.pixels.data(), raster.width, raster.height,
                                        FieldRect{kLeft, kTop, FieldWidth(c)});
  EXPECT_FALSE(look.settled);
  EXPECT_FALSE(look.grid.own);
  EXPECT_EQ(ReadBoard(raster, look), std::string(kBoardCells, '.'));
}

}  // namespace
