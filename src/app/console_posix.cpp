// The console on an ANSI terminal.
#include <unistd.h>

#include <iostream>

#include "app/console.h"

void ResetConsole(bool clear) {
  // Redirected output must hold only the program's own texts.
  if (isatty(STDOUT_FILENO) != 1) return;
  // Home first, then erase the screen and the scrollback: a terminal that does
  // not know ESC[3J ignores it and still ends with a blank screen.
  std::cout << (clear ? "\x1b[H\x1b[2J\x1b[3J" : "\x1b[H") << std::flush;
}
