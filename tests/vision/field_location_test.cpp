// LocateField on hand-built images: what the search picks and why.
#include "vision/field_location.h"

#include <gtest/gtest.h>

#include <string>

#include "field_location_reference.h"
#include "raster_builders.h"

namespace {

struct Field {
  int32_t left, top, width;
  bool operator==(const Field& o) const {
    return left == o.left && top == o.top && width == o.width;
  }
};

std::ostream& operator<<(std::ostream& out, const Field& f) {
  return out << "(" << f.left << ", " << f.top << ", " << f.width << ")";
}

using LocateFunction = void (*)(const uint32_t*, int32_t, int32_t, int32_t&, int32_t&, int32_t&);

// Every example runs through both searches: the program's must agree with the
// reference everywhere, and here both must agree with the worked results.
struct Search {
  const char* name;
  LocateFunction locate;
};
const Search kSearches[] = {{"reference", LocateFieldReference}, {"program", LocateField}};

Field LocateWith(const Search& search, const TestRaster& raster) {
  Field f{-7, -7, -7};
  search.locate(raster.pixels.data(), raster.height, raster.width, f.left, f.top, f.width);
  return f;
}

class LocateFieldTest : public ::testing::TestWithParam<Search> {
 protected:
  Field Locate(const TestRaster& raster) const { return LocateWith(GetParam(), raster); }
};

struct DarkRect {
  int32_t left, top, width, height;
};

struct Scene {
  std::string name;
  int32_t width, height;
  uint32_t background;
  std::vector<DarkRect> darkRects;
  uint32_t dark;
  Field expected;
};

TestRaster Draw(const Scene& scene) {
  TestRaster raster = SolidRaster(scene.width, scene.height, scene.background);
  for (const DarkRect& r : scene.darkRects)
    FillRect(raster, r.left, r.top, r.width, r.height, scene.dark);
  return raster;
}

const Scene kScenes[] = {
    {"bright everywhere", 160, 120, kWhite, {}, kBlack, {0, 0, 0}},
    {"single dark pixel", 20, 20, kWhite, {{5, 3, 1, 1}}, kBlack, {5, 3, 1}},
    {"dark rectangle", 160, 120, kWhite, {{20, 10, 40, 80}}, kBlack, {20, 10, 40}},
    // The probe meets the bright row below once (3 * 22) / 8 reaches 8.
    {"eight-row band", 160, 120, kWhite, {{20, 10, 40, 8}}, kBlack, {20, 10, 22}},
    {"one-row band", 160, 120, kWhite, {{20, 10, 40, 1}}, kBlack, {20, 10, 3}},
    {"two-row band", 160, 120, kWhite, {{20, 10, 40, 2}}, kBlack, {20, 10, 6}},
    {"three-row band", 160, 120, kWhite, {{20, 10, 40, 3}}, kBlack, {20, 10, 8}},
    {"equal widths: earlier row wins",
     160,
     120,
     kWhite,
     {{80, 5, 40, 80}, {10, 20, 40, 80}},
     kBlack,
     {80, 5, 40}},
    {"equal widths on one row: leftmost wins",
     160,
     120,
     kWhite,
     {{90, 5, 30, 80}, {10, 5, 30, 80}},
     kBlack,
     {10, 5, 30}},
    {"strictly wider later start wins",
     160,
     120,
     kWhite,
     {{80, 5, 30, 80}, {10, 20, 31, 80}},
     kBlack,
     {10, 20, 31}},
    {"start on row H/2 is never tried", 160, 120, kWhite, {{30, 60, 20, 60}}, kBlack, {0, 0, 0}},
    {"start on row H/2 - 1 is found", 160, 120, kWhite, {{30, 59, 20, 61}}, kBlack, {30, 59, 20}},
    // No bright pixel lies right of the upper rows; from row 43 on the probe
    // reaches the bright row 65 before the right edge.
    {"touching the right edge", 160, 120, kWhite, {{100, 5, 60, 60}}, kBlack, {100, 43, 59}},
    {"dark everywhere", 30, 20, kWhite, {{0, 0, 30, 20}}, kBlack, {0, 0, 0}},
    {"grey 127 is dark", 20, 20, Grey(128), {{5, 3, 1, 1}}, Grey(127), {5, 3, 1}},
};

// '#' is white, '.' black.
TestRaster RasterFromArt(const std::vector<std::string>& rows) {
  TestRaster raster =
      SolidRaster(static_cast<int32_t>(rows[0].size()), static_cast<int32_t>(rows.size()), kBlack);
  for (size_t y = 0; y < rows.size(); ++y) {
    for (size_t x = 0; x < rows[y].size(); ++x) {
      if (rows[y][x] == '#') raster.pixels[y * raster.width + x] = kWhite;
    }
  }
  return raster;
}

TEST_P(LocateFieldTest, Scenes) {
  for (const Scene& scene : kScenes) {
    EXPECT_EQ(Locate(Draw(scene)), scene.expected) << scene.name;
  }
}

TEST_P(LocateFieldTest, ProbeStopsAtTheLastRow) {
  // Dark everywhere but a bright rightmost column: the probe's rows run past
  // row 3 almost at once, and only the four rows that exist are looked at.
  TestRaster raster = SolidRaster(20, 4, kBlack);
  FillRect(raster, 19, 0, 1, 4, kWhite);
  EXPECT_EQ(Locate(raster), (Field{0, 0, 19}));
  FillRect(raster, 19, 0, 1, 4, Grey(128));
  EXPECT_EQ(Locate(raster), (Field{0, 0, 19})) << "grey 128 is bright";
  FillRect(raster, 19, 0, 1, 4, Grey(127));
  EXPECT_EQ(Locate(raster), (Field{0, 0, 0})) << "grey 127 is dark";
}

TEST_P(LocateFieldTest, ImagesTooSmallToSearch) {
  // One row: no start row below H / 2 = 0. Zero width: no columns.
  TestRaster oneRow = SolidRaster(10, 1, kBlack);
  oneRow.pixels[9] = kWhite;
  EXPECT_EQ(Locate(oneRow), (Field{0, 0, 0}));
  EXPECT_EQ(Locate(SolidRaster(0, 10, kBlack)), (Field{0, 0, 0}));
  TestRaster twoRows = SolidRaster(10, 2, kBlack);
  twoRows.pixels[9] = kWhite;
  EXPECT_EQ(Locate(twoRows), (Field{0, 0, 9}));
}

// The three images below are where the search differs from a plain maximum
// of the probe width over every dark start pixel.

TEST_P(LocateFieldTest, ExclusionZoneSkipsTheTopOfTheBest) {
  // (4, 0) measures 3; its zone covers row 0, columns 4 to 6, so (5, 0),
  // which would measure 5, is never probed, and (5, 1) wins.
  EXPECT_EQ(Locate(RasterFromArt(
                {"###.......#", "###.#.....#", "###.......#", "###.......#", "###.......#"})),
            (Field{5, 1, 5}));
}

TEST_P(LocateFieldTest, ColumnBoundEndsRowsEarly) {
  // (0, 0) measures 6, which leaves columns 0 to 3 to scan and puts all of
  // them in the zone on row 1: (0, 1), which would measure 8, is never tried.
  EXPECT_EQ(
      Locate(RasterFromArt({"......#.##", "........##", "........##", "........##", "......#.#."})),
      (Field{0, 0, 6}));
}

TEST_P(LocateFieldTest, ShortDarkRunIsSkipped) {
  // Once (6, 1) measures 5 the bound is column 7, so the run from (3, 3) is
  // cut to 4 pixels, below 5, and its probe (which would measure 7) never
  // runs.
  EXPECT_EQ(Locate(RasterFromArt({"############", "######.....#", "######......", "###.........",
                                  "###.........", "###.......##", "###........#", "###........#"})),
            (Field{6, 1, 5}));
}

INSTANTIATE_TEST_SUITE_P(BothSearches, LocateFieldTest, ::testing::ValuesIn(kSearches),
                         [](const ::testing::TestParamInfo<Search>& info) {
                           return std::string(info.param.name);
                         });

}  // namespace
