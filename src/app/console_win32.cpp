// The console on Windows: the screen buffer is blanked and the cursor placed
// through the console API, so no control bytes ever reach standard output.
#define NOMINMAX
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <iostream>

#include "app/console.h"

void ResetConsole(bool clear) {
  // Text still waiting in the stream would otherwise land where the cursor
  // goes next, in the middle of the redrawn board.
  std::cout.flush();
  // With output redirected these calls fail on the file handle and nothing is
  // written; that is the intended behaviour, so no result is looked at.
  const HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
  const COORD home = {0, 0};
  CONSOLE_SCREEN_BUFFER_INFO info;
  if (clear && GetConsoleScreenBufferInfo(out, &info)) {
    // The whole buffer, not only the visible window, so that nothing of an
    // earlier program's output can be scrolled back into view.
    const DWORD cells = static_cast<DWORD>(info.dwSize.X) * static_cast<DWORD>(info.dwSize.Y);
    DWORD done = 0;
    FillConsoleOutputCharacterA(out, ' ', cells, home, &done);
    if (GetConsoleScreenBufferInfo(out, &info)) {
      FillConsoleOutputAttribute(out, info.wAttributes, cells, home, &done);
    }
  }
  SetConsoleCursorPosition(out, home);
}
