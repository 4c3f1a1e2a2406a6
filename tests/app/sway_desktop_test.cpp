// The whole advisor on a headless sway desktop (scripts/headless-sway): the
// simulated game on sway's rootless Xwayland, the screen through sway's own
// screen copy, with nothing on the session bus and no portal.
#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <string>
#include <thread>

#include "support/advisor_run.h"
#include "support/desktop_advisor.h"
#include "support/desktop_session.h"
#include "support/subprocess.h"
#include "support/temp_dir.h"

namespace {

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
