// The screen copy's wait for a change, on a headless sway with the game on its
// Xwayland: a still screen keeps it waiting to its end, a change ends it early,
// and the capture after it reads the copy it holds.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <chrono>
#include <string>

#include "capture/screen/screen_capture.h"
#include "capture/screen/screen_sources.h"
#include "support/advisor_run.h"
#include "support/desktop_session.h"
#include "support/subprocess.h"
#include "support/temp_dir.h"

namespace {

double MillisSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
      .count();
}

TEST(ScreenCopy, WaitsForAChangeAndTheNextCaptureReadsIt) {
  DesktopSession desktop(DesktopKind::kSwayNoPortal);
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "XDG_RUNTIME_DIR"}) {
    setenv(name, desktop.env().at(name).c_str(), 1);
  }
  TempDir dir;
  const std::string log = dir.File("states.log");
  // Still for 3 seconds, then a step a second.
  BackgroundProcess sim({ScreenSimBinary(), "--hold", "3", "--rate", "1", "--log", log}, dir.path(),
                        desktop.env());
  ASSERT_TRUE(WaitForContent(log, 10)) << "the simulator drew nothing";
  const std::string before = dir.File("before.bmp");
  ASSERT_EQ(CaptureScreen(before.c_str()), 1);
  ASSERT_TRUE(ScreenCaptureUsesSharedMemory());

  // Whatever the compositor counted as changed before the first such copy is
  // used up by one wait; the next sees only what happens after it.
  WaitForScreenCopyChange(300);
  ASSERT_EQ(CaptureScreen(before.c_str()), 1);
  auto start = std::chrono::steady_clock::now();
  WaitForScreenCopyChange(300);
  const double stillWait = MillisSince(start);
  const std::string still = dir.File("still.bmp");
  ASSERT_EQ(CaptureScreen(still.c_str()), 1);
  EXPECT_GE(stillWait, 290) << "a still screen ended the wait";
  EXPECT_EQ(ReadFile(still), ReadFile(before));

  start = std::chrono::steady_clock::now();
  WaitForScreenCopyChange(20000);
  const double changeWait = MillisSince(start);
  // The capture reads the copy the wait holds: the game's first step.
  const std::string changed = dir.File("changed.bmp");
  ASSERT_EQ(CaptureScreen(changed.c_str()), 1);
  EXPECT_LT(changeWait, 15000) << "the game's step did not end the wait";
  EXPECT_NE(ReadFile(changed), ReadFile(before));
  CloseScreenCapture();
}

}  // namespace
