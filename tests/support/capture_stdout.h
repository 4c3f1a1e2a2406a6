// Collects what a piece of code writes to std::cout.
#ifndef BOTTLEWATCH_TESTS_SUPPORT_CAPTURE_STDOUT_H_
#define BOTTLEWATCH_TESTS_SUPPORT_CAPTURE_STDOUT_H_

#include <iostream>
#include <sstream>
#include <string>

// Sends std::cout into a string while it lives; text() holds what was written.
class CapturedStdout {
 public:
  CapturedStdout() : saved_(std::cout.rdbuf(buffer_.rdbuf())) {}
  ~CapturedStdout() { std::cout.rdbuf(saved_); }
  CapturedStdout(const CapturedStdout&) = delete;
  CapturedStdout& operator=(const CapturedStdout&) = delete;

  std::string text() const { return buffer_.str(); }

 private:
  std::ostringstream buffer_;
  std::streambuf* saved_;
};

#endif  // BOTTLEWATCH_TESTS_SUPPORT_CAPTURE_STDOUT_H_
