// The whole advisor on a private X screen with a dark and with a light desktop
// picture, started before the game as a player would, then the game's window
// moved: it waits without taking the desktop for the bottle, follows the game,
// says once that it lost the bottle when the window moves (on a light desktop
// too, where the old place stays bright all round), and follows it at its new
// place.
#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <sstream>
#include <thread>

#include "support/advisor_output.h"
#include "support/advisor_run.h"
#include "support/desktop_pictures.h"
#include "support/subprocess.h"
#include "support/temp_dir.h"
#include "support/xvfb_server.h"

namespace {

const char kLostBottle[] =
    "bottlewatch: lost the bottle; looking for it again in the screen's top-left 640 x 480\n";

std::string FieldReport(int left, int top) {
  return "Found field at: \n" + std::to_string(left) + "," + std::to_string(top) +
         "\nwith width 96 \n";
}

// The output from its last field report on, when that report is report.
std::string FromLastReport(const std::string& out, const std::string& report) {
  const size_t at = out.rfind("Found field at: \n");
  if (at == std::string::npos || out.compare(at, report.size(), report) != 0) return "";
  return out.substr(at);
}

void FollowTheMovedGame(const std::string& desktop) {
  XvfbServer screen(640, 480, 24);
  const std::map<std::string, std::string> env = {{"DISPLAY", screen.display()}};
  TempDir dir;
  WriteRgbTiff(dir.File("desktop.tif"), DrawDesktop(desktop));
  RunProcess({"display", "-window", "root", dir.File("desktop.tif")}, dir.path(), env, 30);

  BackgroundProcess advisor({"/bin/sh", "-c", "exec \"$0\" 2>err.txt", AdvisorBinary()}, dir.path(),
                            env, dir.File("out.txt"));
  auto out = [&dir] { return ReadFile(dir.File("out.txt")); };
  auto err = [&dir] { return ReadFile(dir.File("err.txt")); };
  // Its first result: the desktop holds no bottle.
  ASSERT_TRUE(PollUntil([&] { return err() == std::string(kWaitingForGame); }, 60)) << err();
  EXPECT_EQ(out(), "Found field at: \n0,0\nwith width 0 \n");

  const std::string log = dir.File("states.log");
  BackgroundProcess sim({ScreenSimBinary(), "--hold", "1", "--rate", "4", "--seed", "5", "--log",
                         log, "--window", "20,30", "--move", "120,90"},
                        dir.path(), env);
  const std::string first = FieldReport(220, 70);
  EXPECT_TRUE(PollUntil([&] { return VitaminLines(FromLastReport(out(), first)) >= 4; }, 60))
      << out();

  kill(sim.pid(), SIGUSR1);
  const std::string moved = FieldReport(320, 130);
  EXPECT_TRUE(PollUntil([&] { return VitaminLines(FromLastReport(out(), moved)) >= 4; }, 60))
      << out();
  advisor.Stop();
  sim.Stop();

  EXPECT_EQ(err(), std::string(kWaitingForGame) + kLostBottle);
  const OutputCheck check =
      CheckAgainstSimLog(FromLastReport(out(), moved), WithoutMoves(ReadFile(log)), true);
  EXPECT_EQ(check.problems, std::vector<std::string>{}) << out() << "\n" << ReadFile(log);
}

TEST(MovedGame, WaitsOnADarkDesktopThenFollowsTheGameWhereverItsWindowGoes) {
  FollowTheMovedGame("icons");
}

TEST(MovedGame, OnALightDesktopGivesUpTheOldPlaceAndFollowsTheGame) {
  FollowTheMovedGame("light window");
}

}  // namespace
