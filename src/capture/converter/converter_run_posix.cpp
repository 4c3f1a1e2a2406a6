// Running the converter on POSIX systems: the program named by the command
// line's first word, found through PATH, started directly and waited for,
// with its error stream read through a pipe.
//
// std::system would put /bin/sh between the advisor and the converter, and
// that costs twice: about a millisecond a frame for the extra process (a
// frame is some 15 ms, most of it the converter), and a lost Ctrl-C, since
// system ignores SIGINT and SIGQUIT in the caller for as long as it runs. A
// terminal's interrupt goes to the whole foreground process group; with the
// advisor's own dispositions left alone it ends the advisor together with the
// converter, at any moment of the frame, reading the pipe included.
#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>
#include <vector>

#include "capture/converter/converter_messages.h"
#include "capture/converter/converter_run.h"

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

// How long a read of the error stream waits before it looks whether the
// converter has ended. The stream normally closes as the converter ends; this
// only matters when something the converter started keeps it open.
constexpr int kExitCheckMillis = 100;

// The pipe's capacity: after the converter has ended, what it wrote before is
// at most this much, and a descendant still writing is not waited for.
constexpr size_t kPipeBytes = 65536;

// Reads the converter's error stream while it runs, so that it never stalls
// on a full pipe, passes the stream on through messages, and returns what
// waitpid reports for the converter.
int PassOnMessagesAndWait(pid_t child, int errors, ConverterMessages& messages) {
  char buffer[4096];
  int status = 0;
  bool ended = false;
  size_t readAfterEnd = 0;
  while (!ended || readAfterEnd < kPipeBytes) {
    pollfd stream = {errors, POLLIN, 0};
    const int ready = poll(&stream, 1, ended ? 0 : kExitCheckMillis);
    if (ready > 0) {
      const ssize_t got = read(errors, buffer, sizeof buffer);
      if (got == 0 || (got < 0 && errno != EINTR)) break;
      if (got < 0) continue;
      messages.Take(buffer, static_cast<size_t>(got), std::cerr);
      if (ended) readAfterEnd += static_cast<size_t>(got);
    } else if (ready == 0) {
      if (ended) break;
      ended = waitpid(child, &status, WNOHANG) == child;
    } else if (errno != EINTR) {
      break;
    }
  }
  messages.EndOfRun(std::cerr);
  close(errors);
  if (ended) return status;
  while (waitpid(child, &status, 0) < 0) {
    if (errno != EINTR) return -1;
  }
  return status;
}

// What waitpid reports for the converter, or -1 when it could not be started.
int RunAndWait(const char* commandLine) {
  // One for the life of the process: a line is said once per run of the
  // advisor, not once per frame.
  static ConverterMessages messages;
  std::vector<std::string> words = WordsOf(commandLine);
  if (words.empty()) return -1;
  std::vector<char*> argv;
  for (std::string& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);
  // Both ends close on exec: the converter gets the write end only as its
  // error stream, and nothing it starts holds the read end.
  int pipeEnds[2];
  if (pipe2(pipeEnds, O_CLOEXEC) != 0) {
    ReportUnstartable(words[0], errno);
    return -1;
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], STDERR_FILENO);
  pid_t child = 0;
  const int error = posix_spawnp(&child, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(pipeEnds[1]);
  if (error != 0) {
    close(pipeEnds[0]);
    ReportUnstartable(words[0], error);
    return -1;
  }
  return PassOnMessagesAndWait(child, pipeEnds[0], messages);
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

bool ProgramOnPath(const char* name) {
  // Where posix_spawnp looks: an unset PATH means the C library's default,
  // an empty entry the current directory.
  const char* path = std::getenv("PATH");
  std::string folders = path != nullptr ? path : "/bin:/usr/bin";
  size_t start = 0;
  for (;;) {
    const size_t colon = folders.find(':', start);
    const std::string folder = folders.substr(start, colon - start);
    const std::string candidate = (folder.empty() ? std::string(".") : folder) + "/" + name;
    struct stat info;
    if (stat(candidate.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
        access(candidate.c_str(), X_OK) == 0) {
      return true;
    }
    if (colon == std::string::npos) return false;
    start = colon + 1;
  }
}

void RunConverter(const char* commandLine) {
  StopIfInterrupted(RunAndWait(commandLine));
}
