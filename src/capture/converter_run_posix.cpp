// The converter is most of every frame, so a terminal's Ctrl-C, which goes to
// the whole foreground process group, nearly always lands while it runs. The
// command line goes to /bin/sh -c as std::system would send it, but without
// system's ignoring of SIGINT and SIGQUIT in the caller while the child runs:
// the interrupt then ends the advisor together with the converter, with no
// moment in which it is lost.
#include <errno.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <cstdlib>

#include "capture/converter_run.h"

extern char** environ;

namespace {

// What waitpid reports for the command, or -1 when it could not be run (the
// loader then finds no new "x.tif", as with a missing converter).
int RunThroughShell(const char* commandLine) {
  char shell[] = "sh";
  char option[] = "-c";
  char endOfOptions[] = "--";
  char* argv[] = {shell, option, endOfOptions, const_cast<char*>(commandLine), nullptr};
  pid_t child = 0;
  if (posix_spawn(&child, "/bin/sh", nullptr, nullptr, argv, environ) != 0) return -1;
  int status = 0;
  while (waitpid(child, &status, 0) < 0) {
    if (errno != EINTR) return -1;
  }
  return status;
}

// An interrupt meant for the converter alone (sent to its PID) ends the
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
  StopIfInterrupted(RunThroughShell(commandLine));
}
