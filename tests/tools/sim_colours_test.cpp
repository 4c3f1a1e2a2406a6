// The palette of screen-sim reads as the intended codes, also after the
// quantisation of 16-bit screens and with a margin for near colours.
#include "sim_colours.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

// Keeps the top `bits` of a channel and expands it back the way X servers
// report it, by repeating the kept bits, or by zero fill when replicate is false.
int Quantise(int value, int bits, bool replicate) {
  const int kept = value >> (8 - bits);
  int expanded = kept << (8 - bits);
  if (replicate) expanded |= kept >> (2 * bits - 8);
  return expanded;
}

int Clamp(int v) {
  return std::min(255, std::max(0, v));
}

const SimPaint kCellPaints[] = {kPaintEmpty,   kPaintRedVirus,   kPaintYellowVirus, kPaintBlueVirus,
                                kPaintRedHalf, kPaintYellowHalf, kPaintBlueHalf};

struct FlatCase {
  SimRgb rgb;
  char code;
};

// Boundary colours of the advisor's reading of a flat square.
const FlatCase kFlatCases[] = {
    {{255, 0, 0}, 'r'},   {{135, 0, 0}, 'r'},     {{134, 0, 0}, 'R'},     {{104, 0, 0}, 'R'},
    {{103, 0, 0}, '.'},   {{255, 255, 0}, 'y'},   {{150, 100, 0}, 'Y'},   {{151, 100, 0}, 'r'},
    {{100, 60, 30}, 'R'}, {{0, 255, 255}, 'b'},   {{0, 128, 255}, 'b'},   {{0, 100, 160}, 'B'},
    {{0, 0, 255}, '.'},   {{255, 255, 255}, '.'}, {{128, 128, 128}, '.'},
};

TEST(SimColours, FlatSquaresReadLikeTheAdvisorReadsThem) {
  for (const FlatCase& c : kFlatCases) {
    EXPECT_EQ(ClassifyFlatSquare(c.rgb), c.code)
        << c.rgb.red << "," << c.rgb.green << "," << c.rgb.blue;
  }
}

TEST(SimColours, LuminanceTruncatesLikeTheAdvisor) {
  EXPECT_EQ(SimLuminance({127, 127, 127}), 126);
  EXPECT_EQ(SimLuminance({128, 128, 128}), 128);
  EXPECT_EQ(SimLuminance({0, 0, 255}), 29);
  EXPECT_EQ(SimLuminance({255, 255, 255}), 255);
}

TEST(SimColours, EveryCellCodeHasItsOwnPaint) {
  const char codes[] = {'.', 'R', 'Y', 'B', 'r', 'y', 'b'};
  for (int i = 0; i < 7; ++i) EXPECT_EQ(PaintForCode(codes[i]), kCellPaints[i]) << codes[i];
}

TEST(SimColours, CandidatesSurviveSixteenBitScreens) {
  struct Layout {
    int redBits, greenBits, blueBits;
  };
  const Layout layouts[] = {{8, 8, 8}, {5, 6, 5}, {5, 5, 5}, {6, 6, 6}};
  for (int p = 0; p < kPaintCount; ++p) {
    const SimPaint paint = static_cast<SimPaint>(p);
    int count = 0;
    const SimRgb* candidates = PaintCandidates(paint, &count);
    ASSERT_GT(count, 0);
    for (int i = 0; i < count; ++i) {
      for (const Layout& l : layouts) {
        for (bool replicate : {true, false}) {
          const SimRgb q = {Quantise(candidates[i].red, l.redBits, replicate),
                            Quantise(candidates[i].green, l.greenBits, replicate),
                            Quantise(candidates[i].blue, l.blueBits, replicate)};
          EXPECT_TRUE(PaintAccepts(paint, q)) << "paint " << p << " candidate " << i << " layout "
                                              << l.redBits << l.greenBits << l.blueBits;
        }
      }
    }
  }
}

TEST(SimColours, CandidatesKeepAMarginForNearColours) {
  const int shifts[] = {-12, 0, 12};
  for (int p = 0; p < kPaintCount; ++p) {
    const SimPaint paint = static_cast<SimPaint>(p);
    int count = 0;
    const SimRgb* candidates = PaintCandidates(paint, &count);
    for (int i = 0; i < count; ++i) {
      for (int dr : shifts) {
        for (int dg : shifts) {
          for (int db : shifts) {
            const SimRgb near = {Clamp(candidates[i].red + dr), Clamp(candidates[i].green + dg),
                                 Clamp(candidates[i].blue + db)};
            EXPECT_TRUE(PaintAccepts(paint, near))
                << "paint " << p << " candidate " << i << " shift " << dr << "," << dg << "," << db;
          }
        }
      }
    }
  }
}

TEST(SimColours, AcceptanceRejectsColoursThatReadOtherwise) {
  EXPECT_FALSE(PaintAccepts(kPaintRedVirus, {230, 50, 40}));  // bright: 'r'
  EXPECT_FALSE(PaintAccepts(kPaintRedHalf, {100, 36, 30}));   // dim: 'R'
  EXPECT_FALSE(PaintAccepts(kPaintBlueVirus, {0, 0, 255}));   // too dark to count
  EXPECT_FALSE(PaintAccepts(kPaintEmpty, {40, 40, 40}));      // not dark
  EXPECT_FALSE(PaintAccepts(kPaintLight, {140, 140, 140}));   // not bright enough
  EXPECT_TRUE(PaintAccepts(kPaintYellowVirus, {150, 100, 0}));
}

}  // namespace
