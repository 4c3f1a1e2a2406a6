// The whole advisor on a headless KDE Plasma desktop: KWin, its Xwayland,
// PipeWire, the real portal frontend and KDE's own backend, whose dialog is
// answered by mouse as a person would. The game is screen-sim's ordinary
// window at 100,80: KWin streams windows, not its virtual screen. Run by
// `make test-kde`, not by ctest (see tests/app/CMakeLists.txt).
#include <gtest/gtest.h>

#include <string>

#include "support/advisor_run.h"
#include "support/desktop_advisor.h"
#include "support/desktop_session.h"
#include "support/subprocess.h"
#include "support/temp_dir.h"

namespace {

// The game's window picked in KDE's dialog: the request, the dialog, the
// choice and the stream are KDE's, and the advisor reads the window's
// top-left 640 x 480, where the bottle is at 200,40 (at 300,120 on the screen).
TEST(KdeDesktop, PlaysAlongOnceTheGamesWindowIsSharedInKdesDialog) {
  DesktopSession desktop(DesktopKind::kKdeRealDialog);
  TempDir dir;
  const std::string log = dir.File("states.log");
  // A hold long enough for the dialog: the field is found in the first,
  // still picture.
  BackgroundProcess sim({ScreenSimBinary(), "--window", "100,80", "--hold", "8", "--rate", "3",
                         "--seed", "5", "--log", log},
                        dir.path(), desktop.env());
  ASSERT_TRUE(WaitForContent(log, 10)) << "the simulator drew nothing";

  AdvisorBeside advisor(dir, desktop);
  ASSERT_TRUE(advisor.WaitForAsking()) << "the advisor never asked";
  ASSERT_TRUE(desktop.AnswerKdeShareDialog(KdeDialogAnswer::kShareFirstWindow, 30))
      << "KDE's dialog did not show, or stayed open after Share; see " << desktop.LogPath("kwin")
      << " and " << desktop.LogPath("kde-portal");
  EXPECT_TRUE(advisor.FollowThenStop(log)) << "the advisor ended: " << advisor.Errors();
  EXPECT_EQ(sim.Stop(), 0);
  ExpectPlayedAlong(advisor, log);
}

TEST(KdeDesktop, CancelInKdesDialogEndsWithOneLine) {
  DesktopSession desktop(DesktopKind::kKdeRealDialog);
  TempDir dir;
  AdvisorBeside advisor(dir, desktop);
  ASSERT_TRUE(advisor.WaitForAsking()) << "the advisor never asked";
  ASSERT_TRUE(desktop.AnswerKdeShareDialog(KdeDialogAnswer::kCancel, 30))
      << "KDE's dialog did not show, or stayed open after Cancel; see " << desktop.LogPath("kwin");
  EXPECT_EQ(advisor.ExitStatusWithin(10), 2);
  EXPECT_EQ(advisor.Output(), "");
  ExpectOneErrorLine(ErrorAfterWaiting(advisor.Errors()), "not allowed");
}

}  // namespace
