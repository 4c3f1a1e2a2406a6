// Running the external converter and waiting for it. Its ordinary exit status
// is not looked at (a failed conversion leaves the previous "x.tif" to
// analyse); only an interrupt from the terminal matters.
#ifndef BOTTLEWATCH_CAPTURE_CONVERTER_CONVERTER_RUN_H_
#define BOTTLEWATCH_CAPTURE_CONVERTER_CONVERTER_RUN_H_

// Whether the program name would be found where RunConverter looks for a
// command's first word: the folders of PATH (on Windows the current folder
// first, and name with ".exe" added).
bool ProgramOnPath(const char* name);

// Runs the command line (its first word names the program, found through the
// search path; the words are separated by single blanks and hold no quoting)
// and returns once it has finished, whatever its exit status. It shares the
// advisor's standard input and output; its error stream is read while it runs
// and passed on to the advisor's, each distinct line once in the life of the
// process (see converter_messages.h). When it was ended by an interrupt from
// the terminal (SIGINT, SIGQUIT where those exist), the advisor ends by the
// same signal at once instead of returning.
void RunConverter(const char* commandLine);

#endif  // BOTTLEWATCH_CAPTURE_CONVERTER_CONVERTER_RUN_H_
