// Luminance: the truncation of the ordered double sum.
#include "vision/luminance.h"

#include <gtest/gtest.h>

#include <set>

namespace {

uint32_t Grey(int v) {
  return static_cast<uint32_t>(v | v << 8 | v << 16);
}

TEST(Luminance, GreyLevelsThatRoundDown) {
  const std::set<int> roundsDown = {23,  46,  57,  59,  92,  114, 118, 127,
                                    184, 205, 223, 228, 236, 241, 249, 254};
  for (int v = 0; v < 256; ++v) {
    const int expected = roundsDown.count(v) ? v - 1 : v;
    EXPECT_EQ(Luminance(Grey(v)), expected) << "grey level " << v;
  }
}

TEST(Luminance, IgnoresAlphaAndWeighsChannels) {
  EXPECT_EQ(Luminance(0xFF000000u | Grey(128)), 128);
  EXPECT_EQ(Luminance(0x000000FFu), 76);   // pure red
  EXPECT_EQ(Luminance(0x0000FF00u), 149);  // pure green
  EXPECT_EQ(Luminance(0x00FF0000u), 29);   // pure blue
  EXPECT_EQ(Luminance(0xFFFFFFFFu), 255);
}

}  // namespace
