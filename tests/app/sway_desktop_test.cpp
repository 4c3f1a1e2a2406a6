// The whole advisor on a headless sway desktop (scripts/headless-sway): the
// simulated game on sway's rootless Xwayland, the screen through sway's own
// screen copy, with nothing on the session bus and no portal.
#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <iostream>
#include <string>
#include <thread>
#include <vector>

#include "support/advisor_run.h"
#include "support/desktop_advisor.h"
#include "support/desktop_session.h"
#include "support/subprocess.h"
#include "support/temp_dir.h"

namespace {

const char kWaitingAnywhere[] =
    "bottlewatch: no bottle yet; show the whole game anywhere on the screen\n";

// Runs each swaymsg command, then waits until sway's Xwayland has the screen
// size the layout gives (the game is placed on it by X coordinates).
void LayOutSway(const DesktopSession& desktop, const std::vector<std::string>& commands,
                const std::string& xScreen) {
  for (const std::string& command : commands) {
    const ProcessResult run =
        RunProcess({"/bin/sh", "-c", "swaymsg " + command}, desktop.workDir(), desktop.env(), 30);
    ASSERT_EQ(run.exitStatus, 0) << command << ": " << run.out << run.err;
  }
  const bool sized = PollUntil(
      [&] {
        return RunProcess({"xdpyinfo"}, desktop.workDir(), desktop.env(), 30)
                   .out.find("dimensions:    " + xScreen + " pixels") != std::string::npos;
      },
      30);
  ASSERT_TRUE(sized) << "Xwayland's screen never became " << xScreen;
}

// These desktops show no game, so an advisor that has read its first frame
// has said that it waits for one before anything else.
std::string AfterWaitingForTheGame(const std::string& err) {
  const std::string waiting = kWaitingForGame;
  return err.compare(0, waiting.size(), waiting) == 0 ? err.substr(waiting.size()) : err;
}

TEST(SwayDesktop, PlaysAlongThroughTheScreenCopy) {
  DesktopSession desktop(DesktopKind::kSwayNoPortal);
  TempDir dir;
  const std::string log = dir.File("states.log");
  BackgroundProcess sim(
      {ScreenSimBinary(), "--hold", "2", "--rate", "3", "--seed", "5", "--log", log}, dir.path(),
      desktop.env());
  ASSERT_TRUE(WaitForContent(log, 10)) << "the simulator drew nothing";

  AdvisorBeside advisor(dir, desktop);
  EXPECT_TRUE(advisor.FollowThenStop(log)) << "the advisor ended early: " << advisor.Errors();
  EXPECT_EQ(sim.Stop(), 0);
  // No dialog, so no waiting line: nothing at all on the error stream.
  ExpectPlayedAlong(advisor, log, "");
}

// A game at 3x that starts on sway's second output while the first stays
// still is found there (the first output's copy alone would never wake the
// advisor), read in that output's own pixels and said to be there; moved
// onto the first output's corner, it is read there. The second output lies
// right of the first at 640,0.
TEST(SwayDesktop, FindsTheGameOnEitherOutputAndFollowsItAcross) {
  DesktopSession desktop(DesktopKind::kSwayNoPortal);
  LayOutSway(desktop, {"create_output", "output HEADLESS-2 mode 1280x720 position 640 0"},
             "1920x720");
  TempDir dir;
  AdvisorBeside advisor(dir, desktop);
  ASSERT_TRUE(advisor.WaitForError(kWaitingAnywhere, 60)) << advisor.Errors();
  const std::string log = dir.File("states.log");
  BackgroundProcess sim(
      {ScreenSimBinary(), "--side", "24", "--left", "900", "--top", "100", "--move", "0,0",
       "--hold", "2", "--rate", "3", "--seed", "5", "--log", log},
      dir.path(), desktop.env());
  ASSERT_TRUE(WaitForContent(log, 10)) << "the simulator drew nothing";
  ASSERT_TRUE(advisor.FollowsAt(FieldReportAt(900, 100, 192), log, 120))
      << advisor.Output().substr(0, 300) << advisor.Errors();
  EXPECT_EQ(advisor.Errors(),
            std::string(kWaitingAnywhere) + "bottlewatch: the game shows on output HEADLESS-2\n");
  // Its window moved to the first output: the bottle 200 right and 48 down
  // within its 640 x 480 drawing, whole in the corner.
  const auto moved = std::chrono::steady_clock::now();
  kill(sim.pid(), SIGUSR1);
  const bool reported = PollUntil(
      [&] { return advisor.Output().find(FieldReportAt(200, 48, 192)) != std::string::npos; }, 120);
  const std::chrono::duration<double> took = std::chrono::steady_clock::now() - moved;
  std::cout << "from the move to the new report: " << took.count() << " s\n";
  EXPECT_TRUE(reported) << advisor.Errors();
  EXPECT_TRUE(advisor.FollowThenStop(log)) << "the advisor ended early: " << advisor.Errors();
  EXPECT_EQ(sim.Stop(), 0);
  ExpectPlayedAlong(advisor, log, advisor.Errors(), FieldReportAt(200, 48, 192));
}

// At output scale 2 a 3x game shows at 6x in the output's pixels, and is read
// and reported there: on the X screen its bottle is at 300,100, 192 wide. At
// 1.5 sway scales it smoothly to 4.5x, on whole pixels here.
TEST(SwayDesktop, ReadsA3xGameAtAnyOutputScaleInTheOutputsPixels) {
  const struct {
    const char* scale;
    const char* xScreen;
    int left, top, width;  // the bottle in the output's pixels
  } cases[] = {
      {"2", "960x540", 600, 200, 384},
      {"1.5", "1280x720", 450, 150, 288},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string("scale ") + c.scale);
    DesktopSession desktop(DesktopKind::kSwayNoPortal);
    LayOutSway(desktop, {std::string("output HEADLESS-1 mode 1920x1080 scale ") + c.scale},
               c.xScreen);
    TempDir dir;
    const std::string log = dir.File("states.log");
    BackgroundProcess sim({ScreenSimBinary(), "--side", "24", "--left", "300", "--top", "100",
                           "--hold", "2", "--rate", "3", "--seed", "5", "--log", log},
                          dir.path(), desktop.env());
    ASSERT_TRUE(WaitForContent(log, 10)) << "the simulator drew nothing";

    AdvisorBeside advisor(dir, desktop);
    EXPECT_TRUE(advisor.FollowThenStop(log)) << "the advisor ended early: " << advisor.Errors();
    EXPECT_EQ(sim.Stop(), 0);
    ExpectPlayedAlong(advisor, log, "", FieldReportAt(c.left, c.top, c.width));
  }
}

// A compositor that stops answering, or goes, while the advisor runs: one line
// naming the screen copy and status 2, never a hang.
// Ctrl-C while it waits on a silent compositor ends it at once.
TEST(SwayDesktop, ACompositorThatFallsSilentOrGoesEndsItWithOneLine) {
  DesktopSession desktop(DesktopKind::kSwayNoPortal);
  const int sway = desktop.Pid("sway");
  ASSERT_GT(sway, 0);
  {
    SCOPED_TRACE("interrupted while sway is silent");
    TempDir dir;
    // Ctrl-C comes a second after sway stopped, whenever that was.
    std::thread stopper([sway, &dir] {
      std::this_thread::sleep_for(std::chrono::seconds(1));
      kill(sway, SIGSTOP);
      WriteFile(dir.File("sway-stopped"), "");
    });
    const ProcessResult run = RunProcess(
        {"/bin/sh", "-c",
         std::string(
             "(until [ -e sway-stopped ]; do sleep 0.1; done; sleep 1; kill -INT 0) & exec ") +
             AdvisorBinary()},
        dir.path(), desktop.env(), 60);
    stopper.join();
    kill(sway, SIGCONT);
    EXPECT_FALSE(run.timedOut);
    EXPECT_EQ(run.signal, SIGINT);
    // It may be stopped before or after its first frame.
    EXPECT_EQ(AfterWaitingForTheGame(run.err), "") << run.err;
  }
  const struct {
    const char* name;
    int signal;
    const char* saying;
  } cases[] = {
      {"silent", SIGSTOP, "screen copy ended (the compositor did not answer within 5 seconds)"},
      {"killed", SIGKILL, "screen copy ended (the compositor went away)"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    AdvisorBeside advisor(dir, desktop);
    ASSERT_TRUE(WaitForContent(dir.File("out.txt"), 60)) << "no capture: " << advisor.Errors();
    kill(sway, c.signal);
    // Its own bound on the copy says when a silent compositor counts as
    // gone; the test waits for its end, and only a hang outlasts a minute.
    EXPECT_EQ(advisor.ExitStatusWithin(60), 2);
    EXPECT_EQ(advisor.Output().find("Error"), std::string::npos);
    const std::string err = advisor.Errors();
    EXPECT_NE(AfterWaitingForTheGame(err), err);
    ExpectOneErrorLine(AfterWaitingForTheGame(err), c.saying);
    if (c.signal == SIGSTOP) kill(sway, SIGCONT);
  }
}

}  // namespace
