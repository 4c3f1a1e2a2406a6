// A fresh folder, removed with everything in it when the owner goes out of
// scope. By default it is made in memory where the machine has a memory file
// system at hand (TMPDIR when that is one, else /dev/shm), as a player is
// told to run the advisor, and otherwise under TMPDIR or /tmp.
#ifndef BOTTLEWATCH_TESTS_SUPPORT_TEMP_DIR_H_
#define BOTTLEWATCH_TESTS_SUPPORT_TEMP_DIR_H_

#include <chrono>
#include <string>
#include <thread>

class TempDir {
 public:
  TempDir();
  explicit TempDir(const std::string& base);  // under base instead
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::string& path() const { return path_; }
  std::string File(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

// Whole-file and text helpers for tests.
std::string ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::string& bytes);
bool FileExists(const std::string& path);
// Whether the folder's file system keeps its files in memory (tmpfs, ramfs).
bool InMemoryFolder(const std::string& path);

inline bool StartsWith(const std::string& text, const std::string& head) {
  return text.compare(0, head.size(), head) == 0;
}

inline bool EndsWith(const std::string& text, const std::string& tail) {
  return text.size() >= tail.size() &&
         text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

// Polls until ready() holds, every 50 ms; false after the given seconds. For
// waits on the thing itself, with a generous limit, never a fixed time.
template <typename Ready>
bool PollUntil(Ready ready, double seconds) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
  while (!ready()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return true;
}

// Waits until path exists and is not empty; false after the given seconds.
bool WaitForContent(const std::string& path, double seconds);

// Waits until the file at path holds text; false after the given seconds.
bool WaitForText(const std::string& path, const std::string& text, double seconds);

#endif  // BOTTLEWATCH_TESTS_SUPPORT_TEMP_DIR_H_
