// screen-sim: shows a self-playing game screen in the top-left 640 x 480 of
// an X screen (or, with --window, in an ordinary 640 x 480 window) for the
// advisor's demo and end-to-end tests. Options, the step timing and the log.
#include <signal.h>
#include <time.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "sim_game.h"
#include "sim_x11.h"
#include "wall_clock.h"

namespace {

volatile sig_atomic_t stopRequested = 0;
volatile sig_atomic_t moveRequested = 0;

void RequestStop(int) {
  stopRequested = 1;
}

void RequestMove(int) {
  moveRequested = 1;
}

struct Options {
  double holdSeconds = 1.0;
  unsigned long long seed = 1;
  double rate = 4.0;
  long steps = 0;
  std::string logPath;
  SimLayout layout;
  SimWindowPlace place;
  bool moves = false;  // --move given
  int moveX = 0;
  int moveY = 0;
  bool help = false;
};

const char kUsage[] =
    "usage: screen-sim [--hold SECONDS] [--seed N] [--rate STEPS_PER_SECOND] [--steps N]\n"
    "                  [--log FILE] [--side PIXELS] [--left X] [--top Y] [--window X,Y]\n"
    "                  [--move X,Y]\n"
    "  --hold   how long the first, viruses-only state stays (default 1.0)\n"
    "  --seed   the game to play (default 1)\n"
    "  --rate   steps per second after the hold (default 4)\n"
    "  --steps  stop after this many steps beyond the first state (default 0: never)\n"
    "  --log    write one line per state once it is on the screen, ending in the time it\n"
    "           got there (t=, wall-clock microseconds since the epoch)\n"
    "  --side, --left, --top  cell side and the bottle's top-left pixel (default 12, 200, 40)\n"
    "  --window an ordinary window that the window manager places, asked for X,Y, instead\n"
    "           of an unmanaged one at the screen's corner\n"
    "  --move   on SIGUSR1, move the window to X,Y (as a player drags the game's window) and\n"
    "           log a line \"moved to X,Y t=...\"\n";

bool ParseDouble(const char* text, double* value) {
  char* end = nullptr;
  errno = 0;
  *value = std::strtod(text, &end);
  return errno == 0 && end != text && *end == '\0' && std::isfinite(*value);
}

bool ParseLong(const char* text, long* value) {
  char* end = nullptr;
  errno = 0;
  *value = std::strtol(text, &end, 10);
  return errno == 0 && end != text && *end == '\0';
}

bool ParseOptions(int argc, char** argv, Options* options, std::string* error) {
  for (int i = 1; i < argc; ++i) {
    const std::string name = argv[i];
    if (name == "--help") {
      options->help = true;
      return true;
    }
    if (i + 1 >= argc) {
      *error = "missing value for " + name;
      return false;
    }
    const char* value = argv[++i];
    bool ok = false;
    long number = 0;
    if (name == "--hold") {
      ok = ParseDouble(value, &options->holdSeconds) && options->holdSeconds >= 0;
    } else if (name == "--rate") {
      ok = ParseDouble(value, &options->rate) && options->rate > 0;
    } else if (name == "--seed") {
      char* end = nullptr;
      errno = 0;
      options->seed = std::strtoull(value, &end, 10);
      ok = errno == 0 && end != value && *end == '\0' && value[0] != '-';
    } else if (name == "--steps") {
      ok = ParseLong(value, &options->steps) && options->steps >= 0;
    } else if (name == "--window" || name == "--move") {
      char* end = nullptr;
      errno = 0;
      const long x = std::strtol(value, &end, 10);
      ok = errno == 0 && end != value && *end == ',';
      if (ok)
        ok = ParseLong(end + 1, &number) && x >= 0 && x < 10000 && number >= 0 && number < 10000;
      if (name == "--window") {
        options->place = {true, static_cast<int>(x), static_cast<int>(number)};
      } else {
        options->moves = true;
        options->moveX = static_cast<int>(x);
        options->moveY = static_cast<int>(number);
      }
    } else if (name == "--log") {
      options->logPath = value;
      ok = !options->logPath.empty();
    } else if (name == "--side") {
      ok = ParseLong(value, &number) && number >= 2 && number <= 30;
      options->layout.side = static_cast<int>(number);
    } else if (name == "--left") {
      ok = ParseLong(value, &number) && number >= 0 && number < kSimWindowWidth;
      options->layout.left = static_cast<int>(number);
    } else if (name == "--top") {
      ok = ParseLong(value, &number) && number >= 0 && number < kSimWindowHeight;
      options->layout.top = static_cast<int>(number);
    } else {
      *error = "unknown option " + name;
      return false;
    }
    if (!ok) {
      *error = "bad value for " + name + ": " + value;
      return false;
    }
  }
  const SimLayout& l = options->layout;
  // The advisor only starts its search in the upper half, and needs a bright
  // column right of the bottle to see where it ends.
  if (l.left + kSimColumns * l.side >= kSimWindowWidth ||
      l.top + kSimRows * l.side > kSimWindowHeight || l.top >= kSimWindowHeight / 2) {
    *error =
        "the bottle does not fit: it must leave column 639 free, end by row 480 and start above "
        "row 240";
    return false;
  }
  return true;
}

double Now() {
  timespec t;
  clock_gettime(CLOCK_MONOTONIC, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

// Sleeps in short slices so that a stop signal ends the wait quickly, and
// keeps the window painted meanwhile; moves the window when asked.
void WaitUntil(double deadline, SimScreen* screen, const Options& options, std::FILE* log) {
  while (!stopRequested) {
    if (moveRequested && options.moves) {
      moveRequested = 0;
      MoveSimWindow(screen, options.moveX, options.moveY);
      if (log != nullptr) {
        std::fprintf(log, "moved to %d,%d t=%lld\n", options.moveX, options.moveY,
                     WallMicroseconds());
        std::fflush(log);
      }
    }
    ServiceSimScreen(screen);
    const double left = deadline - Now();
    if (left <= 0) return;
    const double slice = left < 0.01 ? left : 0.01;
    timespec pause;
    pause.tv_sec = 0;
    pause.tv_nsec = static_cast<long>(slice * 1e9);
    nanosleep(&pause, nullptr);
  }
}

// Draws first and logs after: a log line promises the state is on screen, and
// its time is when the server had drawn it.
void ShowState(const SimGame& game, int step, SimScreen* screen, std::FILE* log) {
  char board[kSimCells];
  ShownBoard(game, board);
  DrawSimState(screen, board, game.falling ? &game.vitamin : nullptr);
  if (log == nullptr) return;
  const long long drawnAt = WallMicroseconds();
  std::fprintf(log, "%s t=%lld\n", FormatSimState(game, step).c_str(), drawnAt);
  std::fflush(log);
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  std::string error;
  if (!ParseOptions(argc, argv, &options, &error)) {
    std::fprintf(stderr, "screen-sim: %s\n%s", error.c_str(), kUsage);
    return 2;
  }
  if (options.help) {
    std::fputs(kUsage, stdout);
    return 0;
  }

  struct sigaction action;
  std::memset(&action, 0, sizeof action);
  action.sa_handler = RequestStop;
  sigemptyset(&action.sa_mask);
  sigaction(SIGTERM, &action, nullptr);
  sigaction(SIGINT, &action, nullptr);
  action.sa_handler = RequestMove;
  sigaction(SIGUSR1, &action, nullptr);

  std::FILE* log = nullptr;
  if (!options.logPath.empty()) {
    log = std::fopen(options.logPath.c_str(), "w");
    if (log == nullptr) {
      std::fprintf(stderr, "screen-sim: cannot write %s\n", options.logPath.c_str());
      return 1;
    }
  }
  SimScreen* screen = OpenSimScreen(options.layout, options.place, &error);
  if (screen == nullptr) {
    std::fprintf(stderr, "screen-sim: %s\n", error.c_str());
    if (log != nullptr) std::fclose(log);
    return 1;
  }

  SimGame game;
  StartSimGame(options.seed, &game);
  int step = 0;
  ShowState(game, step, screen, log);
  double deadline = Now() + options.holdSeconds;
  const double period = 1.0 / options.rate;
  while (!stopRequested) {
    WaitUntil(deadline, screen, options, log);
    if (stopRequested || (options.steps > 0 && step >= options.steps)) break;
    StepSimGame(&game);
    ++step;
    ShowState(game, step, screen, log);
    deadline += period;
  }

  CloseSimScreen(screen);
  if (log != nullptr) std::fclose(log);
  return 0;
}
