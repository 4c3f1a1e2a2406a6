// The real advisor binary: its arguments, start-up, the frame cycle's
// reloading, and the two fatal conditions, driven through the frame feeder on
// a private screen.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <thread>
#include <vector>

#include "support/advisor_run.h"
#include "support/xvfb_server.h"

namespace {

constexpr char kOpenError[] = "Error:  Could not open input file!\n";
constexpr char kAllocationError[] = "Error:  Could not allocate memory!\n";

std::string display() {
  return SharedTestDisplay();
}

// An argument that only prints, or that is refused, starts nothing: no
// capture, no converter, no x.bmp, whatever the screen and PATH hold.
TEST(AdvisorBinary, ArgumentsThatOnlyPrintOrRefuseStartNothing) {
  const struct {
    std::vector<std::string> arguments;
    int status;
    std::string out;  // for --help, its first line only
    std::string err;
  } cases[] = {
      {{"--version"}, 0, "bottlewatch " BOTTLEWATCH_VERSION "\n", ""},
      {{"--help"}, 0, "usage: bottlewatch [--help | --version]\n", ""},
      {{"--watch", "--help"},
       2,
       "",
       "bottlewatch: unknown argument \"--watch\"; try bottlewatch --help\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.arguments[0]);
    AdvisorRun run;
    std::vector<std::string> argv = {AdvisorBinary()};
    argv.insert(argv.end(), c.arguments.begin(), c.arguments.end());
    const ProcessResult result = RunProcess(argv, run.workDir(), run.Environment(display()), 20);
    EXPECT_EQ(result.exitStatus, c.status) << result.err;
    EXPECT_EQ(result.out.substr(0, c.out.empty() ? std::string::npos : c.out.size()), c.out);
    EXPECT_EQ(result.err, c.err);
    EXPECT_EQ(run.ConverterCalls(), 0);
    EXPECT_FALSE(FileExists(run.workDir() + "/x.bmp"));
  }
}

TEST(AdvisorBinary, NoFrameAtStartUpPrintsOnlyTheErrorLine) {
  AdvisorRun run;
  const ProcessResult result = run.Run(display(), 20);
  EXPECT_EQ(result.exitStatus, 1);
  EXPECT_EQ(result.out, "");
  // libtiff's own report comes first, through its default handler.
  EXPECT_NE(result.err.find("x.tif"), std::string::npos) << result.err;
  EXPECT_TRUE(EndsWith(result.err, kOpenError)) << result.err;
  EXPECT_EQ(run.ConverterCalls(), 1);
}

TEST(AdvisorBinary, ForgedHugeFirstFrameIsAnAllocationFailure) {
  AdvisorRun run;
  run.AddFrameBytes(ForgedTiff(70000, 70000, 64));
  const ProcessResult result = run.Run(display(), 20);
  EXPECT_EQ(result.exitStatus, 1);
  EXPECT_EQ(result.signal, 0);
  EXPECT_EQ(result.out, "");
  EXPECT_TRUE(EndsWith(result.err, kAllocationError)) << result.err;
}

TEST(AdvisorBinary, ReloadsAFrameEveryPassUntilTheyRunOut) {
  AdvisorRun run;
  constexpr int kFrames = 6;
  for (int i = 0; i < kFrames; ++i) run.AddFrame(SolidPicture(640, 480, Rgb(200, 200, 200)));
  const ProcessResult result = run.Run(display(), 30);
  EXPECT_EQ(result.exitStatus, 1);
  EXPECT_TRUE(EndsWith(result.err, kOpenError)) << result.err;
  // One load at start-up, one at the end of every pass, and the one that failed.
  EXPECT_EQ(run.ConverterCalls(), kFrames + 1);
  EXPECT_EQ(result.out.rfind("Found field at: \n", 0), 0u) << result.out;
}

TEST(AdvisorBinary, WithoutAConverterAStaleFrameIsAnalysedAgain) {
  AdvisorRun run;
  WriteRgbTiff(run.workDir() + "/x.tif", SolidPicture(640, 480, Rgb(200, 200, 200)));
  // No folder on PATH holds a converter. That is said once, not on every pass,
  // where it would scroll the board off the terminal.
  TempDir emptyBin;
  const std::string out = emptyBin.File("out.txt");
  const std::string err = emptyBin.File("err.txt");
  BackgroundProcess advisor({"/bin/sh", "-c", "exec \"$0\" 2>\"$1\"", AdvisorBinary(), err},
                            run.workDir(), {{"DISPLAY", display()}, {"PATH", emptyBin.path()}},
                            out);
  // The stale frame shows no game. Once it has said so, it has more passes
  // in which to say the converter's absence again, if it would.
  EXPECT_TRUE(WaitForText(err, kWaitingForGame, 60)) << ReadFile(err);
  std::this_thread::sleep_for(std::chrono::milliseconds(1500));
  EXPECT_FALSE(advisor.HasEnded()) << "ended early: " << ReadFile(err);
  advisor.Stop();
  EXPECT_EQ(ReadFile(err), "bottlewatch: cannot run convert: No such file or directory\n" +
                               std::string(kWaitingForGame));
  EXPECT_EQ(ReadFile(out).rfind("Found field at: \n", 0), 0u) << ReadFile(out);
  EXPECT_EQ(run.ConverterCalls(), 0);
  EXPECT_TRUE(FileExists(run.workDir() + "/x.tif"));
}

TEST(AdvisorBinary, RedirectedOutputHoldsNoTerminalControls) {
  AdvisorRun run;
  for (int i = 0; i < 3; ++i) run.AddFrame(SolidPicture(64, 48, Rgb(0, 0, 0)));
  const ProcessResult result = run.Run(display(), 20);
  EXPECT_EQ(result.exitStatus, 1);
  EXPECT_EQ(result.out.find('\x1b'), std::string::npos);
}

// Every frame is rewritten in the current folder, which a player's disk feels;
// the advisor says so once at start, and not in a folder kept in memory.
TEST(AdvisorBinary, SaysOnceWhenItsFolderIsOnADisk) {
  const std::string notice = "bottlewatch: the current folder is on a disk:";
  const struct {
    const char* name;
    std::string base;
    int notices;
  } cases[] = {
      {"/dev/shm", "/dev/shm", 0},
      {"the build tree", std::filesystem::path(AdvisorBinary()).parent_path().string(), 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    if (InMemoryFolder(c.base) == (c.notices > 0)) {
      GTEST_SKIP() << c.base << " is not on the kind of file system this row needs";
    }
    TempDir folder(c.base);
    TempDir emptyBin;
    // No converter and no frame: the run ends at its first load.
    const ProcessResult result = RunProcess(
        {AdvisorBinary()}, folder.path(), {{"DISPLAY", display()}, {"PATH", emptyBin.path()}}, 20);
    EXPECT_EQ(result.exitStatus, 1) << result.err;
    int notices = 0;
    for (size_t at = result.err.find(notice); at != std::string::npos;
         at = result.err.find(notice, at + 1)) {
      ++notices;
    }
    EXPECT_EQ(notices, c.notices) << result.err;
    EXPECT_EQ(result.err.find(notice) == 0, c.notices > 0) << "said first";
  }
}

// A terminal's Ctrl-C goes to the whole foreground group, and lands while the
// advisor waits for its converter, which is most of every frame. The advisor
// must end by that signal too, not carry on nor report the killed converter's
// missing frame.
TEST(AdvisorBinary, InterruptWhileConvertingEndsItByTheSameSignal) {
  AdvisorRun run;
  TempDir bin;
  // A slow converter; a moment in, the group is interrupted. An asynchronous
  // list ignores SIGINT in a script, so the sender outlives its own signal.
  WriteFile(bin.File("convert"), "#!/bin/sh\n(sleep 0.5; kill -INT 0) &\nexec sleep 30\n");
  chmod(bin.File("convert").c_str(), 0755);
  const ProcessResult result = run.Run(display(), 10, {{"PATH", bin.path() + ":/usr/bin:/bin"}});
  EXPECT_FALSE(result.timedOut);
  EXPECT_EQ(result.signal, SIGINT);
  EXPECT_EQ(result.err, "");
  EXPECT_EQ(result.out, "");
  EXPECT_TRUE(FileExists(run.workDir() + "/x.bmp"));
}

}  // namespace
