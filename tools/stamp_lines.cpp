// stamp-lines: copies standard input to standard output, each line prefixed
// with the wall-clock time (CLOCK_REALTIME, microseconds since the epoch) at
// which its newline arrived, and a blank:
//   <us> <line>
// It reads with plain read() calls, so a line is stamped as soon as the pipe
// hands it over, not when a buffer fills. An unfinished last line (the writer
// was stopped mid-line) is dropped.
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <string>

#include "wall_clock.h"

int main() {
  std::string pending;
  char buffer[4096];
  for (;;) {
    const ssize_t got = read(STDIN_FILENO, buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) break;
    const long long arrived = WallMicroseconds();
    pending.append(buffer, static_cast<size_t>(got));
    size_t start = 0;
    for (size_t end; (end = pending.find('\n', start)) != std::string::npos; start = end + 1) {
      std::printf("%lld %.*s\n", arrived, static_cast<int>(end - start), pending.data() + start);
    }
    pending.erase(0, start);
  }
  return 0;
}
