// The console on Windows: the screen buffer is blanked and the cursor placed
// through the console API, so no control bytes ever reach standard output
// but the colours, and those only once the console has taken them.
#define NOMINMAX
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <iostream>

#include "app/console.h"

// Older SDK headers lack it; the console hosts that know it take this value.
#ifndef ENABLE_VIRTUAL_TERMINAL_PROCESSING
#define ENABLE_VIRTUAL_TERMINAL_PROCESSING 0x0004
#endif

namespace {

// Runs on a thread of its own when Ctrl-C or Ctrl-Break comes. FALSE passes
// the event on to the default handler, which ends the process as before.
BOOL WINAPI ResetColoursOnBreak(DWORD) {
  static const char kReset[] = "\x1b[0m";
  DWORD written = 0;
  WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), kReset, sizeof kReset - 1, &written, nullptr);
  return FALSE;
}

// Whether the console acts on the sequences rather than showing them as text,
// as a console can that takes the mode without knowing it (Wine's, in a
// terminal). A reset moves the cursor only when it is shown; then it is
// blanked again and the cursor put back.
bool ActsOnSequences(HANDLE out) {
  static const char kReset[] = "\x1b[0m";
  CONSOLE_SCREEN_BUFFER_INFO before;
  CONSOLE_SCREEN_BUFFER_INFO after;
  DWORD done = 0;
  if (!GetConsoleScreenBufferInfo(out, &before) ||
      !WriteConsoleA(out, kReset, sizeof kReset - 1, &done, nullptr) ||
      !GetConsoleScreenBufferInfo(out, &after)) {
    return false;
  }
  const COORD from = before.dwCursorPosition;
  const COORD to = after.dwCursorPosition;
  if (from.X == to.X && from.Y == to.Y) return true;
  const LONG shown = (to.Y - from.Y) * static_cast<LONG>(before.dwSize.X) + (to.X - from.X);
  if (shown > 0) FillConsoleOutputCharacterA(out, ' ', static_cast<DWORD>(shown), from, &done);
  SetConsoleCursorPosition(out, from);
  return false;
}

}  // namespace

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

bool EnableConsoleColour() {
  const HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
  DWORD mode = 0;
  // Fails on a redirected handle: a file gets the texts alone.
  if (!GetConsoleMode(out, &mode)) return false;
  // A console host from before Windows 10 refuses the mode; it would print
  // the escape sequences as text, so then there is simply no colour.
  if ((mode & ENABLE_VIRTUAL_TERMINAL_PROCESSING) == 0 &&
      !SetConsoleMode(out, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING)) {
    return false;
  }
  if (!ActsOnSequences(out)) {
    SetConsoleMode(out, mode);
    return false;
  }
  SetConsoleCtrlHandler(ResetColoursOnBreak, TRUE);
  return true;
}
