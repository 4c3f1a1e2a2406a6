// The remembered screen share's file: POSIX calls, used by the portal capture
// on Linux only.
#include "capture/screen/wayland/portal/restore_token_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// A token and its newline are 37 bytes; a file much longer than that was not
// written by us, and is not read whole.
constexpr size_t kMostBytesRead = 64;

bool IsAbsolute(const char* path) {
  return path != nullptr && path[0] == '/';
}

std::string Problem(const char* doing, const std::string& path, int error) {
  return std::string(doing) + " " + path + ": " + std::strerror(error);
}

// mkdir -p with mode 0700, as the XDG base directory rules ask of a program
// that creates its state folders.
bool MakeFolders(const std::string& folder, int& error) {
  for (size_t slash = folder.find('/', 1);; slash = folder.find('/', slash + 1)) {
    const std::string part = folder.substr(0, slash);
    if (mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) {
      error = errno;
      return false;
    }
    if (slash == std::string::npos) return true;
  }
}

bool WriteAll(int fd, const std::string& bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n == 0) errno = EIO;
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

}  // namespace

std::string RestoreTokenPath(const char* stateHome, const char* home) {
  // The base directory rules say a relative XDG_STATE_HOME is to be ignored.
  if (IsAbsolute(stateHome)) return std::string(stateHome) + "/bottlewatch/restore-token";
  if (IsAbsolute(home)) return std::string(home) + "/.local/state/bottlewatch/restore-token";
  return "";
}

bool IsRestoreToken(const std::string& text) {
  constexpr char kShape[] = "xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx";
  if (text.size() != sizeof kShape - 1) return false;
  for (size_t i = 0; i < text.size(); ++i) {
    const bool ok =
        kShape[i] == '-' ? text[i] == '-' : std::isxdigit(static_cast<unsigned char>(text[i])) != 0;
    if (!ok) return false;
  }
  return true;
}

TokenFile ReadRestoreToken(const std::string& path, std::string& token, std::string& problem) {
  // Non-blocking, so that a FIFO put there cannot hold the start-up.
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
  if (fd < 0) {
    if (errno == ENOENT) return TokenFile::kMissing;
    problem = Problem("cannot read", path, errno);
    return TokenFile::kBad;
  }
  struct stat about = {};
  std::string text;
  int error = 0;
  bool notFile = false;
  if (fstat(fd, &about) != 0) {
    error = errno;
  } else if (!S_ISREG(about.st_mode)) {
    notFile = true;
  } else {
    char buffer[kMostBytesRead + 1];
    for (;;) {
      const ssize_t n = read(fd, buffer, sizeof buffer - text.size());
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) error = errno;
      if (n <= 0) break;
      text.append(buffer, static_cast<size_t>(n));
      if (text.size() > kMostBytesRead) break;
    }
  }
  close(fd);
  if (notFile) {
    problem = path + " is not a file";
    return TokenFile::kBad;
  }
  if (error != 0) {
    problem = Problem("cannot read", path, error);
    return TokenFile::kBad;
  }
  const bool tooLong = text.size() > kMostBytesRead;
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) text.pop_back();
  if (tooLong || !IsRestoreToken(text)) {
    problem = path + " holds no restore token";
    return TokenFile::kBad;
  }
  token = text;
  return TokenFile::kFound;
}

bool SaveRestoreToken(const std::string& path, const std::string& token, std::string& problem) {
  if (!IsRestoreToken(token)) {
    problem = "the desktop's restore token is not a UUID; not saved in " + path;
    return false;
  }
  const size_t slash = path.rfind('/');
  const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash);
  int error = 0;
  if (slash != std::string::npos && slash > 0 && !MakeFolders(folder, error)) {
    problem = Problem("cannot make", folder, error);
    return false;
  }
  // mkostemp makes the file 0600 whatever the umask.
  std::string temporary = path + ".XXXXXX";
  const int fd = mkostemp(&temporary[0], O_CLOEXEC);
  if (fd < 0) {
    problem = Problem("cannot save the screen share in", folder, errno);
    return false;
  }
  if (!WriteAll(fd, token + "\n") || fsync(fd) != 0) error = errno;
  if (close(fd) != 0 && error == 0) error = errno;
  if (error == 0 && rename(temporary.c_str(), path.c_str()) != 0) error = errno;
  if (error == 0) return true;
  unlink(temporary.c_str());
  problem = Problem("cannot save the screen share in", path, error);
  return false;
}

bool ForgetRestoreToken(const std::string& path, std::string& problem) {
  if (unlink(path.c_str()) == 0 || errno == ENOENT) return true;
  problem = Problem("cannot remove", path, errno);
  return false;
}
