// ClassifyCell on uniform and mixed squares, and SampleGrid's geometry.
#include "vision/cell_classification.h"

#include <gtest/gtest.h>

#include <string>

#include "raster_builders.h"

namespace {

uint8_t Classify(const TestRaster& raster, int32_t left, int32_t top, int32_t side) {
  return ClassifyCell(raster.pixels.data(), left, top, raster.width, raster.height, side);
}

// Square of the given side at (1, 1) in a black raster; rows[i] paints row i.
uint8_t ClassifyRows(int32_t side, const std::vector<std::vector<uint32_t>>& rows) {
  TestRaster raster = SolidRaster(side + 2, side + 2, kBlack);
  for (size_t y = 0; y < rows.size(); ++y) {
    for (size_t x = 0; x < rows[y].size(); ++x) {
      raster.pixels[(y + 1) * raster.width + x + 1] = rows[y][x];
    }
  }
  return Classify(raster, 1, 1, side);
}

std::string GridText(const uint8_t grid[kBoardCells]) {
  std::string text;
  for (int row = 0; row < kBoardRows; ++row) {
    text.append(reinterpret_cast<const char*>(grid) + row * kBoardColumns, kBoardColumns);
    text += '\n';
  }
  return text;
}

std::string BoardText(const std::vector<std::string>& rows) {
  std::string text;
  for (const std::string& row : rows) text += row + '\n';
  return text;
}

struct UniformCase {
  int red, green, blue;
  char code;
};

const UniformCase kUniformCases[] = {
    {255, 0, 0, 'r'},
    {135, 0, 0, 'r'},
    {134, 0, 0, 'R'},
    {104, 0, 0, 'R'},
    {103, 0, 0, '.'},
    {255, 255, 0, 'y'},
    {150, 100, 0, 'Y'},
    {151, 100, 0, 'r'},
    {100, 60, 30, 'R'},
    {0, 255, 255, 'b'},
    {0, 128, 255, 'b'},
    {0, 100, 160, 'B'},
    {0, 0, 255, '.'},
    {255, 255, 255, '.'},
    {128, 128, 128, '.'},
    // Brightness just above and at the dim bound (pure red and blue that
    // dim are dark pixels, so those bounds are checked on mixed squares).
    {41, 41, 0, 'Y'},
    {40, 40, 0, '.'},
    {0, 60, 22, 'B'},
    {0, 60, 20, '.'},
    {135, 135, 0, 'y'},
    {134, 134, 0, 'Y'},
    {0, 135, 135, 'b'},
    {0, 134, 134, 'B'},
    // Ratios of exactly 1.5 fail the strict tests.
    {150, 100, 100, '.'},
    {100, 150, 150, '.'},
};

TEST(ClassifyCell, UniformSquares) {
  for (const UniformCase& c : kUniformCases) {
    for (int32_t side : {2, 5, 10}) {
      const TestRaster raster = SolidRaster(side, side, Rgb(c.red, c.green, c.blue));
      EXPECT_EQ(Classify(raster, 0, 0, side), c.code)
          << "(" << c.red << ", " << c.green << ", " << c.blue << ") side " << side;
    }
  }
}

TEST(ClassifyCell, MixedSquares) {
  const uint32_t k = kBlack;
  const uint32_t r = Rgb(255, 0, 0);
  const std::vector<uint32_t> black4(4, k), red4(4, r), half4{k, k, r, r};
  const std::vector<uint32_t> black5(5, k), red5(5, r);
  // Dark pixels in a lit row count as colour zero: mean red 127.
  EXPECT_EQ(ClassifyRows(4, {half4, half4, half4, half4}), 'R');
  // Entirely dark rows are left out: n = 8 is not below 8.
  EXPECT_EQ(ClassifyRows(4, {black4, red4, black4, red4}), 'r');
  EXPECT_EQ(ClassifyRows(4, {black4, black4, black4, red4}), '.');
  EXPECT_EQ(ClassifyRows(5, {black5, red5, black5, red5, red5}), 'r');
  EXPECT_EQ(ClassifyRows(5, {black5, red5, black5, red5, black5}), '.');
  // One lit pixel per row sets the mean red: 164 / 4 = 41 is dim red, 40 is
  // too dark for any colour.
  const std::vector<uint32_t> oneOf164{k, k, k, Rgb(164, 0, 0)}, oneOf160{k, k, k, Rgb(160, 0, 0)};
  EXPECT_EQ(ClassifyRows(4, {oneOf164, oneOf164, oneOf164, oneOf164}), 'R');
  EXPECT_EQ(ClassifyRows(4, {oneOf160, oneOf160, oneOf160, oneOf160}), '.');
  // Colours are averaged, not voted: red and green rows make yellow.
  const std::vector<uint32_t> green4(4, Rgb(0, 255, 0));
  EXPECT_EQ(ClassifyRows(4, {red4, green4, red4, green4}), 'Y');
}

TEST(ClassifyCell, NothingToAverage) {
  const TestRaster black = SolidRaster(3, 3, kBlack);
  const TestRaster red = SolidRaster(3, 3, Rgb(255, 0, 0));
  EXPECT_EQ(Classify(black, 1, 1, 1), '.') << "side 1 on a dark pixel";
  EXPECT_EQ(Classify(red, 1, 1, 1), 'r') << "side 1 on a lit pixel";
  EXPECT_EQ(Classify(red, 0, 0, 0), '.') << "side 0";
  EXPECT_EQ(Classify(red, 0, 0, -3), '.') << "negative side";
  EXPECT_EQ(ClassifyCell(nullptr, 0, 0, 0, 0, 4), '.') << "empty raster is never read";
}

TEST(ClassifyCell, PixelsOutsideTheRasterReadBlack) {
  // The buffer holds red rows below the stated height; they must stay unread.
  TestRaster raster = SolidRaster(6, 12, Rgb(255, 0, 0));
  raster.height = 10;
  EXPECT_EQ(Classify(raster, 0, 8, 4), 'r') << "two rows inside, two outside: n = 8";
  EXPECT_EQ(Classify(raster, 0, 9, 4), '.') << "one row inside";
  EXPECT_EQ(Classify(raster, 0, 10, 2), '.') << "wholly below";
  // Columns past the row's end and negative positions read black as well.
  EXPECT_EQ(Classify(raster, 4, 0, 4), 'R') << "half of each row outside: mean 127";
  EXPECT_EQ(Classify(raster, -2, 0, 4), 'R');
  EXPECT_EQ(Classify(raster, 0, -2, 4), 'r');
  EXPECT_EQ(Classify(raster, 0, -3, 4), '.');
}

// Fills the field area with green and each cell's expected square with
// orange, which reads 'r'. Reading even one green column or row into a
// square tips it to 'y', so any misplaced square shows.
constexpr uint32_t kOrange = 0x00A0FFu;  // (255, 160, 0)
constexpr uint32_t kGreen = 0x00FF00u;

TestRaster OrangeCells(int32_t imageWidth, int32_t imageHeight, const FieldRect& f,
                       const std::vector<int32_t>& offsets) {
  TestRaster raster = SolidRaster(imageWidth, imageHeight, kGreen);
  const int32_t side = f.width / 8;
  for (int32_t row = 0; row < kBoardRows; ++row) {
    for (int32_t column = 0; column < kBoardColumns; ++column) {
      FillRect(raster, f.left + offsets[column], f.top + offsets[row], side, side, kOrange);
    }
  }
  return raster;
}

TEST(SampleGrid, Width80TilesTheField) {
  const FieldRect field{100, 50, 80};
  std::vector<int32_t> offsets;
  for (int i = 0; i < 16; ++i) offsets.push_back(i * 10);
  TestRaster raster = OrangeCells(640, 210, field, offsets);
  // Mark the first and last cell to pin the index order; (170, 200) .. row
  // 209 is the last square, and the raster ends there.
  FillRect(raster, 100, 50, 10, 10, Rgb(0, 255, 255));
  FillRect(raster, 170, 200, 10, 10, Rgb(0, 100, 160));
  uint8_t current[kBoardCells];
  uint8_t previous[kBoardCells];
  for (int i = 0; i < kBoardCells; ++i) current[i] = static_cast<uint8_t>('A' + i % 26);
  uint8_t before[kBoardCells];
  std::copy(current, current + kBoardCells, before);
  SampleGrid(raster.pixels.data(), raster.width, raster.height, field, current, previous);
  std::vector<std::string> expected(16, "rrrrrrrr");
  expected[0][0] = 'b';
  expected[15][7] = 'B';
  EXPECT_EQ(GridText(current), BoardText(expected));
  EXPECT_EQ(GridText(previous), GridText(before));
}

TEST(SampleGrid, Width83LeavesGapsBetweenSquares) {
  // Side 10 with corners at the rounded eighths; columns x + 30, 61 and 82
  // (and the matching rows) are never read.
  const FieldRect field{7, 3, 83};
  const std::vector<int32_t> offsets = {0,  10, 20,  31,  41,  51,  62,  72,
                                        83, 93, 103, 114, 124, 134, 145, 155};
  const TestRaster raster = OrangeCells(100, 180, field, offsets);
  uint8_t current[kBoardCells] = {};
  uint8_t previous[kBoardCells];
  SampleGrid(raster.pixels.data(), raster.width, raster.height, field, current, previous);
  EXPECT_EQ(GridText(current), BoardText(std::vector<std::string>(16, "rrrrrrrr")));
}

TEST(SampleGrid, FieldReachingBelowTheImage) {
  // Side 2 from row 5: cell row 12 covers raster rows 29 and 30, of which only
  // 29 exists; rows 13 to 15 lie wholly below. The buffer is taller than the
  // stated height, red throughout, so a read past the end would show.
  TestRaster raster = SolidRaster(40, 40, Rgb(255, 0, 0));
  raster.height = 30;
  uint8_t current[kBoardCells] = {};
  uint8_t previous[kBoardCells];
  SampleGrid(raster.pixels.data(), raster.width, raster.height, FieldRect{10, 5, 16}, current,
             previous);
  std::vector<std::string> expected(13, "rrrrrrrr");
  expected.resize(16, "........");
  EXPECT_EQ(GridText(current), BoardText(expected));
}

TEST(SampleGrid, NoFieldGivesAnEmptyBoard) {
  const TestRaster raster = SolidRaster(16, 16, Rgb(255, 0, 0));
  uint8_t current[kBoardCells] = {};
  uint8_t previous[kBoardCells];
  for (int32_t width : {0, 7, -8}) {
    SampleGrid(raster.pixels.data(), raster.width, raster.height, FieldRect{0, 0, width}, current,
               previous);
    EXPECT_EQ(GridText(current), BoardText(std::vector<std::string>(16, "........")))
        << "width " << width;
  }
}

}  // namespace
