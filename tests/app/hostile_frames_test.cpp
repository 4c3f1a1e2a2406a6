// The advisor fed broken, forged and unusual frames and run in broken
// surroundings: it carries on with the pixels it has or ends with its error
// line, and never crashes (under the sanitizer build: never reports).
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <random>

#include "support/advisor_run.h"
#include "support/game_screen.h"
#include "support/xvfb_server.h"

namespace {

constexpr char kOpenError[] = "Error:  Could not open input file!\n";
constexpr char kFieldReport[] = "Found field at: \n200,40\nwith width 96 \n";

// Viruses only: the first board of the drawn game.
const std::string kLevel = GameSequenceBoards()[0];

// The real converter turns a plain TIFF into one of another kind.
std::string Reencoded(const Picture& picture, const std::string& options) {
  TempDir dir;
  WriteRgbTiff(dir.File("in.tif"), picture);
  const std::string command =
      "convert '" + dir.File("in.tif") + "' " + options + " '" + dir.File("out.tif") + "'";
  if (std::system(command.c_str()) != 0) throw std::runtime_error("failed: " + command);
  return ReadFile(dir.File("out.tif"));
}

// A run that ended by itself with the open error after its frames ran out.
void ExpectCleanEnd(const ProcessResult& result) {
  EXPECT_FALSE(result.timedOut);
  EXPECT_EQ(result.signal, 0);
  EXPECT_EQ(result.exitStatus, 1) << result.err;
  EXPECT_TRUE(EndsWith(result.err, kOpenError)) << result.err;
}

TEST(HostileFrames, UnreadableFirstFramesEndWithTheOpenError) {
  std::mt19937 random(11);
  std::string noise(4096, '\0');
  for (char& c : noise) c = static_cast<char>(random());
  const std::pair<const char*, std::string> cases[] = {
      {"zero bytes", ""},
      {"random bytes", noise},
      {"a TIFF signature and nothing else", std::string("II*\0", 4)},
      {"a directory offset past the end", std::string("II*\0\xff\xff\xff\x7f", 8)},
  };
  for (const auto& [name, bytes] : cases) {
    SCOPED_TRACE(name);
    AdvisorRun run;
    run.AddFrameBytes(bytes);
    const ProcessResult result = run.Run(SharedTestDisplay(), 20);
    ExpectCleanEnd(result);
    EXPECT_EQ(result.out, "");
  }
}

TEST(HostileFrames, OtherTiffKindsReadTheSameBoard) {
  const Picture screen = DrawGameScreen(kLevel);
  AdvisorRun reference;
  reference.AddFrame(screen);
  const ProcessResult expected = reference.Run(SharedTestDisplay(), 20);
  ASSERT_TRUE(StartsWith(expected.out, kFieldReport)) << expected.out;

  const std::pair<const char*, const char*> kinds[] = {
      {"LZW", "-compress LZW"},
      {"tiled", "-define tiff:tile-geometry=64x64 -compress None"},
      {"16 bits per sample", "-depth 16 -compress None"},
      {"palette", "-type Palette -compress None"},
      {"planar", "-interlace Plane -compress None"},
  };
  for (const auto& [name, options] : kinds) {
    SCOPED_TRACE(name);
    AdvisorRun run;
    run.AddFrameBytes(Reencoded(screen, options));
    const ProcessResult result = run.Run(SharedTestDisplay(), 20);
    ExpectCleanEnd(result);
    EXPECT_EQ(result.out, expected.out);
  }
}

TEST(HostileFrames, GreyscaleFrameFindsTheFieldButNoColours) {
  AdvisorRun run;
  run.AddFrameBytes(Reencoded(DrawGameScreen(kLevel), "-colorspace Gray -compress None"));
  const ProcessResult result = run.Run(SharedTestDisplay(), 20);
  ExpectCleanEnd(result);
  // Every cell reads as empty, so the first pass sees only emptied cells.
  EXPECT_EQ(result.out, kFieldReport);
}

TEST(HostileFrames, TinyFirstFrameFindsNoField) {
  AdvisorRun run;
  run.AddFrame(SolidPicture(1, 1, Rgb(0, 0, 0)));
  run.AddFrame(SolidPicture(1, 1, Rgb(255, 0, 0)));
  const ProcessResult result = run.Run(SharedTestDisplay(), 20);
  ExpectCleanEnd(result);
  EXPECT_EQ(result.out, "Found field at: \n0,0\nwith width 0 \n");
}

TEST(HostileFrames, LaterFramesOfOtherSizesKeepTheBoard) {
  AdvisorRun run;
  run.AddFrame(DrawGameScreen(kLevel));
  // Larger and smaller screens with the bottle at the same place: the raster
  // keeps the first size, so the board reads the same and nothing is printed.
  run.AddFrame(DrawGameScreen(kLevel, 200, 40, 12, 800, 600));
  run.AddFrame(DrawGameScreen(kLevel, 200, 40, 12, 320, 240));
  run.AddFrame(DrawGameScreen(kLevel, 200, 40, 12, 300, 480));
  run.AddFrame(DrawGameScreen(kLevel, 200, 40, 12, 4000, 30));
  const ProcessResult result = run.Run(SharedTestDisplay(), 30);
  ExpectCleanEnd(result);
  ASSERT_TRUE(StartsWith(result.out, kFieldReport)) << result.out;
  EXPECT_EQ(result.out.find("Vitamin at:"), std::string::npos) << result.out;
  EXPECT_EQ(run.ConverterCalls(), 6);
}

TEST(HostileFrames, ForgedAndDamagedLaterFramesAreSurvived) {
  std::string damaged = Reencoded(DrawGameScreen(kLevel), "-compress LZW");
  // Garbage over the middle of the compressed strips: decoding stops part way.
  for (size_t i = damaged.size() / 3; i < damaged.size() / 2; ++i) damaged[i] = '\xA5';
  AdvisorRun run;
  run.AddFrame(DrawGameScreen(kLevel));
  run.AddFrameBytes(damaged);
  run.AddFrameBytes(ForgedTiff(70000, 70000, 64));  // later frames are never sized
  run.AddFrameBytes(ForgedTiff(640, 480, 1000));    // far fewer bytes than it claims
  run.AddFrame(DrawGameScreen(kLevel));
  const ProcessResult result = run.Run(SharedTestDisplay(), 30);
  ExpectCleanEnd(result);
  EXPECT_TRUE(StartsWith(result.out, kFieldReport)) << result.out;
  EXPECT_EQ(run.ConverterCalls(), 6);
}

TEST(HostileSurroundings, NoConverterAndNoFrameEndsWithTheOpenError) {
  AdvisorRun run;
  TempDir emptyBin;
  const ProcessResult result = run.Run(SharedTestDisplay(), 20, {{"PATH", emptyBin.path()}});
  ExpectCleanEnd(result);
  EXPECT_EQ(result.out, "");
}

TEST(HostileSurroundings, UnwritableWorkingDirectory) {
  AdvisorRun run;
  run.AddFrame(DrawGameScreen(kLevel));
  run.OpenToEveryone();
  // As root the permission bits would not stop a write, so the advisor runs
  // as an unprivileged user there.
  chmod(run.workDir().c_str(), 0555);
  const ProcessResult result = run.Run(SharedTestDisplay(), 20, {}, /*unprivileged=*/true);
  if (result.exitStatus == 126 || result.exitStatus == 127) {
    GTEST_SKIP() << "the binary is not reachable by an unprivileged user here";
  }
  // Neither the capture nor the converter can write; no "x.tif" ever appears.
  ExpectCleanEnd(result);
  EXPECT_EQ(result.out, "");
  EXPECT_FALSE(FileExists(run.workDir() + "/x.bmp"));
}

}  // namespace
