// bottlewatch: watches the game on the screen's top-left corner and advises
// where the falling vitamin should go. Runs until stopped from outside or until
// a frame cannot be loaded.
#include <cstdlib>
#include <exception>
#include <iostream>

#include "app/frame_cycle.h"

namespace {

// Platform failures during the capture are thrown and caught nowhere; they end
// the process with one readable line instead of an abort and a core dump.
[[noreturn]] void ReportEscapedException() {
  const char* what = "unexpected failure";
  try {
    if (std::exception_ptr escaped = std::current_exception()) std::rethrow_exception(escaped);
  } catch (const std::exception& e) {
    std::cerr << "Error:  " << e.what() << std::endl;
    std::_Exit(2);
  } catch (...) {
  }
  std::cerr << "Error:  " << what << std::endl;
  std::_Exit(2);
}

}  // namespace

int main() {
  std::set_terminate(ReportEscapedException);
  static AdvisorState state;
  StartAdvisor(state);
  for (;;) RunFramePass(state);
}
