// x-roundtrip: how long another X client waits for the server. For SECONDS
// it makes one round trip after another (XSync: a request with a reply, the
// smallest a client can wait for), optionally pausing between them, and prints
//   count=<n> p50_us=<us> p99_us=<us> max_us=<us>
// While another client holds the server grabbed, or keeps it busy with one
// long request, every round trip that arrives meanwhile waits for it; that wait
// is what bench/x-latency looks for in the tail.
#include <X11/Xlib.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

// The nearest-rank percentile of sorted microseconds.
long long Percentile(const std::vector<long long>& sorted, double fraction) {
  const size_t rank = static_cast<size_t>(std::ceil(fraction * static_cast<double>(sorted.size())));
  return sorted[std::max<size_t>(rank, 1) - 1];
}

std::vector<long long> TimeRoundTrips(Display* display, double seconds, long pauseMicroseconds) {
  std::vector<long long> micros;
  const Clock::time_point end = Clock::now() + std::chrono::duration_cast<Clock::duration>(
                                                   std::chrono::duration<double>(seconds));
  for (Clock::time_point start = Clock::now(); start < end; start = Clock::now()) {
    XSync(display, False);
    micros.push_back(
        std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - start).count());
    if (pauseMicroseconds > 0) {
      std::this_thread::sleep_for(std::chrono::microseconds(pauseMicroseconds));
    }
  }
  return micros;
}

}  // namespace

int main(int argc, char** argv) {
  const double seconds = argc > 1 ? std::atof(argv[1]) : 0;
  const long pause = argc > 2 ? std::atol(argv[2]) : 0;
  if (argc < 2 || argc > 3 || seconds <= 0 || pause < 0) {
    std::fprintf(stderr, "usage: x-roundtrip SECONDS [PAUSE_MICROSECONDS]\n");
    return 2;
  }
  Display* display = XOpenDisplay(nullptr);
  if (display == nullptr) {
    std::fprintf(stderr, "x-roundtrip: cannot open display %s\n", XDisplayName(nullptr));
    return 1;
  }
  std::vector<long long> micros = TimeRoundTrips(display, seconds, pause);
  XCloseDisplay(display);
  std::sort(micros.begin(), micros.end());
  std::printf("count=%zu p50_us=%lld p99_us=%lld max_us=%lld\n", micros.size(),
              Percentile(micros, 0.50), Percentile(micros, 0.99), micros.back());
  return 0;
}
