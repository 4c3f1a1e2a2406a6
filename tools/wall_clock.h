// The clock that screen-sim's log and stamp-lines share, so that
// bench/redraw-latency can subtract one's readings from the other's (bash's
// EPOCHREALTIME, which the bench uses too, reads the same clock).
#ifndef BOTTLEWATCH_TOOLS_WALL_CLOCK_H_
#define BOTTLEWATCH_TOOLS_WALL_CLOCK_H_

#include <time.h>

// CLOCK_REALTIME in microseconds since the epoch.
inline long long WallMicroseconds() {
  timespec t;
  clock_gettime(CLOCK_REALTIME, &t);
  return static_cast<long long>(t.tv_sec) * 1000000 + t.tv_nsec / 1000;
}

#endif  // BOTTLEWATCH_TOOLS_WALL_CLOCK_H_
