// The logical region the screen copy asks for, one row per kind of output:
// its pixels must cover 640 x 480 and never ask for more than the output.
#include "capture/screen/wayland/screen_copy/copy_region.h"

#include <gtest/gtest.h>

namespace {

TEST(CopyRegion, CoversTheCaptureRegionInTheOutputsOwnPixels) {
  const struct {
    const char* name;
    OutputPlacement output;  // logical size, pixel size, whole scale
    int width, height;
  } cases[] = {
      {"scale 1", {1920, 1080, 1920, 1080, 1}, 640, 480},
      {"scale 2", {1280, 720, 2560, 1440, 2}, 320, 240},
      // 427 logical pixels are 640.5 at 1.5: the copy keeps 640 of them.
      {"scale 1.5", {1280, 720, 1920, 1080, 2}, 427, 320},
      {"smaller output", {320, 200, 320, 200, 1}, 320, 200},
      {"smaller at scale 2", {300, 200, 600, 400, 2}, 300, 200},
      {"no xdg-output, scale 2", {0, 0, 2560, 1440, 2}, 320, 240},
      {"turned at scale 2", {720, 1280, 1440, 2560, 2}, 320, 240},
  };
  for (const auto& c : cases) {
    const LogicalSize region = CopyRegionFor(c.output);
    EXPECT_EQ(region.width, c.width) << c.name;
    EXPECT_EQ(region.height, c.height) << c.name;
  }
}

}  // namespace
