// A private virtual X server for the tests that need a screen. Tests never
// use the developer's own DISPLAY.
#ifndef BOTTLEWATCH_TESTS_SUPPORT_XVFB_SERVER_H_
#define BOTTLEWATCH_TESTS_SUPPORT_XVFB_SERVER_H_

#include <sys/types.h>

#include <string>
#include <vector>

class XvfbServer {
 public:
  // Starts Xvfb with one screen of width x height at depth, on a free display
  // number (-displayfd) and with -noreset, so the screen keeps what was drawn
  // when the last client disconnects. extraArguments go to Xvfb as they are
  // (e.g. "-extension", "MIT-SHM" to run without shared memory). Throws when
  // Xvfb cannot be started.
  XvfbServer(int width, int height, int depth, const std::vector<std::string>& extraArguments = {});
  ~XvfbServer();
  XvfbServer(const XvfbServer&) = delete;
  XvfbServer& operator=(const XvfbServer&) = delete;

  // ":N", for DISPLAY.
  const std::string& display() const { return display_; }

 private:
  pid_t pid_ = -1;
  std::string display_;
};

// A 640 x 480 x 24 screen shared by every test of this process, started on
// first use and stopped at exit. For tests that need some display to run the
// advisor but do not look at what it shows.
const std::string& SharedTestDisplay();

#endif  // BOTTLEWATCH_TESTS_SUPPORT_XVFB_SERVER_H_
