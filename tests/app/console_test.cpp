// The terminal controls: escape sequences on a terminal, nothing otherwise.
#include "app/console.h"

#include <gtest/gtest.h>
#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

#include <iostream>
#include <string>

namespace {

// Runs ResetConsole(true), ResetConsole(false) and then writes "end" in a
// child whose standard output is a pseudo-terminal (onTerminal) or a pipe, and
// returns every byte the child wrote.
std::string ChildOutput(bool onTerminal) {
  int readEnd = -1;
  pid_t pid = -1;
  if (onTerminal) {
    pid = forkpty(&readEnd, nullptr, nullptr, nullptr);
  } else {
    int fds[2];
    if (pipe(fds) != 0) return "pipe failed";
    pid = fork();
    if (pid == 0) {
      dup2(fds[1], STDOUT_FILENO);
      close(fds[0]);
    } else {
      close(fds[1]);
      readEnd = fds[0];
    }
  }
  if (pid < 0) return "fork failed";
  if (pid == 0) {
    ResetConsole(true);
    ResetConsole(false);
    std::cout << "end" << std::flush;
    _exit(0);
  }
  std::string bytes;
  char buffer[256];
  ssize_t n;
  // On a pseudo-terminal the read ends with EIO once the child has gone.
  while ((n = read(readEnd, buffer, sizeof buffer)) > 0) bytes.append(buffer, n);
  close(readEnd);
  waitpid(pid, nullptr, 0);
  return bytes;
}

TEST(Console, TerminalGetsClearWithScrollbackThenHome) {
  EXPECT_EQ(ChildOutput(true), "\x1b[H\x1b[2J\x1b[3J\x1b[Hend");
}

TEST(Console, RedirectedOutputGetsNothing) {
  EXPECT_EQ(ChildOutput(false), "end");
}

}  // namespace
