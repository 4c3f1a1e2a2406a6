// The console on an ANSI terminal.
#include <signal.h>
#include <unistd.h>

#include <iostream>

#include "app/console.h"

namespace {

// Runs in a signal handler: only write and the signal calls, all
// async-signal-safe. The default action then ends the process as before, so
// the shell still sees it interrupted (status 130 for SIGINT).
void ResetColoursAndEnd(int signal) {
  static const char kReset[] = "\x1b[0m";
  const ssize_t written = write(STDOUT_FILENO, kReset, sizeof kReset - 1);
  static_cast<void>(written);  // nothing more can be done about a failure here
  struct sigaction fallback = {};
  fallback.sa_handler = SIG_DFL;
  sigemptyset(&fallback.sa_mask);
  sigaction(signal, &fallback, nullptr);
  raise(signal);  // delivered once this handler returns and unblocks it
}

}  // namespace

void ResetConsole(bool clear) {
  // Redirected output must hold only the program's own texts.
  if (isatty(STDOUT_FILENO) != 1) return;
  // Home first, then erase the screen and the scrollback: a terminal that does
  // not know ESC[3J ignores it and still ends with a blank screen.
  std::cout << (clear ? "\x1b[H\x1b[2J\x1b[3J" : "\x1b[H") << std::flush;
}

bool EnableConsoleColour() {
  if (isatty(STDOUT_FILENO) != 1) return false;
  struct sigaction reset = {};
  reset.sa_handler = ResetColoursAndEnd;
  sigemptyset(&reset.sa_mask);
  for (const int signal : {SIGINT, SIGTERM}) {
    // A signal the advisor was started ignoring (in the background of a shell
    // without job control) stays ignored.
    struct sigaction before = {};
    if (sigaction(signal, nullptr, &before) == 0 && before.sa_handler == SIG_DFL) {
      sigaction(signal, &reset, nullptr);
    }
  }
  return true;
}
