#include "support/desktop_session.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <regex>
#include <sstream>
#include <stdexcept>
#include <thread>
#include <vector>

namespace {

// Whether pid runs with the given runtime folder, as every process of a
// desktop does: a PID left in a pid file may since have been reused.
bool RunsIn(int pid, const std::string& runtimeDir) {
  const std::string environ = ReadFile("/proc/" + std::to_string(pid) + "/environ");
  const std::string wanted = "XDG_RUNTIME_DIR=" + runtimeDir;
  for (size_t start = 0; start < environ.size();) {
    const size_t end = std::min(environ.find('\0', start), environ.size());
    if (environ.compare(start, end - start, wanted) == 0) return true;
    start = end + 1;
  }
  return false;
}

int ReadPid(const std::string& path) {
  try {
    return std::stoi(ReadFile(path));
  } catch (const std::exception&) {
    return -1;
  }
}

// Waits for pattern in the log past *seen; on a match, moves *seen past it and
// returns its first group (or the whole match when it has none). Empty once
// timeoutSeconds have passed.
std::string WaitForLogMatch(const std::string& log, const std::regex& pattern, size_t* seen,
                            double timeoutSeconds) {
  const auto deadline =
      std::chrono::steady_clock::now() + std::chrono::duration<double>(timeoutSeconds);
  for (;;) {
    const std::string text = ReadFile(log);
    std::smatch found;
    if (text.size() > *seen && std::regex_search(text.cbegin() + static_cast<std::ptrdiff_t>(*seen),
                                                 text.cend(), found, pattern)) {
      *seen = static_cast<size_t>(found[0].second - text.cbegin());
      return found.size() > 1 ? found[1].str() : found[0].str();
    }
    if (std::chrono::steady_clock::now() > deadline) return "";
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

// The desktop's helpers (press-keys, fake-pointer) hold their FIFO open for
// reading and writing, so this open never blocks while they run; one short
// line is written whole.
void WriteFifoLine(const std::string& fifoPath, const std::string& line) {
  const int fifo = open(fifoPath.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
  if (fifo < 0) throw std::runtime_error("nothing is reading " + fifoPath);
  const std::string whole = line + "\n";
  const bool written =
      write(fifo, whole.data(), whole.size()) == static_cast<ssize_t>(whole.size());
  close(fifo);
  if (!written) throw std::runtime_error("cannot write to " + fifoPath);
}

}  // namespace

std::map<std::string, std::string> ReadEnvFile(const std::string& path) {
  std::map<std::string, std::string> env;
  std::istringstream lines(FileExists(path) ? ReadFile(path) : "");
  std::string line;
  while (std::getline(lines, line)) {
    const size_t equals = line.find('=');
    if (equals == std::string::npos || equals == 0) continue;
    env[line.substr(0, equals)] = line.substr(equals + 1);
  }
  return env;
}

DesktopSession::DesktopSession(DesktopKind kind, double timeoutSeconds) {
  const std::string scripts = BOTTLEWATCH_SCRIPTS_DIR;
  std::vector<std::string> argv = {"/bin/sh", "-c", "exec \"$0\" \"$@\" 2>&1"};
  switch (kind) {
    case DesktopKind::kGnome:
    case DesktopKind::kGnomeNoPortal:
    case DesktopKind::kGnomeRealDialog:
    case DesktopKind::kGnomeLargeMonitor:
    case DesktopKind::kGnomeFullHdMonitor:
      argv.push_back(scripts + "/headless-gnome");
      argv.push_back(workDir());
      argv.push_back(BOTTLEWATCH_BIN_DIR);
      if (kind == DesktopKind::kGnomeNoPortal) argv.push_back("--no-portal");
      if (kind == DesktopKind::kGnomeRealDialog) argv.push_back("--gnome-dialog");
      if (kind == DesktopKind::kGnomeLargeMonitor) {
        argv.push_back("--monitor");
        argv.push_back("1024x768");
      }
      if (kind == DesktopKind::kGnomeFullHdMonitor) {
        argv.push_back("--monitor");
        argv.push_back("1920x1080");
      }
      compositor_ = "mutter";
      break;
    case DesktopKind::kKdeRealDialog:
      argv.push_back(scripts + "/headless-kde");
      argv.push_back(workDir());
      argv.push_back(BOTTLEWATCH_BIN_DIR);
      compositor_ = "kwin";
      break;
    case DesktopKind::kSwayNoPortal:
      argv.push_back(scripts + "/headless-sway");
      argv.push_back(workDir());
      compositor_ = "sway";
      break;
  }
  // The script stops the desktop itself when its bounded start fails; the
  // test waits a little longer than that bound for its word.
  const std::string scriptLog = dir_.File("script.log");
  script_ = std::make_unique<BackgroundProcess>(
      argv, workDir(),
      std::map<std::string, std::string>{
          {"READY_TIMEOUT", std::to_string(static_cast<int>(timeoutSeconds))}},
      scriptLog);
  const auto deadline =
      std::chrono::steady_clock::now() + std::chrono::duration<double>(timeoutSeconds + 10);
  const std::string envPath = dir_.File("env");
  while (!FileExists(envPath)) {
    if (script_->HasEnded() || std::chrono::steady_clock::now() > deadline) {
      Stop();
      throw std::runtime_error(argv[3].substr(scripts.size() + 1) + " did not start:\n" +
                               ReadFile(scriptLog));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  env_ = ReadEnvFile(envPath);
}

DesktopSession::~DesktopSession() {
  Stop();
}

void DesktopSession::Stop() {
  if (!script_) return;
  // The script stops its processes within a few seconds of SIGTERM.
  script_->Stop(15000);
  script_.reset();
  // A script that had to be killed leaves its pid files behind: their
  // processes are ended here, by their PIDs.
  std::error_code ignored;
  const std::string runtimeDir = std::filesystem::canonical(dir_.File("runtime"), ignored).string();
  if (runtimeDir.empty()) return;
  for (const auto& entry : std::filesystem::directory_iterator(workDir(), ignored)) {
    if (entry.path().extension() != ".pid") continue;
    const int pid = ReadPid(entry.path().string());
    if (pid > 0 && RunsIn(pid, runtimeDir)) kill(pid, SIGKILL);
  }
}

void DesktopSession::SetAnswer(const std::string& answer) const {
  // Replaced whole, so that share-dialog never reads half a word.
  WriteFile(dir_.File("answer.new"), answer + "\n");
  std::filesystem::rename(dir_.File("answer.new"), dir_.File("answer"));
}

std::string DesktopSession::AnswerGnomeShareDialog(bool remember, double timeoutSeconds) {
  const auto deadline =
      std::chrono::steady_clock::now() + std::chrono::duration<double>(timeoutSeconds);
  // The share this answer starts is told in the frontend's log after what is
  // there now: no share starts before its dialog is answered.
  dialogLogSeen_ = ReadFile(LogPath("portal")).size();
  const std::string answerer = std::string(BOTTLEWATCH_SCRIPTS_DIR) + "/answer-gnome-dialog";
  const ProcessResult run = RunProcess({answerer, remember ? "--remember" : "--forget",
                                        dir_.File("keys"), std::to_string(timeoutSeconds)},
                                       workDir(), env_, timeoutSeconds + 15);
  if (run.exitStatus != 0) {
    // Its own line names what was missing; the accessibility library may
    // have warned around it.
    const std::string prefix = "answer-gnome-dialog: ";
    std::istringstream lines(run.err);
    std::string line, why;
    while (std::getline(lines, line)) {
      if (line.rfind(prefix, 0) == 0) why = line.substr(prefix.size());
    }
    if (!why.empty()) return why;
    if (run.timedOut) return "answer-gnome-dialog did not end";
    return "answer-gnome-dialog failed: " + run.err;
  }
  const std::regex started("screen cast session owned by '[^']*' started");
  const double left =
      std::chrono::duration<double>(deadline - std::chrono::steady_clock::now()).count();
  if (!WaitForLogMatch(LogPath("portal"), started, &dialogLogSeen_, std::max(left, 5.0)).empty()) {
    return "";
  }
  const int backend = Pid("gnome-portal");
  if (backend <= 0 || kill(backend, 0) != 0) return "GNOME's portal backend ended after Share";
  return "Share was pressed, and the portal started no share";
}

bool DesktopSession::AnswerKdeShareDialog(KdeDialogAnswer answer, double timeoutSeconds) {
  const auto deadline =
      std::chrono::steady_clock::now() + std::chrono::duration<double>(timeoutSeconds);
  auto secondsLeft = [&deadline] {
    return std::chrono::duration<double>(deadline - std::chrono::steady_clock::now()).count();
  };
  // KWin's script (tests/wayland/kwin/share-dialog.js) tells where it put the
  // dialog, its frame with the title bar, once the dialog is drawn.
  const std::regex shown(R"(bottlewatch-share-dialog: shown (-?\d+,-?\d+ \d+x\d+))");
  const std::string frame = WaitForLogMatch(LogPath("kwin"), shown, &dialogLogSeen_, secondsLeft());
  int x = 0, y = 0, width = 0, height = 0;
  if (std::sscanf(frame.c_str(), "%d,%d %dx%d", &x, &y, &width, &height) != 4) return false;
  // Where KDE 5.27's dialog has them: the tabs under the heading, the list's
  // first card below them, the buttons at the bottom right.
  auto point = [](int px, int py) { return std::to_string(px) + "," + std::to_string(py); };
  std::string clicks;
  switch (answer) {
    case KdeDialogAnswer::kShareFirstWindow:
      clicks = point(x + 138, y + 115) + " " + point(x + 137, y + 277) + " " +
               point(x + width - 139, y + height - 25);
      break;
    case KdeDialogAnswer::kCancel:
      clicks = point(x + width - 51, y + height - 25);
      break;
  }
  WriteFifoLine(dir_.File("pointer"), clicks);
  const std::regex closed("bottlewatch-share-dialog: closed");
  return !WaitForLogMatch(LogPath("kwin"), closed, &dialogLogSeen_, std::max(secondsLeft(), 0.0))
              .empty();
}

void DesktopSession::KillCompositor() const {
  const int pid = Pid(compositor_);
  if (pid <= 0) throw std::runtime_error("no " + compositor_ + " PID in " + workDir());
  kill(pid, SIGKILL);
}

int DesktopSession::Pid(const std::string& name) const {
  return ReadPid(dir_.File(name + ".pid"));
}
