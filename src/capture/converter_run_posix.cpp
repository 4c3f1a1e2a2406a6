// Running the converter on POSIX systems: the program named by the command
// line's first word, found through PATH, started directly and waited for.
//
// std::system would put /bin/sh between the advisor and the converter, and
// that costs twice: about a millisecond a frame for the extra process (a
// frame is some 15 ms, most of it the converter), and a lost Ctrl-C, since
// system ignores SIGINT and SIGQUIT in the caller for as long as it runs. A
// terminal's interrupt goes to the whole foreground process group; with the
// advisor's own dispositions left alone it ends the advisor together with the
// converter, at any moment of the frame.
#include <errno.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>
#include <vector>

#include "capture/converter_run.h"

extern char** environ;

namespace {

// The command line's words; it holds no quoting, only single blanks.
std::vector<std::string> WordsOf(const char* commandLine) {
  std::vector<std::string> words;
  std::string word;
  for (const char* c = commandLine; *c != '\0'; ++c) {
    if (*c != ' ') {
      word += *c;
    } else if (!word.empty()) {
      words.push_back(word);
      word.clear();
    }
  }
  if (!word.empty()) words.push_back(word);
  return words;
}

// Said once: a missing converter is otherwise not looked at (a frame left from
// before is analysed again), and a line every frame would scroll the board
// off the terminal.
void ReportUnstartable(const std::string& program, int error) {
  static bool reported = false;
  if (reported) return;
  reported = true;
  std::cerr << "bottlewatch: cannot run " << program << ": " << std::strerror(error) << std::endl;
}

// What waitpid reports for the converter, or -1 when it could not be started.
int RunAndWait(const char* commandLine) {
  std::vector<std::string> words = WordsOf(commandLine);
  if (words.empty()) return -1;
  std::vector<char*> argv;
  for (std::string& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);
  pid_t child = 0;
  const int error = posix_spawnp(&child, argv[0], nullptr, nullptr, argv.data(), environ);
  if (error != 0) {
    ReportUnstartable(words[0], error);
    return -1;
  }
  int status = 0;
  while (waitpid(child, &status, 0) < 0) {
    if (errno != EINTR) return -1;
  }
  return status;
}

// An interrupt that reached only the converter (sent to its PID) ends the
// advisor too, by the same signal, so the shell sees an interrupted program
// (status 130 for SIGINT) rather than an error about a missing frame.
void StopIfInterrupted(int status) {
  if (status == -1 || !WIFSIGNALED(status)) return;
  const int signal = WTERMSIG(status);
  if (signal != SIGINT && signal != SIGQUIT) return;
  struct sigaction fallback = {};
  fallback.sa_handler = SIG_DFL;
  sigemptyset(&fallback.sa_mask);
  sigaction(signal, &fallback, nullptr);
  sigset_t only;
  sigemptyset(&only);
  sigaddset(&only, signal);
  sigprocmask(SIG_UNBLOCK, &only, nullptr);
  raise(signal);
  std::_Exit(128 + signal);  // not reached while the signal's default ends the process
}

}  // namespace

void RunConverter(const char* commandLine) {
  StopIfInterrupted(RunAndWait(commandLine));
}
