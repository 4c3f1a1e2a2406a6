// The terminal's interrupt goes to the whole foreground process group, but
// std::system ignores SIGINT and SIGQUIT in the caller while the command
// runs, and the converter is most of every frame. So the interrupt usually
// kills only the converter; the advisor passes it on to itself here.
#include <signal.h>
#include <sys/wait.h>

#include <cstdlib>

#include "capture/converter_status.h"

void StopIfConverterInterrupted(int commandStatus) {
  if (commandStatus == -1 || !WIFSIGNALED(commandStatus)) return;
  const int signal = WTERMSIG(commandStatus);
  if (signal != SIGINT && signal != SIGQUIT) return;
  // The default disposition, unblocked, so the shell sees a program ended by
  // the signal (status 130 for SIGINT) and does not go on with its script.
  struct sigaction fallback = {};
  fallback.sa_handler = SIG_DFL;
  sigemptyset(&fallback.sa_mask);
  sigaction(signal, &fallback, nullptr);
  sigset_t only;
  sigemptyset(&only);
  sigaddset(&only, signal);
  sigprocmask(SIG_UNBLOCK, &only, nullptr);
  raise(signal);
  std::_Exit(128 + signal);  // not reached while the signal's default is to end the process
}
