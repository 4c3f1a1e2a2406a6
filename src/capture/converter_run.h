// Running the external converter and waiting for it. Its ordinary exit status
// is not looked at (a failed conversion leaves the previous "x.tif" to
// analyse); only an interrupt from the terminal matters.
#ifndef BOTTLEWATCH_CAPTURE_CONVERTER_RUN_H_
#define BOTTLEWATCH_CAPTURE_CONVERTER_RUN_H_

// Runs the command line (its first word names the program, found through the
// search path) and returns once it has finished, whatever its exit status. When it was ended by an interrupt from
// the terminal (SIGINT, SIGQUIT where those exist), the advisor ends by the
// same signal at once instead of returning.
void RunConverter(const char* commandLine);

#endif  // BOTTLEWATCH_CAPTURE_CONVERTER_RUN_H_
