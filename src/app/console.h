// The console operations the display needs. One implementation per platform
// (console_posix.cpp, console_win32.cpp); the build picks it.
#ifndef BOTTLEWATCH_APP_CONSOLE_H_
#define BOTTLEWATCH_APP_CONSOLE_H_

// With clear: blanks the whole console (scrollback included where the terminal
// has one) and puts the cursor at the top-left corner. Without: only puts the
// cursor there. Works on standard output; writes nothing when standard output
// is not a console, and ignores failures.
void ResetConsole(bool clear);

#endif  // BOTTLEWATCH_APP_CONSOLE_H_
