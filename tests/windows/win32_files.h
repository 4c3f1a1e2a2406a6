// Files and little-endian fields for the Windows tests: a private folder under
// the user's temporary directory, removed with its contents when the owner
// goes out of scope, and whole-file reads and writes.
#ifndef BOTTLEWATCH_TESTS_WINDOWS_WIN32_FILES_H_
#define BOTTLEWATCH_TESTS_WINDOWS_WIN32_FILES_H_

#include <cstdint>
#include <string>

class TempFolder {
 public:
  TempFolder();  // throws std::runtime_error when no folder can be made
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  // A path inside the folder, with Windows separators.
  std::string File(const std::string& name) const { return path_ + "\\" + name; }

 private:
  std::string path_;
};

// The whole file; empty when it cannot be read.
std::string ReadWholeFile(const std::string& path);
void WriteWholeFile(const std::string& path, const std::string& bytes);
bool PathExists(const std::string& path);

// Little-endian fields of a file's bytes.
uint32_t Field32(const std::string& bytes, size_t at);
uint16_t Field16(const std::string& bytes, size_t at);

#endif  // BOTTLEWATCH_TESTS_WINDOWS_WIN32_FILES_H_
