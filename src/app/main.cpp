// bottlewatch: watches the game on the screen's top-left corner and advises
// where the falling vitamin should go. Runs until stopped from outside or until
// a frame cannot be loaded; --help and --version only print.
#include <cstdlib>
#include <exception>
#include <iostream>

#include "app/command_line.h"
#include "app/display.h"
#include "app/frame_cycle.h"
#include "app/work_folder.h"

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

// Said once, and no error: the advisor works here all the same.
void SayWhenFramesMayReachADisk() {
  if (CurrentFolderStorage() != FolderStorage::kDisk) return;
  std::cerr
      << "bottlewatch: the current folder is on a disk: every change of the screen "
         "rewrites x.bmp (1.2 MB) and x.tif (0.9 MB) here, which reaches the disk: about 4 MB "
         "a second at 4 changes a second, up to 80 MB a second on a screen that never stops. "
         "Start it in a memory folder, such as $XDG_RUNTIME_DIR, to spare the disk."
      << std::endl;
}

}  // namespace

int main(int argc, char** argv) {
  const CommandLine command = ReadCommandLine(argc, argv);
  if (command.action != CommandLineAction::kWatch) {
    std::ostream& stream = command.action == CommandLineAction::kRefuse ? std::cerr : std::cout;
    stream << command.text << std::flush;
    return ExitStatusFor(command.action);
  }
  std::set_terminate(ReportEscapedException);
  SayWhenFramesMayReachADisk();
  ChooseColours();
  static AdvisorState state;
  StartAdvisor(state);
  for (;;) RunFramePass(state);
}
