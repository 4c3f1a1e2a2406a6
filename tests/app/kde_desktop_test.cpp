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
// The dialog's "Allow restoring" box is left ticked, so a second start, with
// nobody to click, is granted the same window by KDE itself. KDE restores
// that window only while it is open (a new game window gets the dialog), so
// the second start joins the same game in its middle.
TEST(KdeDesktop, TheGamesWindowSharedInKdesDialogIsRemembered) {
  DesktopSession desktop(DesktopKind::kKdeRealDialog);
  const std::string tokenPath = desktop.env().at("XDG_STATE_HOME") + "/bottlewatch/restore-token";
  TempDir dir;
  const std::string log = dir.File("states.log");
  // A hold long enough for the dialog: the field is found in the first,
  // still picture.
  BackgroundProcess sim({ScreenSimBinary(), "--window", "100,80", "--hold", "8", "--rate", "3",
                         "--seed", "5", "--log", log},
                        dir.path(), desktop.env());
  ASSERT_TRUE(WaitForContent(log, 10)) << "the simulator drew nothing";
  for (const bool clicked : {true, false}) {
    SCOPED_TRACE(clicked ? "first start, answered" : "second start, no click");
    TempDir runDir;
    AdvisorBeside advisor(runDir, desktop);
    if (clicked) {
      ASSERT_TRUE(advisor.WaitForAsking()) << "the advisor never asked";
      ASSERT_TRUE(desktop.AnswerKdeShareDialog(KdeDialogAnswer::kShareFirstWindow, 30))
          << "KDE's dialog did not show, or stayed open after Share; see "
          << desktop.LogPath("kwin") << " and " << desktop.LogPath("kde-portal");
    }
    EXPECT_TRUE(advisor.FollowThenStop(log)) << "the advisor ended: " << advisor.Errors();
    ExpectPlayedAlong(advisor, log);
    EXPECT_TRUE(FileExists(tokenPath));
  }
  EXPECT_EQ(sim.Stop(), 0);
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
