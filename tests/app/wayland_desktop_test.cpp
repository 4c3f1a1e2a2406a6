// The whole advisor on a headless GNOME desktop, as on a Wayland session: the
// simulated game is an X11 client of the desktop's rootless Xwayland, and the
// screen comes through the real portal frontend and a PipeWire stream of the
// real compositor. Only the share dialog is the tests' own (share-dialog).
// The bitmap test also holds sway's screen copy (sway_desktop_test.cpp has
// the rest of sway) to the same X server's file.
#include <gtest/gtest.h>
#include <signal.h>

#include <map>
#include <memory>
#include <regex>
#include <string>
#include <vector>

#include "support/advisor_run.h"
#include "support/desktop_advisor.h"
#include "support/desktop_session.h"
#include "support/subprocess.h"
#include "support/temp_dir.h"
#include "support/xvfb_server.h"

namespace {

TEST(WaylandDesktop, PlaysAlongWithTheSimulatorThroughThePortal) {
  DesktopSession desktop(DesktopKind::kGnome);
  TempDir dir;
  const std::string log = dir.File("states.log");
  // The portal's set-up takes a moment more than an X connection: the hold
  // keeps the first picture still for it, so the field is found once.
  BackgroundProcess sim(
      {ScreenSimBinary(), "--hold", "3", "--rate", "3", "--seed", "5", "--log", log}, dir.path(),
      desktop.env());
  ASSERT_TRUE(WaitForContent(log, 10)) << "the simulator drew nothing";

  AdvisorBeside advisor(dir, desktop);
  EXPECT_TRUE(advisor.FollowThenStop(log)) << "the advisor ended early: " << advisor.Errors();
  EXPECT_EQ(sim.Stop(), 0);
  ExpectPlayedAlong(advisor, log);
}

// The top-left quarter of a 640 x 480 bitmap file drawn twice as large, as a
// desktop at output scale 2 shows an X client that knows no scale.
std::string PixelDoubled(const std::string& bmp) {
  const size_t pixels = static_cast<unsigned char>(bmp[10]) |
                        static_cast<size_t>(static_cast<unsigned char>(bmp[11])) << 8;
  std::string doubled = bmp;
  // Rows are stored bottom row first, 2560 bytes each.
  for (int y = 0; y < 480; ++y) {
    for (int x = 0; x < 640; ++x) {
      doubled.replace(pixels + (479 - y) * 2560 + x * 4, 4, bmp,
                      pixels + (479 - y / 2) * 2560 + (x / 2) * 4, 4);
    }
  }
  return doubled;
}

// The same still game drawn on an X server and on a desktop gives the same
// file, byte for byte: the portal stream's, or the screen copy's, pixels,
// format and crop reach x.bmp as the X server's do. At output scale 2 sway
// copies the output's own pixels, the game's corner pixel-doubled, in which
// the advisor finds the field twice as large.
TEST(WaylandDesktop, WritesTheSameBitmapAsAnXServerShowingTheSameScreen) {
  const std::vector<std::string> still = {"--hold", "60", "--steps", "0", "--seed", "7"};
  auto captureOn = [&still](const std::map<std::string, std::string>& env, std::string* out) {
    TempDir dir;
    std::vector<std::string> argv = {ScreenSimBinary(), "--log", dir.File("states.log")};
    argv.insert(argv.end(), still.begin(), still.end());
    BackgroundProcess sim(argv, dir.path(), env);
    EXPECT_TRUE(WaitForContent(dir.File("states.log"), 10));
    // Its first field report follows the capture of the still game into
    // x.bmp, however long the desktop took to grant and stream it.
    {
      BackgroundProcess advisor({AdvisorBinary()}, dir.path(), env, dir.File("out.txt"));
      EXPECT_TRUE(WaitForText(dir.File("out.txt"), "with width", 60)) << "no field reported";
    }
    if (out != nullptr) *out = ReadFile(dir.File("out.txt"));
    return ReadFile(dir.File("x.bmp"));
  };
  XvfbServer screen(640, 480, 24);
  const std::string onX = captureOn({{"DISPLAY", screen.display()}}, nullptr);
  ASSERT_EQ(onX.size(), 1228858u);
  {
    DesktopSession desktop(DesktopKind::kGnome);
    EXPECT_TRUE(captureOn(desktop.env(), nullptr) == onX) << "GNOME's x.bmp differs from X's";
  }
  DesktopSession sway(DesktopKind::kSwayNoPortal);
  EXPECT_TRUE(captureOn(sway.env(), nullptr) == onX) << "sway's x.bmp differs from X's";
  const ProcessResult scaled =
      RunProcess({"swaymsg", "output", "HEADLESS-1", "scale", "2"}, sway.workDir(), sway.env(), 10);
  ASSERT_EQ(scaled.exitStatus, 0) << scaled.err;
  std::string out;
  EXPECT_TRUE(captureOn(sway.env(), &out) == PixelDoubled(onX))
      << "sway's x.bmp at scale 2 is not X's corner doubled";
  EXPECT_EQ(out.rfind("Found field at: \n400,80\nwith width 192 \n", 0), 0u) << out.substr(0, 80);
}

TEST(WaylandDesktop, RefusedSharingEndsWithOneLine) {
  const struct {
    const char* answer;
    const char* saying;
  } cases[] = {{"refuse", "not allowed"}, {"close", "refused"}};
  DesktopSession desktop(DesktopKind::kGnome);
  for (const auto& c : cases) {
    desktop.SetAnswer(c.answer);
    TempDir dir;
    const ProcessResult run = RunProcess({AdvisorBinary()}, dir.path(), desktop.env(), 20);
    EXPECT_EQ(run.exitStatus, 2) << c.answer;
    EXPECT_EQ(run.out, "");
    ExpectOneErrorLine(ErrorAfterWaiting(run.err), c.saying);
  }
}

// Ctrl-C reaches the whole foreground group, whether the desktop's dialog is
// still open or the advisor is running: the sender waits for the advisor's
// line that says which. An asynchronous list ignores SIGINT in a script, so
// the sender outlives its own signal.
TEST(WaylandDesktop, InterruptEndsItWhileAskingAndWhileRunning) {
  DesktopSession desktop(DesktopKind::kGnome);
  for (const char* answer : {"wait", "grant"}) {
    desktop.SetAnswer(answer);
    TempDir dir;
    // Once running, it finds no game on the desktop.
    const std::string expected =
        kWaiting + std::string(answer == std::string("grant") ? kWaitingForGame : "");
    const std::string lastLine = expected.substr(expected.rfind('\n', expected.size() - 2) + 1);
    const ProcessResult run = RunProcess(
        {"/bin/sh", "-c",
         "(until grep -qxF \"$1\" err.txt 2>/dev/null; do sleep 0.1; done; kill -INT 0) &"
         " exec \"$0\" 2>err.txt",
         AdvisorBinary(), lastLine.substr(0, lastLine.size() - 1)},
        dir.path(), desktop.env(), 60);
    EXPECT_FALSE(run.timedOut) << answer;
    EXPECT_EQ(run.signal, SIGINT) << answer;
    EXPECT_EQ(ReadFile(dir.File("err.txt")), expected) << answer;
  }
}

// A compositor with neither a screen copy nor a portal (mutter without its
// portal): one line, and never the silent black screen that reading
// Xwayland's root window gives.
TEST(WaylandDesktop, NoPortalEndsWithOneLineNamingIt) {
  DesktopSession desktop(DesktopKind::kGnomeNoPortal);
  TempDir dir;
  const ProcessResult run = RunProcess({AdvisorBinary()}, dir.path(), desktop.env(), 20);
  EXPECT_EQ(run.exitStatus, 2);
  EXPECT_EQ(run.out, "");
  ExpectOneErrorLine(run.err, "no desktop portal");
  EXPECT_NE(run.err.find("rootless Xwayland"), std::string::npos) << run.err;
  EXPECT_FALSE(FileExists(dir.File("x.bmp")));
}

TEST(WaylandDesktop, CompositorGoingAwayEndsItWithOneLine) {
  DesktopSession desktop(DesktopKind::kGnome);
  TempDir dir;
  AdvisorBeside advisor(dir, desktop);
  // It runs on a desktop that shows no game.
  ASSERT_TRUE(advisor.WaitForError(kWaitingForGame, 60)) << "never ran: " << advisor.Errors();
  desktop.KillCompositor();
  EXPECT_EQ(advisor.ExitStatusWithin(20), 2);
  const std::string afterWaiting = ErrorAfterWaiting(advisor.Errors());
  EXPECT_TRUE(StartsWith(afterWaiting, kWaitingForGame)) << advisor.Errors();
  ExpectOneErrorLine(afterWaiting.substr(std::string(kWaitingForGame).size()),
                     "screen sharing ended");
}

// GNOME's own portal backend in place of share-dialog, its real dialog
// answered by what it shows, run after run on one desktop: the share allowed
// once is remembered and the next start shows no dialog; a token file spoilt
// by hand costs one dialog and no error; a share the user chose not to have
// remembered leaves no token behind.
TEST(WaylandDesktop, GnomesOwnDialogIsAnsweredOnce) {
  enum class Dialog { kNone, kRemember, kForget };
  const struct {
    const char* name;
    const char* tokenFile;  // written first; null leaves it as the run before left it
    Dialog dialog;          // kNone: the desktop must grant with no dialog
    bool remembered;        // a token is kept afterwards
  } runs[] = {
      {"first start", nullptr, Dialog::kRemember, true},
      {"second start", nullptr, Dialog::kNone, true},
      {"spoilt token", "not a token\n", Dialog::kRemember, true},
      {"unticked box", "not a token\n", Dialog::kForget, false},
  };
  DesktopSession desktop(DesktopKind::kGnomeRealDialog);
  const std::string tokenPath = desktop.env().at("XDG_STATE_HOME") + "/bottlewatch/restore-token";
  for (const auto& run : runs) {
    SCOPED_TRACE(run.name);
    TempDir dir;
    const std::string log = dir.File("states.log");
    // A hold long enough for the dialog: the field is found in the first,
    // still picture.
    BackgroundProcess sim(
        {ScreenSimBinary(), "--hold", "4", "--rate", "3", "--seed", "5", "--log", log}, dir.path(),
        desktop.env());
    ASSERT_TRUE(WaitForContent(log, 10)) << "the simulator drew nothing";
    std::string errors = kWaiting;
    if (run.tokenFile != nullptr) {
      WriteFile(tokenPath, run.tokenFile);
      errors = "bottlewatch: " + tokenPath +
               " holds no restore token; asking the desktop afresh\n" + errors;
    }

    AdvisorBeside advisor(dir, desktop);
    if (run.dialog != Dialog::kNone) {
      ASSERT_TRUE(advisor.WaitForAsking()) << "the advisor never asked";
      // A dialog that cannot be answered is the desktop's failure, not the
      // advisor's: the test stops here, naming what was missing.
      const std::string missing =
          desktop.AnswerGnomeShareDialog(run.dialog == Dialog::kRemember, 30);
      ASSERT_EQ(missing, "") << "GNOME's dialog: " << missing << "; see "
                             << desktop.LogPath("gnome-portal");
    }
    EXPECT_TRUE(advisor.FollowThenStop(log)) << "the advisor ended: " << advisor.Errors();
    EXPECT_EQ(sim.Stop(), 0);
    ExpectPlayedAlong(advisor, log, errors);
    if (run.remembered) {
      EXPECT_TRUE(std::regex_match(ReadFile(tokenPath), std::regex("[0-9a-f-]{36}\n")))
          << ReadFile(tokenPath);
    } else {
      EXPECT_FALSE(FileExists(tokenPath));
    }
  }
}

// The user picks the game's window: the advisor reads that window's top-left
// 640 x 480 wherever it sits. On the screen the bottle is at 300,120; in the
// window, as reported, at 200,40.
TEST(WaylandDesktop, ReadsThePickedWindowAwayFromTheScreensCorner) {
  DesktopSession desktop(DesktopKind::kGnomeLargeMonitor);
  desktop.SetAnswer("grant-window");
  TempDir dir;
  const std::string log = dir.File("states.log");
  BackgroundProcess sim({ScreenSimBinary(), "--window", "100,80", "--hold", "4", "--rate", "3",
                         "--seed", "5", "--log", log},
                        dir.path(), desktop.env());
  ASSERT_TRUE(WaitForContent(log, 10)) << "the simulator drew nothing";

  AdvisorBeside advisor(dir, desktop);
  EXPECT_TRUE(advisor.FollowThenStop(log)) << "the advisor ended: " << advisor.Errors();
  EXPECT_EQ(sim.Stop(), 0);
  ExpectPlayedAlong(advisor, log);
}

// A 1920 x 1080 monitor shared whole, the game at 3x in its middle; and a
// game's window shared, at 3x and at 4.5x, whose drawing (640 x 720) is
// taller than 480 rows: each is searched whole and read in its own pixels.
TEST(WaylandDesktop, ReadsALargeGameAnywhereOnTheSharedMonitorOrWindow) {
  const struct {
    const char* name;
    const char* answer;  // the stand-in dialog's
    std::vector<std::string> simOptions;
    int left, top, width;  // the bottle in the shared picture
  } cases[] = {
      {"monitor, 3x in the middle",
       "grant",
       {"--side", "24", "--left", "864", "--top", "300"},
       864,
       300,
       192},
      {"window, 3x", "grant-window", {"--side", "24", "--window", "500,200"}, 200, 48, 192},
      {"window, 4.5x", "grant-window", {"--side", "36", "--window", "500,150"}, 200, 72, 288},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    DesktopSession desktop(DesktopKind::kGnomeFullHdMonitor);
    desktop.SetAnswer(c.answer);
    TempDir dir;
    const std::string log = dir.File("states.log");
    std::vector<std::string> sim = {ScreenSimBinary(), "--hold", "4",     "--rate", "3",
                                    "--seed",          "5",      "--log", log};
    sim.insert(sim.end(), c.simOptions.begin(), c.simOptions.end());
    BackgroundProcess game(sim, dir.path(), desktop.env());
    ASSERT_TRUE(WaitForContent(log, 10)) << "the simulator drew nothing";

    AdvisorBeside advisor(dir, desktop);
    EXPECT_TRUE(advisor.FollowThenStop(log)) << "the advisor ended: " << advisor.Errors();
    EXPECT_EQ(game.Stop(), 0);
    ExpectPlayedAlong(advisor, log, kWaiting, FieldReportAt(c.left, c.top, c.width));
  }
}

}  // namespace
