// The advisor's few arguments: none to watch the screen, --help for its usage,
// --version for its version. Read before anything starts, so that a wrong
// argument captures nothing and writes no file.
#ifndef BOTTLEWATCH_APP_COMMAND_LINE_H_
#define BOTTLEWATCH_APP_COMMAND_LINE_H_

#include <string>

enum class CommandLineAction {
  kWatch,    // no arguments: watch the screen until stopped
  kHelp,     // print text on standard output, status 0
  kVersion,  // print text on standard output, status 0
  kRefuse,   // print text on the error stream, status 2
};

struct CommandLine {
  CommandLineAction action = CommandLineAction::kWatch;
  std::string text;  // what to print, newline included; empty for kWatch
};

// argv[0] is the program's own name and is not read. The first argument that
// is not --help or --version is refused, wherever it stands; otherwise the
// first of them decides.
CommandLine ReadCommandLine(int argc, const char* const* argv);

// The exit status for an action that ends the program at once.
int ExitStatusFor(CommandLineAction action);

#endif  // BOTTLEWATCH_APP_COMMAND_LINE_H_
