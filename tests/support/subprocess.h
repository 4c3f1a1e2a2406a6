// Running a program as a child process and collecting what it printed.
#ifndef BOTTLEWATCH_TESTS_SUPPORT_SUBPROCESS_H_
#define BOTTLEWATCH_TESTS_SUPPORT_SUBPROCESS_H_

#include <map>
#include <string>
#include <vector>

struct ProcessResult {
  std::string out;        // everything written to standard output
  std::string err;        // everything written to the error stream
  int exitStatus = -1;    // exit status, or -1 when ended by a signal
  int signal = 0;         // the signal that ended it, 0 if it exited
  bool timedOut = false;  // it was still running at the deadline and was killed
};

// Runs argv in workDir, in a process group of its own, with the parent's
// environment changed by env (an empty value removes the variable). Standard
// input is /dev/null. A child still running after timeoutSeconds is sent
// SIGTERM, then SIGKILL. With unprivileged, a parent running as root runs the
// child as user and group "nobody" (65534), so that file permissions hold for
// it.
ProcessResult RunProcess(const std::vector<std::string>& argv, const std::string& workDir,
                         const std::map<std::string, std::string>& env, double timeoutSeconds,
                         bool unprivileged = false);

// Sends SIGTERM to the child pid, waits up to graceMillis for it to end, then
// SIGKILL; returns its wait status.
int TerminateAndReap(int pid, int graceMillis);

// A child that runs beside the test (a simulator, a terminal server) and is
// stopped, by its PID, when the owner goes out of scope.
class BackgroundProcess {
 public:
  // Starts argv in workDir with env applied as for RunProcess; standard input
  // is /dev/null, standard output goes to outputPath (/dev/null when empty),
  // the error stream is the test's.
  BackgroundProcess(const std::vector<std::string>& argv, const std::string& workDir,
                    const std::map<std::string, std::string>& env,
                    const std::string& outputPath = "");

  int pid() const { return pid_; }

  // Whether it has ended, without reaping it: Stop still collects its status.
  bool HasEnded() const;
  ~BackgroundProcess() { Stop(); }
  BackgroundProcess(const BackgroundProcess&) = delete;
  BackgroundProcess& operator=(const BackgroundProcess&) = delete;

  // Sends SIGTERM (SIGKILL after graceMillis) and returns the exit status,
  // or -1 when it was ended by a signal or was already stopped.
  int Stop(int graceMillis = 2000);

 private:
  int pid_ = -1;
};

#endif  // BOTTLEWATCH_TESTS_SUPPORT_SUBPROCESS_H_
