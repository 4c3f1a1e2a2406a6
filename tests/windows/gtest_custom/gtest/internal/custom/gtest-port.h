// GoogleTest's port hook for the Windows cross build. mingw-w64's win32
// thread model has no std::mutex or std::condition_variable, which
// GoogleTest's Notification is built on; Notification only paces the threads
// of GoogleTest's own threading tests, so a polling flag serves. Everything
// else keeps GoogleTest's Win32 implementation.
#ifndef BOTTLEWATCH_TESTS_WINDOWS_GTEST_CUSTOM_PORT_H_
#define BOTTLEWATCH_TESTS_WINDOWS_GTEST_CUSTOM_PORT_H_

#include <atomic>

#define GTEST_HAS_NOTIFICATION_ 1

namespace testing {
namespace internal {

class Notification {
 public:
  Notification() = default;
  Notification(const Notification&) = delete;
  Notification& operator=(const Notification&) = delete;

  void Notify() { notified_.store(true); }
  void WaitForNotification() {
    while (!notified_.load()) {
    }
  }

 private:
  std::atomic<bool> notified_{false};
};

}  // namespace internal
}  // namespace testing

#endif  // BOTTLEWATCH_TESTS_WINDOWS_GTEST_CUSTOM_PORT_H_
