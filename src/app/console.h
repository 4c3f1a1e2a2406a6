// The console operations the display needs. One implementation per platform
// (console_posix.cpp, console_win32.cpp); the build picks it.
#ifndef BOTTLEWATCH_APP_CONSOLE_H_
#define BOTTLEWATCH_APP_CONSOLE_H_

// With clear: blanks the whole console (scrollback included where the terminal
// has one) and puts the cursor at the top-left corner. Without: only puts the
// cursor there. Works on standard output; writes nothing when standard output
// is not a console, and ignores failures.
void ResetConsole(bool clear);

// Readies the console for colour escape sequences and says whether standard
// output now shows them: false when it is not a console, or when the console
// refuses them or would show them as text (a Windows console host older than
// virtual-terminal processing), and then nothing has changed. When true, an interrupt or a
// termination request first resets the colours, then ends the process as it
// would have, in case it cut a coloured write short.
bool EnableConsoleColour();

#endif  // BOTTLEWATCH_APP_CONSOLE_H_
