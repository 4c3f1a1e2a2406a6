#include "support/xvfb_server.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <stdexcept>
#include <string>

#include "support/subprocess.h"

XvfbServer::XvfbServer(int width, int height, int depth,
                       const std::vector<std::string>& extraArguments) {
  int fds[2];
  if (pipe(fds) != 0) throw std::runtime_error("pipe failed");
  const std::string screen =
      std::to_string(width) + "x" + std::to_string(height) + "x" + std::to_string(depth);
  const std::string displayFd = std::to_string(fds[1]);
  pid_ = fork();
  if (pid_ < 0) throw std::runtime_error("fork failed");
  if (pid_ == 0) {
    close(fds[0]);
    const int devNull = open("/dev/null", O_RDWR);
    dup2(devNull, STDIN_FILENO);
    dup2(devNull, STDOUT_FILENO);
    dup2(devNull, STDERR_FILENO);
    std::vector<const char*> argv = {"Xvfb",     "-displayfd", displayFd.c_str(),
                                     "-screen",  "0",          screen.c_str(),
                                     "-noreset", "-nolisten",  "tcp"};
    for (const std::string& argument : extraArguments) argv.push_back(argument.c_str());
    argv.push_back(nullptr);
    execvp("Xvfb", const_cast<char* const*>(argv.data()));
    _exit(127);
  }
  close(fds[1]);
  std::string number;
  pollfd fd = {fds[0], POLLIN, 0};
  char c = 0;
  // Xvfb writes the display number followed by a newline once it accepts clients.
  while (poll(&fd, 1, 20000) > 0 && read(fds[0], &c, 1) == 1 && c != '\n') number += c;
  close(fds[0]);
  if (number.empty()) {
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
    throw std::runtime_error("Xvfb did not start (is the xvfb package installed?)");
  }
  display_ = ":" + number;
}

XvfbServer::~XvfbServer() {
  if (pid_ > 0) TerminateAndReap(pid_, 2000);
}

const std::string& SharedTestDisplay() {
  static XvfbServer screen(640, 480, 24);
  return screen.display();
}
