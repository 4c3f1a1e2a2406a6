// Screen capture on a private X server at several depths: colours drawn on the
// root window must come back, in place, through the bitmap file, the real
// converter and the TIFF decoder. Also the advisor binary without a display.
#include <gtest/gtest.h>
#include <tiffio.h>

#include <chrono>
#include <cstdlib>
#include <memory>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

#include "capture/bitmap_file/bitmap_bytes.h"
#include "capture/raster/frame_loader.h"
#include "capture/screen/screen_capture.h"
#include "root_painter.h"
#include "support/advisor_run.h"
#include "support/subprocess.h"
#include "support/temp_dir.h"
#include "support/tiff_frames.h"
#include "support/xvfb_server.h"

namespace {

using Colour = PaintColour;

struct Box {
  int x, y, width, height;
  Colour colour;
};

constexpr Colour kBlack = {0, 0, 0};
constexpr Colour kWhite = {255, 255, 255};

// Distinct boxes at distinct places, with the bottom band filling screen row
// 479, which must be the file's first pixel row.
const Box kBoxes[] = {
    {0, 0, 120, 60, {255, 0, 0}},        {200, 100, 120, 80, {0, 200, 40}},
    {500, 300, 140, 100, {30, 60, 250}}, {0, 440, 640, 40, {255, 255, 0}},
    {380, 20, 60, 60, {128, 64, 192}},
};

// Points inside each box and in the untouched black background.
struct Probe {
  int x, y;
  Colour colour;
};

const Probe kProbes[] = {
    {0, 0, {255, 0, 0}},       {119, 59, {255, 0, 0}},    {260, 140, {0, 200, 40}},
    {639, 399, {30, 60, 250}}, {320, 479, {255, 255, 0}}, {410, 50, {128, 64, 192}},
    {150, 200, kBlack},        {639, 0, kBlack},
};

// Sets DISPLAY for the capture, which opens the default display, and puts the
// developer's own value back afterwards. The capture keeps its connection, so
// it is dropped here, before the test's screen goes away.
class DisplayVariable {
 public:
  explicit DisplayVariable(const std::string& value) {
    if (const char* old = std::getenv("DISPLAY")) saved_ = old, hadValue_ = true;
    setenv("DISPLAY", value.c_str(), 1);
  }
  ~DisplayVariable() {
    CloseScreenCapture();
    if (hadValue_) {
      setenv("DISPLAY", saved_.c_str(), 1);
    } else {
      unsetenv("DISPLAY");
    }
  }

 private:
  std::string saved_;
  bool hadValue_ = false;
};

// Reads the colour of pixel x of the file's pixel row fileRow straight from
// the bytes, as a bitmap reader would.
Colour FilePixel(const std::string& file, int x, int fileRow) {
  const uint32_t offBits = Field32(file, 10);
  const int bitCount = Field16(file, 28);
  const size_t rowBytes = (bitCount * 640 + 31) / 32 * 4;
  const size_t at = offBits + fileRow * rowBytes + x * bitCount / 8;
  auto byte = [&](size_t k) { return static_cast<uint8_t>(file[k]); };
  if (bitCount == 16) {
    const uint16_t v = Field16(file, at);
    return {(v >> 10 & 31) * 255 / 31, (v >> 5 & 31) * 255 / 31, (v & 31) * 255 / 31};
  }
  if (bitCount == 8) {
    const size_t entry = 14 + 40 + 4 * byte(at);
    return {byte(entry + 2), byte(entry + 1), byte(entry)};
  }
  return {byte(at + 2), byte(at + 1), byte(at)};
}

struct DecodedFrame {
  Raster raster;
  ~DecodedFrame() { _TIFFfree(raster.pixels); }
};

// Runs the real converter in dir and decodes its output.
void ConvertAndDecode(const TempDir& dir, DecodedFrame& frame) {
  const ProcessResult convert =
      RunProcess({"convert", "x.bmp", "-compress", "None", "x.tif"}, dir.path(), {}, 60);
  ASSERT_EQ(convert.exitStatus, 0) << convert.err;
  ASSERT_EQ(DecodeFrame(dir.File("x.tif").c_str(), frame.raster), FrameStatus::kLoaded);
  ASSERT_EQ(frame.raster.width, 640);
  ASSERT_EQ(frame.raster.height, 480);
}

Colour RasterColour(const Raster& raster, int x, int y) {
  const uint32_t pixel = raster.pixels[static_cast<size_t>(y) * raster.width + x];
  return {static_cast<int>(pixel & 0xFF), static_cast<int>(pixel >> 8 & 0xFF),
          static_cast<int>(pixel >> 16 & 0xFF)};
}

::testing::AssertionResult Near(Colour got, Colour want, int tolerance) {
  const bool near = std::abs(got.red - want.red) <= tolerance &&
                    std::abs(got.green - want.green) <= tolerance &&
                    std::abs(got.blue - want.blue) <= tolerance;
  if (near) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure()
         << "got (" << got.red << ", " << got.green << ", " << got.blue << "), want (" << want.red
         << ", " << want.green << ", " << want.blue << ") within " << tolerance;
}

struct DepthCase {
  int depth;
  int bitCount;
  uint32_t offBits;
  uint32_t fileLength;
  int tolerance;      // the depth's quantisation, plus the converter's rounding
  bool sharedMemory;  // the server offers MIT-SHM; without it, one plain request
};

const DepthCase kDepths[] = {
    {24, 32, 58, 1228858, 0, true},
    {16, 16, 54, 614454, 8, true},
    {8, 8, 1078, 308278, 1, true},
    {24, 32, 58, 1228858, 0, false},
};

std::string CaseName(const DepthCase& c) {
  return std::to_string(c.depth) + (c.sharedMemory ? "" : "WithoutSharedMemory");
}

void PrintTo(const DepthCase& c, std::ostream* out) {
  *out << "depth " << CaseName(c);
}

class CaptureDepthTest : public ::testing::TestWithParam<DepthCase> {};

TEST_P(CaptureDepthTest, DrawnColoursComeBackInPlaceThroughTheConverter) {
  const DepthCase& c = GetParam();
  std::vector<std::string> arguments;
  if (!c.sharedMemory) arguments = {"-extension", "MIT-SHM"};
  XvfbServer server(640, 480, c.depth, arguments);
  DisplayVariable display(server.display());
  RootPainter painter(server.display());
  painter.Fill(0, 0, 640, 480, kBlack);
  // The first box is drawn only after a first capture: the connection and the
  // shared image kept from it must show later drawing.
  for (const Box& box : kBoxes) {
    if (&box != kBoxes) painter.Fill(box.x, box.y, box.width, box.height, box.colour);
  }

  TempDir dir;
  ASSERT_EQ(CaptureScreen(dir.File("x.bmp").c_str()), 1);
  EXPECT_EQ(ScreenCaptureUsesSharedMemory(), c.sharedMemory);
  painter.Fill(kBoxes[0].x, kBoxes[0].y, kBoxes[0].width, kBoxes[0].height, kBoxes[0].colour);
  ASSERT_EQ(CaptureScreen(dir.File("x.bmp").c_str()), 1);
  const std::string file = ReadFile(dir.File("x.bmp"));
  ASSERT_EQ(file.size(), c.fileLength);
  EXPECT_EQ(file.substr(0, 2), "BM");
  EXPECT_EQ(Field32(file, 2), file.size());
  EXPECT_EQ(Field32(file, 10), c.offBits);
  EXPECT_EQ(Field32(file, 14), 40u);
  EXPECT_EQ(Field32(file, 18), 640u);
  EXPECT_EQ(Field32(file, 22), 480u);
  EXPECT_EQ(Field16(file, 26), 1);
  EXPECT_EQ(Field16(file, 28), c.bitCount);
  EXPECT_EQ(Field32(file, 30), 0u);
  EXPECT_EQ(Field32(file, 34), file.size() - c.offBits);

  // Bottom-up rows: the yellow band is first, the red box's top row last.
  EXPECT_TRUE(Near(FilePixel(file, 5, 0), {255, 255, 0}, c.tolerance));
  EXPECT_TRUE(Near(FilePixel(file, 5, 479), {255, 0, 0}, c.tolerance));
  EXPECT_TRUE(Near(FilePixel(file, 5, 479 - 60), kBlack, c.tolerance));
  if (c.bitCount == 32) {
    for (int x = 0; x < 640; ++x) ASSERT_EQ(file[c.offBits + 4 * x + 3], 0) << "pixel " << x;
  }

  DecodedFrame frame;
  ConvertAndDecode(dir, frame);
  for (const Probe& probe : kProbes) {
    EXPECT_TRUE(Near(RasterColour(frame.raster, probe.x, probe.y), probe.colour, c.tolerance))
        << "at (" << probe.x << ", " << probe.y << ")";
  }
  // The pad byte was not taken for transparency.
  EXPECT_EQ(frame.raster.pixels[0] >> 24, 0xFFu);
}

INSTANTIATE_TEST_SUITE_P(Depths, CaptureDepthTest, ::testing::ValuesIn(kDepths),
                         [](const auto& info) { return CaseName(info.param); });

struct ScreenCase {
  int width, height, depth;
};

void PrintTo(const ScreenCase& c, std::ostream* out) {
  *out << c.width << "x" << c.height << "x" << c.depth;
}

class CaptureScreenSizeTest : public ::testing::TestWithParam<ScreenCase> {};

// Whatever the screen's size, the file is the 640 x 480 corner: a larger
// screen is cut, a smaller one is read where it exists and black beyond.
TEST_P(CaptureScreenSizeTest, FileIsTheCornerWithBlackBeyondTheScreen) {
  const ScreenCase& c = GetParam();
  XvfbServer server(c.width, c.height, c.depth);
  DisplayVariable display(server.display());
  RootPainter painter(server.display());
  painter.Fill(0, 0, c.width, c.height, kWhite);
  painter.Fill(600, 440, 100, 100, {255, 0, 0});  // across the corner's far edge

  TempDir dir;
  ASSERT_EQ(CaptureScreen(dir.File("x.bmp").c_str()), 1);
  const std::string file = ReadFile(dir.File("x.bmp"));
  EXPECT_EQ(Field32(file, 18), 640u);
  EXPECT_EQ(Field32(file, 22), 480u);
  EXPECT_EQ(Field32(file, 2), file.size());

  DecodedFrame frame;
  ConvertAndDecode(dir, frame);
  const Probe probes[] = {{0, 0, kWhite},          {c.width / 2, c.height / 2, kWhite},
                          {639, 479, {255, 0, 0}}, {599, 0, kWhite},
                          {0, 479, kWhite},        {320, 100, kWhite},
                          {100, 240, kWhite}};
  for (const Probe& probe : probes) {
    const bool onScreen = probe.x < c.width && probe.y < c.height;
    const Colour want = onScreen ? probe.colour : kBlack;
    EXPECT_TRUE(Near(RasterColour(frame.raster, probe.x, probe.y), want, 1))
        << "at (" << probe.x << ", " << probe.y << ")";
  }
}

INSTANTIATE_TEST_SUITE_P(Sizes, CaptureScreenSizeTest,
                         ::testing::Values(ScreenCase{320, 240, 24}, ScreenCase{300, 250, 8},
                                           ScreenCase{800, 600, 24}),
                         [](const auto& info) {
                           return std::to_string(info.param.width) + "x" +
                                  std::to_string(info.param.height) + "x" +
                                  std::to_string(info.param.depth);
                         });

// Without a display the advisor stops at its first capture with one line that
// says which display it could not open.
TEST(AdvisorWithoutDisplay, ExitsWithOneErrorLineNamingTheDisplay) {
  const struct {
    const char* display;
    const char* named;
  } cases[] = {{"", "DISPLAY is not set"}, {":4711", "\":4711\""}};
  for (const auto& c : cases) {
    TempDir dir;
    const ProcessResult run =
        RunProcess({BOTTLEWATCH_BINARY}, dir.path(), {{"DISPLAY", c.display}}, 20);
    EXPECT_FALSE(run.timedOut);
    EXPECT_EQ(run.exitStatus, 2) << c.display;
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err.rfind("Error:  ", 0), 0u) << run.err;
    EXPECT_NE(run.err.find(c.named), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("display"), std::string::npos) << run.err;
    EXPECT_EQ(run.err.find('\n'), run.err.size() - 1) << run.err;
    EXPECT_FALSE(FileExists(dir.File("x.bmp")));
  }
}

// The server going away while the advisor runs ends it as a display that
// cannot be opened does: one line naming the display, status 2. Its blank
// screen showed no game.
TEST(AdvisorLosingDisplay, ExitsWithOneErrorLineNamingTheDisplay) {
  auto server = std::make_unique<XvfbServer>(640, 480, 24);
  const std::string name = server->display();
  TempDir dir;
  BackgroundProcess advisor({"/bin/sh", "-c", "exec \"$0\" 2>err.txt", BOTTLEWATCH_BINARY},
                            dir.path(), {{"DISPLAY", name}}, dir.File("out.txt"));
  // The server goes once the advisor has looked at its screen.
  ASSERT_TRUE(WaitForText(dir.File("out.txt"), "Found field at: \n", 60)) << "no frame looked at";
  ASSERT_TRUE(WaitForText(dir.File("err.txt"), kWaitingForGame, 60))
      << ReadFile(dir.File("err.txt"));
  server.reset();
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (!advisor.HasEnded() && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  EXPECT_TRUE(advisor.HasEnded());
  EXPECT_EQ(advisor.Stop(), 2);
  const std::string out = ReadFile(dir.File("out.txt"));
  EXPECT_EQ(
      ReadFile(dir.File("err.txt")),
      kWaitingForGame + std::string("Error:  lost the connection to X display \"") + name + "\"\n");
  EXPECT_EQ(out.rfind("Found field at: \n", 0), 0u) << out;
}

}  // namespace
