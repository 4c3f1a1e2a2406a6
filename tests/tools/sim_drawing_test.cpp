// screen-sim's drawing at every cell side: the classic 640 x 480 picture at
// side 12 exactly as it was drawn with rectangles, the bottle where the
// geometry says at every side, other games' looks, and the scaler's blur.
#include "sim_drawing.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace {

// The classic drawing as screen-sim drew it with X rectangles before it grew:
// 16-pixel checker, a 3-pixel outline on the sides and bottom of the bottle
// at 200,40, 12-pixel cells, the entering half above the bottle.
std::vector<uint8_t> ClassicDrawing(const char board[kSimCells], const SimVitamin* vitamin) {
  std::vector<uint8_t> p(640 * 480);
  auto fill = [&p](int paint, int x, int y, int w, int h) {
    for (int yy = y; yy < y + h && yy < 480; ++yy) {
      for (int xx = x; xx < x + w && xx < 640; ++xx) p[yy * 640 + xx] = static_cast<uint8_t>(paint);
    }
  };
  for (int y = 0; y < 480; y += 16) {
    for (int x = 0; x < 640; x += 16)
      fill(((x + y) / 16) % 2 == 0 ? kPaintLight : kPaintShade, x, y, 16, 16);
  }
  fill(kPaintFrame, 197, 40, 3, 195);
  fill(kPaintFrame, 296, 40, 3, 195);
  fill(kPaintFrame, 200, 232, 96, 3);
  for (int i = 0; i < kSimCells; ++i)
    fill(PaintForCode(board[i]), 200 + i % 8 * 12, 40 + i / 8 * 12, 12, 12);
  if (vitamin != nullptr && vitamin->firstRow < 0) {
    fill(PaintForCode(vitamin->firstCode), 200 + vitamin->firstColumn * 12, 28, 12, 12);
  }
  return p;
}

// A state with a vitamin entering upright and a few of every code.
void EnteringState(char board[kSimCells], SimVitamin* vitamin) {
  std::memset(board, '.', kSimCells);
  const char codes[] = "RYBryb";
  for (int i = 0; i < 6; ++i) board[(10 + i) * kSimColumns + i] = codes[i];
  board[0 * kSimColumns + 3] = 'y';  // the lower half, in row 0
  vitamin->firstColumn = vitamin->secondColumn = 3;
  vitamin->firstRow = -1;
  vitamin->secondRow = 0;
  vitamin->firstCode = 'b';
  vitamin->secondCode = 'y';
}

TEST(SimDrawing, SideTwelveIsTheClassicPictureByteForByte) {
  char board[kSimCells];
  SimVitamin vitamin;
  EnteringState(board, &vitamin);
  const SimDrawing d = DrawingForSide(12);
  EXPECT_EQ(d.width, 640);
  EXPECT_EQ(d.height, 480);
  std::vector<uint8_t> paints;
  for (const SimVitamin* v :
       {static_cast<const SimVitamin*>(&vitamin), static_cast<const SimVitamin*>(nullptr)}) {
    PaintState(d, board, v, &paints);
    EXPECT_EQ(paints, ClassicDrawing(board, v));
  }
}

// At every side the bottle, its outline and the entering half lie inside the
// drawing with background around them, and the drawing fits a 1920 x 1080
// screen as a window.
TEST(SimDrawing, EverySideHoldsTheBottleWhereItsGeometrySays) {
  char board[kSimCells];
  SimVitamin vitamin;
  EnteringState(board, &vitamin);
  std::vector<uint8_t> paints;
  for (int side = kSimSmallestSide; side <= kSimLargestSide; ++side) {
    SCOPED_TRACE("side " + std::to_string(side));
    const SimDrawing d = DrawingForSide(side);
    EXPECT_LE(d.width, 1920);
    EXPECT_LE(d.height, 1080);
    PaintState(d, board, &vitamin, &paints);
    auto at = [&](int x, int y) { return paints[static_cast<size_t>(y) * d.width + x]; };
    const int right = d.bottleLeft + kSimColumns * side;
    const int bottom = d.bottleTop + kSimRows * side;
    ASSERT_LE(right + d.wall + side, d.width);
    ASSERT_LE(bottom + d.wall + side, d.height);
    for (int i = 0; i < kSimCells; ++i) {
      const int x = d.bottleLeft + i % kSimColumns * side;
      const int y = d.bottleTop + i / kSimColumns * side;
      // First and last pixel of the square.
      EXPECT_EQ(at(x, y), PaintForCode(board[i])) << "cell " << i;
      EXPECT_EQ(at(x + side - 1, y + side - 1), PaintForCode(board[i])) << "cell " << i;
    }
    for (int y = d.bottleTop; y < bottom + d.wall; ++y) {
      EXPECT_EQ(at(d.bottleLeft - 1, y), kPaintFrame);
      EXPECT_EQ(at(right, y), kPaintFrame);
      EXPECT_NE(at(d.bottleLeft - d.wall - 1, y), kPaintFrame);
      EXPECT_NE(at(right + d.wall, y), kPaintFrame);
    }
    EXPECT_EQ(at(d.bottleLeft + 3 * side, d.bottleTop - side), kPaintBlueHalf);
    // The open neck: above the bottle only the checker.
    for (int x = d.bottleLeft - d.wall; x < right + d.wall; ++x) {
      if (x >= d.bottleLeft + 3 * side && x < d.bottleLeft + 4 * side) continue;
      const uint8_t above = at(x, d.bottleTop - 1);
      EXPECT_TRUE(above == kPaintLight || above == kPaintShade) << x;
    }
  }
}

struct BorderCase {
  const char* name;
  int side;
  int border;
  int radius;
  int x;  // from the border's outer top-left corner
  int y;
  SimPaint paint;
};

// The top-left corner of a closed border; the cell (0, 0) starts at border,
// border. Its inner curve (radius less border) clips that cell's corner.
const BorderCase kBorderCases[] = {
    {"the outer corner pixel shows the page", 24, 4, 16, 0, 0, kPaintLight},
    {"just outside the curve on the diagonal", 24, 4, 16, 4, 4, kPaintLight},
    {"just inside the curve on the diagonal", 24, 4, 16, 5, 5, kPaintFrame},
    {"the top edge where the curve ends", 24, 4, 16, 16, 0, kPaintFrame},
    {"the left edge below the curve", 24, 4, 16, 0, 16, kPaintFrame},
    {"the corner cell's corner, clipped", 24, 4, 16, 4, 4 + 1, kPaintFrame},
    {"the corner cell inside the inner curve", 24, 4, 16, 8, 8, kPaintEmpty},
    {"the first cell pixel on a straight edge", 24, 4, 16, 4, 20, kPaintEmpty},
    {"square corners keep their corner pixel", 12, 3, 0, 0, 0, kPaintFrame},
    {"a radius no larger than the border leaves the cells whole", 12, 3, 3, 3, 3, kPaintEmpty},
    {"thin border, largest radius at side 6: corner", 6, 2, 4, 0, 0, kPaintLight},
    {"thin border, largest radius at side 6: the cell clipped", 6, 2, 4, 2, 2, kPaintFrame},
};

TEST(SimDrawing, AClosedBorderRoundsItsCornersAsABrowserClipsACanvas) {
  char board[kSimCells];
  std::memset(board, '.', kSimCells);
  std::vector<uint8_t> paints;
  for (const BorderCase& c : kBorderCases) {
    SimDrawing d = DrawingForSide(c.side);
    d.look.border = c.border;
    d.look.radius = c.radius;
    d.look.page = SimPage::kWhite;
    PaintState(d, board, nullptr, &paints);
    const int x = d.bottleLeft - c.border + c.x;
    const int y = d.bottleTop - c.border + c.y;
    EXPECT_EQ(paints[static_cast<size_t>(y) * d.width + x], c.paint) << c.name;
    // The other three corners mirror it.
    const int right = d.bottleLeft + kSimColumns * c.side + c.border - 1;
    const int bottom = d.bottleTop + kSimRows * c.side + c.border - 1;
    const int mirrorX = right - c.x;
    const int mirrorY = bottom - c.y;
    EXPECT_EQ(paints[static_cast<size_t>(y) * d.width + mirrorX], c.paint) << c.name;
    EXPECT_EQ(paints[static_cast<size_t>(mirrorY) * d.width + x], c.paint) << c.name;
    EXPECT_EQ(paints[static_cast<size_t>(mirrorY) * d.width + mirrorX], c.paint) << c.name;
  }
}

struct PageCase {
  SimPage page;
  SimPaint atOrigin;  // the page's paints at (0, 0) and one tile right
  SimPaint oneTileOn;
  SimRgb light;  // what kPaintLight is then
};

const PageCase kPageCases[] = {
    {SimPage::kChecker, kPaintLight, kPaintShade, {236, 232, 220}},
    {SimPage::kLight, kPaintLight, kPaintLight, {224, 224, 224}},
    {SimPage::kWhite, kPaintLight, kPaintLight, {255, 255, 255}},
    {SimPage::kPhoto, kPaintPhoto, kPaintPhoto, {236, 232, 220}},
};

TEST(SimDrawing, EachPageKindPaintsAroundTheGame) {
  char board[kSimCells];
  std::memset(board, '.', kSimCells);
  std::vector<uint8_t> paints;
  for (const PageCase& c : kPageCases) {
    SCOPED_TRACE(static_cast<int>(c.page));
    SimDrawing d = DrawingForSide(12);
    d.look.page = c.page;
    PaintState(d, board, nullptr, &paints);
    EXPECT_EQ(paints[0], c.atOrigin);
    EXPECT_EQ(paints[d.tile], c.oneTileOn);
    int count = 0;
    const SimRgb light = LookCandidates(d.look, kPaintLight, &count)[0];
    EXPECT_EQ(light.red * 65536 + light.green * 256 + light.blue,
              c.light.red * 65536 + c.light.green * 256 + c.light.blue);
  }
}

// A photograph, not a flat page: dark and bright areas both, no edge a cell
// could be read from, and the same picture every time.
TEST(SimDrawing, ThePhotographIsSmoothWithDarkAndBrightAreas) {
  std::vector<SimRgb> photo;
  PaintPhoto(640, 480, &photo);
  int darkest = 255;
  int brightest = 0;
  int steepest = 0;
  for (int y = 0; y < 480; ++y) {
    for (int x = 0; x < 640; ++x) {
      const SimRgb p = photo[y * 640 + x];
      darkest = std::min(darkest, SimLuminance(p));
      brightest = std::max(brightest, SimLuminance(p));
      if (x > 0) steepest = std::max(steepest, std::abs(p.green - photo[y * 640 + x - 1].green));
    }
  }
  EXPECT_LT(darkest, 40);
  EXPECT_GT(brightest, 220);
  EXPECT_LE(steepest, 8);
  std::vector<SimRgb> again;
  PaintPhoto(640, 480, &again);
  EXPECT_TRUE(std::equal(photo.begin(), photo.end(), again.begin(), [](SimRgb a, SimRgb b) {
    return a.red == b.red && a.green == b.green && a.blue == b.blue;
  }));
}

// Given, the inside's colour replaces black; #252525, brighter than the
// default may be, still reads as empty, and a dim grey or a tint does not.
TEST(SimDrawing, AGivenInsideColourIsTheEmptyCellsPaint) {
  SimLook look;
  look.insideGiven = true;
  ASSERT_TRUE(ParseRgb("252525", &look.inside));
  int count = 0;
  const SimRgb* inside = LookCandidates(look, kPaintEmpty, &count);
  ASSERT_EQ(count, 1);
  EXPECT_EQ(inside[0].red, 0x25);
  EXPECT_TRUE(LookAccepts(look, kPaintEmpty, inside[0]));
  EXPECT_FALSE(PaintAccepts(kPaintEmpty, inside[0]));
  EXPECT_FALSE(InsideAccepts({48, 48, 48}));
  EXPECT_FALSE(InsideAccepts({60, 30, 20}));  // reads as a red virus
  EXPECT_FALSE(ParseRgb("25252", &look.inside));
  EXPECT_FALSE(ParseRgb("25252g", &look.inside));
}

// The redrawn clock moves at every tick, also at the smallest side, and
// nothing but the clock changes.
TEST(SimDrawing, TheClockMovesAtEveryRedrawAndNothingElseDoes) {
  char board[kSimCells];
  SimVitamin vitamin;
  EnteringState(board, &vitamin);
  for (int side : {kSimSmallestSide, 12, kSimLargestSide}) {
    SimDrawing d = DrawingForSide(side);
    d.look.border = kSimThickestBorder;
    const SimClock clock = ClockBesideBottle(d);
    ASSERT_LT(clock.x + clock.radius, d.width) << side;
    std::vector<uint8_t> before;
    std::vector<uint8_t> after;
    for (int tick = 0; tick < 12; ++tick) {
      d.look.clockTick = tick;
      PaintState(d, board, &vitamin, &before);
      d.look.clockTick = tick + 1;
      PaintState(d, board, &vitamin, &after);
      int changed = 0;
      for (size_t i = 0; i < before.size(); ++i) {
        if (before[i] == after[i]) continue;
        ++changed;
        const int x = static_cast<int>(i) % d.width;
        const int y = static_cast<int>(i) / d.width;
        ASSERT_LE(std::abs(x - clock.x), clock.radius) << side;
        ASSERT_LE(std::abs(y - clock.y), clock.radius) << side;
      }
      EXPECT_GT(changed, 0) << "side " << side << " tick " << tick;
    }
  }
}

struct BrickCase {
  const char* name;
  int side;
  int gap;
  int rowOffset;
  int x;  // from the dark field's top-left corner
  int y;
  SimPaint paint;
};

// Every cell red, so that a brick, a gap and the outline all differ.
const BrickCase kBrickCases[] = {
    {"a desktop game's first brick, three rows down", 20, 3, 3, 0, 3, kPaintRedHalf},
    {"the row offset above it shows the inside", 20, 3, 3, 0, 2, kPaintEmpty},
    {"the gap right of the first brick", 20, 3, 3, 20, 3, kPaintEmpty},
    {"the second brick a pitch on", 20, 3, 3, 23, 3, kPaintRedHalf},
    {"the last brick's right edge", 20, 3, 3, 7 * 23 + 19, 3, kPaintRedHalf},
    {"the outline right of it", 20, 3, 3, 8 * 20 + 7 * 3, 3, kPaintFrame},
    {"the last row's bottom edge", 20, 3, 3, 0, 3 + 15 * 23 + 19, kPaintRedHalf},
    {"the outline below it", 20, 3, 3, 0, 3 + 15 * 23 + 20, kPaintFrame},
    {"a one-pixel gap at side 6", 6, 1, 0, 6, 0, kPaintEmpty},
    {"the widest gap's last brick at side 48", 48, 16, 16, 7 * 64 + 47, 16, kPaintRedHalf},
    {"a row offset alone, no gap", 12, 0, 5, 0, 4, kPaintEmpty},
    {"a row offset alone: the last row's bottom edge", 12, 0, 5, 95, 5 + 16 * 12 - 1,
     kPaintRedHalf},
};

TEST(SimDrawing, GappedBricksLieAPitchApartBelowTheRowOffset) {
  char board[kSimCells];
  std::memset(board, 'r', kSimCells);
  std::vector<uint8_t> paints;
  for (const BrickCase& c : kBrickCases) {
    SimLook look;
    look.gap = c.gap;
    look.rowOffset = c.rowOffset;
    const SimDrawing d = DrawingForLook(c.side, look);
    PaintState(d, board, nullptr, &paints);
    const int x = d.bottleLeft + c.x;
    const int y = d.bottleTop + c.y;
    ASSERT_LT(x, d.width) << c.name;
    ASSERT_LT(y, d.height) << c.name;
    EXPECT_EQ(paints[static_cast<size_t>(y) * d.width + x], c.paint) << c.name;
  }
}

// The advisor's reading of one cell (src/vision/cell_classification.cpp), in
// little: channel means over rows not dark from end to end, dark pixels
// (luminance 30 or less) as zero; red by red, yellow by (red + green) / 2,
// blue by (green + blue) / 2, bright above 134, dim above 40.
char ReadCell(const std::vector<SimRgb>& cell, int side, int* brightness, int* darkRows) {
  long sum[3] = {0, 0, 0};
  long counted = 0;
  *darkRows = 0;
  for (int y = 0; y < side; ++y) {
    long row[3] = {0, 0, 0};
    int dark = 0;
    for (int x = 0; x < side; ++x) {
      const SimRgb p = cell[static_cast<size_t>(y) * side + x];
      if (0.299 * p.red + 0.587 * p.green + 0.114 * p.blue < 31) {
        ++dark;
      } else {
        row[0] += p.red;
        row[1] += p.green;
        row[2] += p.blue;
      }
    }
    if (dark == side) {
      ++*darkRows;
      continue;
    }
    for (int i = 0; i < 3; ++i) sum[i] += row[i];
    counted += side;
  }
  *brightness = -1;
  if (counted == 0 || counted < side * side / 2) return '.';
  const long r = sum[0] / counted;
  const long g = sum[1] / counted;
  const long b = sum[2] / counted;
  char hue = '.';
  if (2 * r > 3 * g && 2 * r > 3 * b) {
    hue = 'r';
    *brightness = static_cast<int>(r);
  } else if (2 * r > 3 * b && 2 * g > 3 * b) {
    hue = 'y';
    *brightness = static_cast<int>((r + g) / 2);
  } else if (2 * g > 3 * r && 2 * b > 3 * r) {
    hue = 'b';
    *brightness = static_cast<int>((g + b) / 2);
  }
  if (*brightness > 134) return hue;
  if (*brightness > 40) return static_cast<char>(hue - 'a' + 'A');
  return '.';
}

// The drawing's paints in the look's colours.
void LookColours(const SimLook& look, SimRgb colours[kPaintCount]) {
  for (int paint = 0; paint < kPaintCount; ++paint) {
    int count = 0;
    colours[paint] = LookCandidates(look, static_cast<SimPaint>(paint), &count)[0];
  }
}

// The pixels of cell (column, row) of a drawing with no gaps.
std::vector<SimRgb> CellPixels(const SimDrawing& d, const std::vector<uint8_t>& paints,
                               const SimRgb colours[kPaintCount], int column, int row) {
  std::vector<SimRgb> cell;
  for (int y = 0; y < d.side; ++y) {
    for (int x = 0; x < d.side; ++x) {
      const size_t at = static_cast<size_t>(d.bottleTop + row * d.side + y) * d.width +
                        d.bottleLeft + column * d.side + x;
      cell.push_back(colours[paints[at]]);
    }
  }
  return cell;
}

struct PaletteCase {
  const char* name;
  SimPalette palette;
  const char* inside;  // RRGGBB, or "" for black
  char code;
  char reads;   // what the advisor reads at every side from 6 to 48
  int dimmest;  // and the brightness it reads, at least and at most (-1: any)
  int brightest;
  int darkRows;  // at least this many sixteenths of the rows, rounded down, dark end to end
};

const PaletteCase kPaletteCases[] = {
    {"pure red virus, just over the bright line", SimPalette::kPure, "", 'R', 'r', 135, 137, 0},
    {"pure yellow virus", SimPalette::kPure, "", 'Y', 'y', 135, 137, 0},
    {"pure blue virus, a lighter blue", SimPalette::kPure, "", 'B', 'b', 135, 137, 0},
    {"pure red virus on a grey inside", SimPalette::kPure, "252525", 'R', 'r', 135, 137, 0},
    {"pure yellow virus on a grey inside", SimPalette::kPure, "252525", 'Y', 'y', 135, 137, 0},
    {"pure blue virus on a grey inside", SimPalette::kPure, "252525", 'B', 'b', 135, 137, 0},
    {"pure red half", SimPalette::kPure, "", 'r', 'r', 255, 255, 0},
    {"pure yellow half", SimPalette::kPure, "", 'y', 'y', 255, 255, 0},
    {"pure blue half reads dark, every row left out", SimPalette::kPure, "", 'b', '.', -1, -1, 16},
    {"sprite red ring", SimPalette::kSprite, "", 'R', 'R', 41, 134, 0},
    {"sprite blue blob", SimPalette::kSprite, "", 'B', 'B', 41, 134, 0},
    {"sprite yellow dome, its black half left out", SimPalette::kSprite, "", 'Y', 'y', 135, 255, 8},
    {"sprite halves stay flat", SimPalette::kSprite, "", 'b', 'b', 135, 255, 0},
};

TEST(SimDrawing, EachPaletteReadsAsItsLookIntends) {
  char board[kSimCells];
  for (const PaletteCase& c : kPaletteCases) {
    std::memset(board, '.', kSimCells);
    board[5 * kSimColumns + 2] = c.code;
    SimLook look;
    look.palette = c.palette;
    look.insideGiven = c.inside[0] != '\0';
    if (look.insideGiven) {
      ASSERT_TRUE(ParseRgb(c.inside, &look.inside));
    }
    SimRgb colours[kPaintCount];
    LookColours(look, colours);
    if (c.palette == SimPalette::kPure && c.code == 'b') {
      EXPECT_LT(SimLuminance(colours[kPaintBlueHalf]), 30) << c.name;
    }
    std::vector<uint8_t> paints;
    for (int side = kSimSmallestSide; side <= kSimLargestSide; ++side) {
      SCOPED_TRACE(std::string(c.name) + " at side " + std::to_string(side));
      SimDrawing d = DrawingForLook(side, look);
      d.sprites = MakeVirusSprites(c.palette, side, colours);
      PaintState(d, board, nullptr, &paints);
      int brightness = 0;
      int darkRows = 0;
      EXPECT_EQ(ReadCell(CellPixels(d, paints, colours, 2, 5), side, &brightness, &darkRows),
                c.reads);
      if (c.dimmest >= 0) {
        EXPECT_GE(brightness, c.dimmest);
        EXPECT_LE(brightness, c.brightest);
      }
      EXPECT_GE(darkRows, c.darkRows * side / 16);
    }
  }
}

// A frame of the viruses' animation moves their pixels, only in their cells,
// and every cell reads as before: the board does not change with it.
TEST(SimDrawing, AnAnimationFrameMovesPixelsButNotTheBoard) {
  char board[kSimCells];
  SimVitamin vitamin;
  EnteringState(board, &vitamin);
  for (SimPalette palette : {SimPalette::kPure, SimPalette::kSprite}) {
    for (int side : {kSimSmallestSide, 20, 36, kSimLargestSide}) {
      SCOPED_TRACE("palette " + std::to_string(static_cast<int>(palette)) + " side " +
                   std::to_string(side));
      SimLook look;
      look.palette = palette;
      SimRgb colours[kPaintCount];
      LookColours(look, colours);
      SimDrawing d = DrawingForLook(side, look);
      d.sprites = MakeVirusSprites(palette, side, colours);
      std::vector<uint8_t> still;
      PaintState(d, board, &vitamin, &still);
      for (int frame = 1; frame < kSimSpriteFrames; ++frame) {
        d.look.spriteFrame = frame;
        std::vector<uint8_t> moved;
        PaintState(d, board, &vitamin, &moved);
        int changed = 0;
        for (int i = 0; i < kSimCells; ++i) {
          const std::vector<SimRgb> before = CellPixels(d, still, colours, i % 8, i / 8);
          const std::vector<SimRgb> after = CellPixels(d, moved, colours, i % 8, i / 8);
          int brightness = 0;
          int darkRows = 0;
          const char was = ReadCell(before, side, &brightness, &darkRows);
          EXPECT_EQ(ReadCell(after, side, &brightness, &darkRows), was) << "cell " << i;
          for (size_t p = 0; p < before.size(); ++p) {
            changed += before[p].red != after[p].red || before[p].green != after[p].green ||
                       before[p].blue != after[p].blue;
          }
        }
        // Frame 2 is frame 0 again.
        if (frame == 2) {
          EXPECT_EQ(moved, still);
        } else {
          EXPECT_GT(changed, 0) << "frame " << frame;
        }
        for (size_t p = 0; p < still.size(); ++p) {
          if (still[p] == moved[p]) continue;
          const int x = static_cast<int>(p) % d.width - d.bottleLeft;
          const int y = static_cast<int>(p) / d.width - d.bottleTop;
          ASSERT_TRUE(x >= 0 && x < kSimColumns * side && y >= 0 && y < kSimRows * side) << p;
          const int column = x / side;
          const int row = y / side;
          const char code = board[row * kSimColumns + column];
          ASSERT_TRUE(code == 'R' || code == 'Y' || code == 'B') << "cell " << column << "," << row;
        }
      }
    }
  }
}

TEST(SimDrawing, ACentredWindowHasEqualMarginsOrStartsAtTheEdge) {
  const struct {
    int screen;
    int drawing;
    int corner;
  } cases[] = {{1280, 640, 320}, {1024, 480, 272}, {1920, 680, 620}, {641, 640, 0}, {600, 640, 0}};
  for (const auto& c : cases) EXPECT_EQ(CentredCorner(c.screen, c.drawing), c.corner) << c.screen;
}

// Black beside white, blurred: a ramp of reach - 1 blended pixels in every
// row, rising from black to white, the rest untouched.
TEST(SimDrawing, SmoothingLeavesARampAsWideAsTheScaleFactor) {
  const struct {
    int side;
    int reach;
  } cases[] = {{6, 1}, {12, 2}, {24, 3}, {32, 4}, {36, 5}, {48, 6}};
  const int width = 40;
  const int height = 5;
  for (const auto& c : cases) {
    SCOPED_TRACE("side " + std::to_string(c.side));
    EXPECT_EQ(SmoothingWidth(c.side), c.reach);
    std::vector<SimRgb> pixels(width * height, SimRgb{0, 0, 0});
    for (int y = 0; y < height; ++y) {
      for (int x = width / 2; x < width; ++x) pixels[y * width + x] = {255, 255, 255};
    }
    SmoothPicture(width, height, SmoothingWidth(c.side), &pixels);
    for (int y = 0; y < height; ++y) {
      int blended = 0;
      for (int x = 0; x < width; ++x) {
        const SimRgb p = pixels[y * width + x];
        EXPECT_TRUE(p.red == p.green && p.green == p.blue);
        blended += p.red != 0 && p.red != 255;
        if (x > 0) {
          EXPECT_GE(p.red, pixels[y * width + x - 1].red);
        }
      }
      EXPECT_EQ(blended, c.reach - 1);
    }
    EXPECT_EQ(pixels[width / 2 - c.reach].red, 0);
    EXPECT_EQ(pixels[width / 2 + c.reach].red, 255);
  }
}

}  // namespace
