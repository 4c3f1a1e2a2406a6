// Writing the bitmap file with Win32 file handles.
#define NOMINMAX
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <string>
#include <system_error>

#include "capture/bitmap_file/bitmap_file.h"

namespace {

// Closes the handle on the ways out that already carry an exception; the
// normal path closes it itself so that a failing close can be reported.
struct FileOwner {
  HANDLE handle = INVALID_HANDLE_VALUE;
  ~FileOwner() {
    if (handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
  }
};

[[noreturn]] void ThrowFileError(DWORD error, const char* what, const char* fileName) {
  throw std::system_error(static_cast<int>(error), std::system_category(),
                          std::string("cannot ") + what + " bitmap file \"" + fileName + "\"");
}

// A file handle takes all bytes or reports a failure; a call that succeeds
// with fewer bytes (a full disk on some file systems) counts as failed too, as
// the file would otherwise claim more bytes than it holds.
void WriteAll(HANDLE file, const uint8_t* bytes, DWORD count, const char* fileName) {
  DWORD written = 0;
  if (!WriteFile(file, bytes, count, &written, nullptr)) {
    ThrowFileError(GetLastError(), "write", fileName);
  }
  if (written != count) ThrowFileError(ERROR_DISK_FULL, "write", fileName);
}

}  // namespace

int WriteBitmapFileAnew(const char* fileName, const PackedDib& block) {
  if (block.bytes == nullptr || block.length < kInfoHeaderSize) return 0;
  // No sharing while it is written: the converter must never read a half
  // written frame, and a file someone holds open stays as it is.
  FileOwner file;
  file.handle = CreateFileA(fileName, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file.handle == INVALID_HANDLE_VALUE) return 0;
  uint8_t header[kFileHeaderSize];
  MakeBitmapFileHeader(block, header);
  WriteAll(file.handle, header, sizeof header, fileName);
  WriteAll(file.handle, block.bytes, block.length, fileName);
  const HANDLE handle = file.handle;
  file.handle = INVALID_HANDLE_VALUE;
  if (!CloseHandle(handle)) ThrowFileError(GetLastError(), "close", fileName);
  return 1;
}
