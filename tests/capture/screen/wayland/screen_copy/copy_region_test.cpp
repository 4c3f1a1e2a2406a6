// Where a wlroots layout's outputs lie on the screen the advisor reads, and the
// logical box the screen copy asks for: its pixels must cover what was asked,
// start where the compositor starts them, and never reach past the output.
#include "capture/screen/wayland/screen_copy/copy_region.h"

#include <gtest/gtest.h>

namespace {

TEST(CopyRegion, CoversTheAskedPixelsInTheOutputsOwnPixels) {
  const struct {
    const char* name;
    OutputPlacement output;  // logical place and size, pixel size, whole scale
    ScreenRegion pixels;     // asked, in the output's pixels
    OutputCopy copy;
  } cases[] = {
      {"corner at scale 1",
       {0, 0, 1920, 1080, 1920, 1080, 1},
       {0, 0, 640, 480},
       {0, 0, 640, 480, 0, 0}},
      {"corner at scale 2",
       {0, 0, 1280, 720, 2560, 1440, 2},
       {0, 0, 640, 480},
       {0, 0, 320, 240, 0, 0}},
      // 427 logical pixels are 640.5 at 1.5: the copy keeps 640 of them.
      {"corner at scale 1.5",
       {0, 0, 1280, 720, 1920, 1080, 2},
       {0, 0, 640, 480},
       {0, 0, 427, 320, 0, 0}},
      {"corner of a smaller output",
       {0, 0, 320, 200, 320, 200, 1},
       {0, 0, 640, 480},
       {0, 0, 320, 200, 0, 0}},
      {"no xdg-output, scale 2",
       {0, 0, 0, 0, 2560, 1440, 2},
       {0, 0, 640, 480},
       {0, 0, 320, 240, 0, 0}},
      // An odd pixel at scale 2 starts in the logical pixel before it.
      {"odd place at scale 2",
       {0, 0, 1280, 720, 2560, 1440, 2},
       {801, 301, 430, 841},
       {400, 150, 216, 421, 800, 300}},
      // At 1.5 the logical pixel 533 starts at pixel 799 (799.5 rounded down).
      {"odd place at scale 1.5",
       {0, 0, 1280, 720, 1920, 1080, 2},
       {800, 300, 200, 300},
       {533, 200, 134, 200, 799, 300}},
      {"to the far corner",
       {0, 0, 1280, 720, 2560, 1440, 2},
       {2500, 1400, 60, 40},
       {1250, 700, 30, 20, 2500, 1400}},
  };
  for (const auto& c : cases) {
    const OutputCopy copy = CopyCovering(c.output, c.pixels);
    EXPECT_EQ(copy.logicalX, c.copy.logicalX) << c.name;
    EXPECT_EQ(copy.logicalY, c.copy.logicalY) << c.name;
    EXPECT_EQ(copy.logicalWidth, c.copy.logicalWidth) << c.name;
    EXPECT_EQ(copy.logicalHeight, c.copy.logicalHeight) << c.name;
    EXPECT_EQ(copy.pixelLeft, c.copy.pixelLeft) << c.name;
    EXPECT_EQ(copy.pixelTop, c.copy.pixelTop) << c.name;
  }
}

// The layout in screen pixels: outputs side by side at their own sizes, an
// output at a smaller scale leaving a gap, never an overlap.
TEST(CopyRegion, LaysTheOutputsOutWithoutOverlap) {
  const struct {
    const char* name;
    std::vector<OutputPlacement> outputs;
    std::vector<ScreenRegion> onScreen;
    ScreenRegion bounds;
  } cases[] = {
      {"one output", {{0, 0, 640, 480, 640, 480, 1}}, {{0, 0, 640, 480}}, {0, 0, 640, 480}},
      {"two side by side",
       {{0, 0, 1280, 720, 1280, 720, 1}, {1280, 0, 1280, 720, 1280, 720, 1}},
       {{0, 0, 1280, 720}, {1280, 0, 1280, 720}},
       {0, 0, 2560, 720}},
      {"scale 2 beside scale 1",
       {{0, 0, 1280, 720, 2560, 1440, 2}, {1280, 0, 1920, 1080, 1920, 1080, 1}},
       {{0, 0, 2560, 1440}, {2560, 0, 1920, 1080}},
       {0, 0, 4480, 1440}},
      {"scale 1 beside scale 2",
       {{0, 0, 1920, 1080, 1920, 1080, 1}, {1920, 0, 1280, 720, 2560, 1440, 2}},
       {{0, 0, 1920, 1080}, {3840, 0, 2560, 1440}},
       {0, 0, 6400, 1440}},
      {"1.5 above 1.5",
       {{0, 0, 1280, 720, 1920, 1080, 2}, {0, 720, 1280, 720, 1920, 1080, 2}},
       {{0, 0, 1920, 1080}, {0, 1440, 1920, 1080}},
       {0, 0, 1920, 2520}},
      {"left of the origin",
       {{-1280, 0, 1280, 720, 1280, 720, 1}, {0, 0, 640, 480, 640, 480, 1}},
       {{-1280, 0, 1280, 720}, {0, 0, 640, 480}},
       {-1280, 0, 1920, 720}},
  };
  for (const auto& c : cases) {
    const int scale = LayoutScale(c.outputs);
    for (size_t k = 0; k < c.outputs.size(); ++k) {
      const ScreenRegion on = OutputOnScreen(c.outputs[k], scale);
      EXPECT_EQ(on.left, c.onScreen[k].left) << c.name << " output " << k;
      EXPECT_EQ(on.top, c.onScreen[k].top) << c.name << " output " << k;
      EXPECT_EQ(on.width, c.onScreen[k].width) << c.name << " output " << k;
      EXPECT_EQ(on.height, c.onScreen[k].height) << c.name << " output " << k;
    }
    const ScreenRegion bounds = LayoutBounds(c.outputs);
    EXPECT_EQ(bounds.left, c.bounds.left) << c.name;
    EXPECT_EQ(bounds.top, c.bounds.top) << c.name;
    EXPECT_EQ(bounds.width, c.bounds.width) << c.name;
    EXPECT_EQ(bounds.height, c.bounds.height) << c.name;
  }
}

}  // namespace
