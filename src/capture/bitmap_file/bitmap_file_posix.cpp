// Writing the bitmap file with POSIX file descriptors.
#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <system_error>

#include "capture/bitmap_file/bitmap_file.h"

namespace {

// Closes the descriptor on the ways out that already carry an exception; the
// normal path closes it itself so that a failing close can be reported.
struct OpenFile {
  int fd = -1;
  ~OpenFile() {
    if (fd >= 0) close(fd);
  }
};

[[noreturn]] void ThrowFileError(const char* what, const char* fileName) {
  throw std::system_error(errno, std::generic_category(),
                          std::string("cannot ") + what + " bitmap file \"" + fileName + "\"");
}

// A regular file may take fewer bytes than asked when a signal arrives part
// way; the rest is then written by the next call. A call that takes nothing
// (a full disk reports that on the call after a short one) is the failure.
void WriteAll(int fd, const uint8_t* bytes, size_t count, const char* fileName) {
  while (count > 0) {
    const ssize_t written = write(fd, bytes, count);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) {
      if (written == 0) errno = EIO;
      ThrowFileError("write", fileName);
    }
    bytes += written;
    count -= static_cast<size_t>(written);
  }
}

}  // namespace

int WriteBitmapFileAnew(const char* fileName, const PackedDib& block) {
  if (block.bytes == nullptr || block.length < kInfoHeaderSize) return 0;
  OpenFile file;
  // The previous frame is overwritten in place and the file then cut to the
  // new length, rather than opened with O_TRUNC: on ext4 a file cut to length
  // 0 and rewritten is flushed to disk when it is closed, which costs a few
  // milliseconds on every frame. The file ends up the same either way.
  file.fd = open(fileName, O_WRONLY | O_CREAT | O_CLOEXEC, 0666);
  if (file.fd < 0) return 0;
  uint8_t header[kFileHeaderSize];
  MakeBitmapFileHeader(block, header);
  WriteAll(file.fd, header, sizeof header, fileName);
  WriteAll(file.fd, block.bytes, block.length, fileName);
  const off_t written = static_cast<off_t>(kFileHeaderSize) + block.length;
  struct stat info;
  if (fstat(file.fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_size > written &&
      ftruncate(file.fd, written) != 0) {
    ThrowFileError("cut", fileName);
  }
  const int fd = file.fd;
  file.fd = -1;
  if (close(fd) != 0) ThrowFileError("close", fileName);
  return 1;
}
