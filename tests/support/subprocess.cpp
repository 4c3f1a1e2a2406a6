#include "support/subprocess.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <stdexcept>

namespace {

[[noreturn]] void ExecChild(const std::vector<std::string>& argv, const std::string& workDir,
                            const std::map<std::string, std::string>& env, bool unprivileged) {
  if (unprivileged && getuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) _exit(125);
  if (chdir(workDir.c_str()) != 0) _exit(126);
  for (const auto& [name, value] : env) {
    if (value.empty()) {
      unsetenv(name.c_str());
    } else {
      setenv(name.c_str(), value.c_str(), 1);
    }
  }
  std::vector<char*> args;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  execvp(args[0], args.data());
  _exit(127);
}

void Drain(int fd, std::string& into, bool& open) {
  char buffer[65536];
  const ssize_t n = read(fd, buffer, sizeof buffer);
  if (n > 0) {
    into.append(buffer, static_cast<size_t>(n));
  } else {
    open = false;
  }
}

}  // namespace

ProcessResult RunProcess(const std::vector<std::string>& argv, const std::string& workDir,
                         const std::map<std::string, std::string>& env, double timeoutSeconds,
                         bool unprivileged) {
  int outPipe[2];
  int errPipe[2];
  if (pipe(outPipe) != 0 || pipe(errPipe) != 0) throw std::runtime_error("pipe failed");
  const pid_t pid = fork();
  if (pid < 0) throw std::runtime_error("fork failed");
  if (pid == 0) {
    // The child leads a process group of its own, as a shell's job does, so
    // a signal to its group (what a terminal's Ctrl-C sends) reaches it and
    // its children and never the test.
    setpgid(0, 0);
    const int devNull = open("/dev/null", O_RDONLY);
    dup2(devNull, STDIN_FILENO);
    dup2(outPipe[1], STDOUT_FILENO);
    dup2(errPipe[1], STDERR_FILENO);
    // Only as its standard streams: a copy left open in whatever the child
    // starts in the background would hold the streams open after it ends.
    for (const int fd : {outPipe[0], outPipe[1], errPipe[0], errPipe[1], devNull}) close(fd);
    ExecChild(argv, workDir, env, unprivileged);
  }
  close(outPipe[1]);
  close(errPipe[1]);

  ProcessResult result;
  bool outOpen = true;
  bool errOpen = true;
  const auto deadline =
      std::chrono::steady_clock::now() + std::chrono::duration<double>(timeoutSeconds);
  while (outOpen || errOpen) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) {
      result.timedOut = true;
      break;
    }
    pollfd fds[2] = {{outOpen ? outPipe[0] : -1, POLLIN, 0},
                     {errOpen ? errPipe[0] : -1, POLLIN, 0}};
    if (poll(fds, 2, static_cast<int>(left.count())) < 0) continue;
    if (fds[0].revents) Drain(outPipe[0], result.out, outOpen);
    if (fds[1].revents) Drain(errPipe[0], result.err, errOpen);
  }
  int status = 0;
  if (result.timedOut) {
    status = TerminateAndReap(pid, 1000);
    // Collect what was written before the end.
    while (outOpen) Drain(outPipe[0], result.out, outOpen);
    while (errOpen) Drain(errPipe[0], result.err, errOpen);
  } else {
    waitpid(pid, &status, 0);
  }
  close(outPipe[0]);
  close(errPipe[0]);
  if (WIFEXITED(status)) result.exitStatus = WEXITSTATUS(status);
  if (WIFSIGNALED(status)) result.signal = WTERMSIG(status);
  return result;
}

BackgroundProcess::BackgroundProcess(const std::vector<std::string>& argv,
                                     const std::string& workDir,
                                     const std::map<std::string, std::string>& env,
                                     const std::string& outputPath) {
  pid_ = fork();
  if (pid_ < 0) throw std::runtime_error("fork failed");
  if (pid_ == 0) {
    const int devNull = open("/dev/null", O_RDWR);
    const int output =
        outputPath.empty() ? devNull : open(outputPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    dup2(devNull, STDIN_FILENO);
    dup2(output, STDOUT_FILENO);
    ExecChild(argv, workDir, env, false);
  }
}

bool BackgroundProcess::HasEnded() const {
  if (pid_ <= 0) return true;
  siginfo_t info = {};
  return waitid(P_PID, static_cast<id_t>(pid_), &info, WEXITED | WNOHANG | WNOWAIT) == 0 &&
         info.si_pid == pid_;
}

int BackgroundProcess::Stop(int graceMillis) {
  if (pid_ <= 0) return -1;
  const int status = TerminateAndReap(pid_, graceMillis);
  pid_ = -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

int TerminateAndReap(int pid, int graceMillis) {
  kill(pid, SIGTERM);
  int status = 0;
  for (int waited = 0; waited < graceMillis; waited += 20) {
    if (waitpid(pid, &status, WNOHANG) == pid) return status;
    usleep(20000);
  }
  if (waitpid(pid, &status, WNOHANG) == pid) return status;
  kill(pid, SIGKILL);
  waitpid(pid, &status, 0);
  return status;
}
