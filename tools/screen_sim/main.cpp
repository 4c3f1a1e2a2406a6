// screen-sim: shows a self-playing game on an X screen of any size, at any
// cell side from 6 to 48, sharp or smoothed, with its bottle where it is asked
// (by default the 640 x 480 game in the screen's top-left corner), or in an
// ordinary window, in this game's look or another's, for the advisor's demo
// and end-to-end tests. Options, the step and redraw timing, and the log.
#include <signal.h>
#include <time.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "sim_drawing.h"
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
  bool leftGiven = false;
  bool topGiven = false;
  SimWindowPlace place;
  int spawnRow = kSimSpawnAbove;
  double redrawHz = 0;   // 0: drawn only when the state changes
  double animateHz = 0;  // 0: the viruses hold still
  bool logPlace = false;
  bool radiusGiven = false;
  bool help = false;
};

const char kUsage[] =
    "usage: screen-sim [--hold SECONDS] [--seed N] [--rate STEPS_PER_SECOND] [--steps N]\n"
    "                  [--log FILE] [--side PIXELS] [--left X] [--top Y] [--smooth]\n"
    "                  [--window X,Y | --centre] [--move X,Y] [--spawn-row ROW]\n"
    "                  [--border PIXELS] [--radius PIXELS] [--border-colour RRGGBB]\n"
    "                  [--inside RRGGBB] [--page KIND] [--redraw HZ] [--log-place]\n"
    "                  [--gap PIXELS] [--row-offset PIXELS] [--palette NAME] [--animate HZ]\n"
    "  --hold   how long the first, viruses-only state stays (default 1.0)\n"
    "  --seed   the game to play (default 1)\n"
    "  --rate   steps per second after the hold (default 4)\n"
    "  --steps  stop after this many steps beyond the first state (default 0: never)\n"
    "  --log    write one line per state once it is on the screen, ending in the time it\n"
    "           got there (t=, wall-clock microseconds since the epoch)\n"
    "  --side   cell side in pixels, 6 to 48 (default 12); the game's drawing is 640 x 480\n"
    "           up to side 24 and grows beyond it to hold the bottle\n"
    "  --left, --top  where the bottle's top-left pixel lies on the screen, anywhere on a\n"
    "           screen of any size; the bottle may run off its right and bottom edges\n"
    "           (default: the drawing in the screen's top-left corner, the bottle 200 right\n"
    "           of it and 40 down, or 2 x side down beyond side 20)\n"
    "  --smooth draw the game as a bilinear scaler shows it, every edge blurred over\n"
    "           side / 8 pixels (rounded); needs a TrueColor screen\n"
    "  --window an ordinary window that the window manager places, asked for X,Y, instead\n"
    "           of an unmanaged one; the bottle lies in it as in the corner by default\n"
    "  --centre an ordinary window, as --window, asking for the middle of the screen as a\n"
    "           desktop toolkit centres a game's window: its top-left corner at\n"
    "           ((screen width - drawing width) / 2, (screen height - drawing height) / 2),\n"
    "           each at least 0\n"
    "  --move   on SIGUSR1, move the window's top-left corner to X,Y (as a player drags the\n"
    "           game's window) and log a line \"moved to X,Y t=...\"\n"
    "  --spawn-row  the row a vertical vitamin's upper half enters at: -1, above the bottle\n"
    "           with its lower half in row 0 (default), or 0, wholly inside, in rows 0 and 1;\n"
    "           a horizontal one enters in row 0 either way\n"
    "  --border a closed border this thick, 2 to 16, on all four sides outside the cells,\n"
    "           instead of the outline open at the neck (default)\n"
    "  --radius round the border's outer corners with this radius, 0 (default) to two-thirds\n"
    "           of the cell side; outside the curve the page shows, and the border follows it\n"
    "           inside with the radius less its thickness, over the corner cells' corners\n"
    "  --border-colour  the border's or outline's colour, any light one (luminance 150 or\n"
    "           more; default white for --border, the pale blue-grey outline otherwise)\n"
    "  --inside the colour of the bottle's empty inside (default black); it must read as an\n"
    "           empty cell to the advisor and have luminance 40 or less, so that a game's\n"
    "           dark grey such as 252525 (36) is taken, though black is darker than 30\n"
    "  --page   what surrounds the game: checker (default, the light checker), light (plain\n"
    "           light grey), white, or photo (a picture of gradients and blotches, dark and\n"
    "           bright, the same every time; needs a TrueColor screen)\n"
    "  --redraw redraw the whole window HZ times a second, 1 to 120, as a toolkit game does,\n"
    "           with a clock right of the bottle whose hand moves on at every redraw; the\n"
    "           board changes only at the steps\n"
    "  --log-place  begin the log with \"bottle at X,Y width W pitch P\": the bottle's top-left\n"
    "           pixel on the screen, its width (8 x side) and its cell pitch (the side);\n"
    "           after a --move, such a line follows the \"moved to\" one; with --gap or\n"
    "           --row-offset, W is the dark field's width (8 x side + 7 x gap), P the pitch\n"
    "           (side + gap), and the line goes on \" origin OX,OY side S\": the first brick's\n"
    "           top-left pixel on the screen and the brick's side, brick (c, r) lying at\n"
    "           (OX + c x P, OY + r x P)\n"
    "  --gap    draw the cells as bricks of side pixels lying side + gap apart, 0 (default)\n"
    "           to 16, the gaps showing the inside: the dark field is 8 x side + 7 x gap\n"
    "           wide and 16 x side + 15 x gap tall (plus any --row-offset)\n"
    "  --row-offset  start the first brick row this many pixels, 0 (default) to 16, below\n"
    "           the dark field's top, which stays at the bottle's top; the field grows by as\n"
    "           much\n"
    "  --palette  the cells' colours: default (this game's flat squares); pure (saturated\n"
    "           red, yellow and blue halves as a browser game draws them, pure blue reading\n"
    "           dark, and viruses as eyed blobs of those colours, a lighter blue for blue,\n"
    "           each fitted to read just over the advisor's bright line, 135 to 137); or\n"
    "           sprite (a red ring, a blue blob with eyes on the dark inside, and a yellow\n"
    "           dome over the cell's upper half with its lower half black)\n"
    "  --animate  move the viruses' sprites a pixel (two from side 24) right and left HZ\n"
    "           times a second, 1 to 120, redrawing the window each time; needs --palette\n"
    "           pure or sprite; the board and the log do not change with it\n"
    "Each log line holds the board: step=N board=<128 codes, row by row> vitamin=... t=...\n";

// What a bad value for an option should have been.
const char* Expected(const std::string& name) {
  if (name == "--side") return " (a cell side from 6 to 48)";
  if (name == "--left" || name == "--top") return " (a pixel of the screen, 0 or more)";
  if (name == "--window" || name == "--move") return " (X,Y, a pixel of the screen)";
  if (name == "--spawn-row") return " (-1 or 0)";
  if (name == "--border") return " (a thickness from 2 to 16)";
  if (name == "--border-colour") return " (RRGGBB, a light colour: luminance 150 or more)";
  if (name == "--inside") {
    return " (RRGGBB, a dark colour that reads as an empty cell, luminance 40 or less)";
  }
  if (name == "--page") return " (checker, light, white or photo)";
  if (name == "--redraw") return " (redraws a second, 1 to 120)";
  if (name == "--gap") return " (a gap from 0 to 16)";
  if (name == "--row-offset") return " (an offset from 0 to 16)";
  if (name == "--palette") return " (default, pure or sprite)";
  if (name == "--animate") return " (frames a second, 1 to 120)";
  return "";
}

// Far beyond any screen's size; the screen's own size is checked on opening.
constexpr long kLargestCoordinate = 100000;

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
    if (name == "--smooth") {
      options->layout.smooth = true;
      continue;
    }
    if (name == "--centre") {
      options->place.centred = true;
      continue;
    }
    if (name == "--log-place") {
      options->logPlace = true;
      continue;
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
      if (ok) {
        ok = ParseLong(end + 1, &number) && x >= 0 && x < kLargestCoordinate && number >= 0 &&
             number < kLargestCoordinate;
      }
      SimWindowPlace& place = options->place;
      if (name == "--window") {
        place.managed = true;
        place.x = static_cast<int>(x);
        place.y = static_cast<int>(number);
      } else {
        place.moves = true;
        place.moveX = static_cast<int>(x);
        place.moveY = static_cast<int>(number);
      }
    } else if (name == "--log") {
      options->logPath = value;
      ok = !options->logPath.empty();
    } else if (name == "--side") {
      ok = ParseLong(value, &number) && number >= kSimSmallestSide && number <= kSimLargestSide;
      options->layout.side = static_cast<int>(number);
    } else if (name == "--left" || name == "--top") {
      // Whether it lies on the screen is known once the display is open.
      ok = ParseLong(value, &number) && number >= 0 && number < kLargestCoordinate;
      (name == "--left" ? options->layout.left : options->layout.top) = static_cast<int>(number);
      (name == "--left" ? options->leftGiven : options->topGiven) = true;
    } else if (name == "--spawn-row") {
      ok = ParseLong(value, &number) && (number == kSimSpawnAbove || number == kSimSpawnInside);
      options->spawnRow = static_cast<int>(number);
    } else if (name == "--border") {
      ok =
          ParseLong(value, &number) && number >= kSimThinnestBorder && number <= kSimThickestBorder;
      options->layout.look.border = static_cast<int>(number);
    } else if (name == "--radius") {
      // Its bound depends on --side, which may come later.
      ok = ParseLong(value, &number) && number >= 0 && number <= kSimLargestSide;
      options->layout.look.radius = static_cast<int>(number);
      options->radiusGiven = true;
    } else if (name == "--border-colour") {
      SimLook& look = options->layout.look;
      ok = ParseRgb(value, &look.borderColour) && PaintAccepts(kPaintFrame, look.borderColour);
      look.borderColourGiven = true;
    } else if (name == "--inside") {
      SimLook& look = options->layout.look;
      ok = ParseRgb(value, &look.inside) && InsideAccepts(look.inside);
      look.insideGiven = true;
    } else if (name == "--page") {
      const std::string kind = value;
      SimPage& page = options->layout.look.page;
      ok = true;
      if (kind == "checker") {
        page = SimPage::kChecker;
      } else if (kind == "light") {
        page = SimPage::kLight;
      } else if (kind == "white") {
        page = SimPage::kWhite;
      } else if (kind == "photo") {
        page = SimPage::kPhoto;
      } else {
        ok = false;
      }
    } else if (name == "--redraw") {
      ok = ParseDouble(value, &options->redrawHz) && options->redrawHz >= 1 &&
           options->redrawHz <= 120;
      options->layout.clock = true;
    } else if (name == "--gap" || name == "--row-offset") {
      const bool gap = name == "--gap";
      ok = ParseLong(value, &number) && number >= 0 &&
           number <= (gap ? kSimWidestGap : kSimLargestRowOffset);
      (gap ? options->layout.look.gap : options->layout.look.rowOffset) = static_cast<int>(number);
    } else if (name == "--palette") {
      const std::string kind = value;
      SimPalette& palette = options->layout.look.palette;
      ok = true;
      if (kind == "default") {
        palette = SimPalette::kDefault;
      } else if (kind == "pure") {
        palette = SimPalette::kPure;
      } else if (kind == "sprite") {
        palette = SimPalette::kSprite;
      } else {
        ok = false;
      }
    } else if (name == "--animate") {
      ok = ParseDouble(value, &options->animateHz) && options->animateHz >= 1 &&
           options->animateHz <= 120;
    } else {
      *error = "unknown option " + name + "; see screen-sim --help";
      return false;
    }
    if (!ok) {
      *error = "bad value for " + name + ": \"" + value + "\"" + Expected(name);
      return false;
    }
  }
  if (options->place.managed && (options->leftGiven || options->topGiven)) {
    *error = "--left and --top place the unmanaged window's bottle; --window X,Y places the window";
    return false;
  }
  if (options->place.centred &&
      (options->place.managed || options->leftGiven || options->topGiven)) {
    *error = "--centre places the window itself; it takes no --window, --left or --top";
    return false;
  }
  const SimLook& look = options->layout.look;
  if (options->radiusGiven && look.border == 0) {
    *error = "--radius rounds the corners of a --border; give --border too";
    return false;
  }
  if (look.radius > LargestRadius(options->layout.side)) {
    *error = "bad value for --radius: \"" + std::to_string(look.radius) + "\" (0 to " +
             std::to_string(LargestRadius(options->layout.side)) + ", two-thirds of side " +
             std::to_string(options->layout.side) + ")";
    return false;
  }
  if (options->animateHz > 0 && look.palette == SimPalette::kDefault) {
    *error = "--animate moves the viruses' sprites; give --palette pure or sprite too";
    return false;
  }
  // Unplaced, the drawing's corner is the screen's: at side 12 the classic
  // bottle at 200,40 in the top-left 640 x 480.
  const SimDrawing drawing = DrawingForSide(options->layout.side);
  if (!options->leftGiven) options->layout.left = drawing.bottleLeft;
  if (!options->topGiven) options->layout.top = drawing.bottleTop;
  return true;
}

double Now() {
  timespec t;
  clock_gettime(CLOCK_MONOTONIC, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

// Without gaps or a row offset the line is as it always was; with them, the
// bricks' true grid follows, as the field's width and pitch alone do not say
// where the first brick starts.
void LogPlace(SimScreen* screen, const SimLayout& layout, std::FILE* log) {
  int x = 0;
  int y = 0;
  BottleOnScreen(screen, &x, &y);
  const SimDrawing drawing = DrawingForLook(layout.side, layout.look);
  std::fprintf(log, "bottle at %d,%d width %d pitch %d", x, y, FieldWidth(drawing), Pitch(drawing));
  if (layout.look.gap > 0 || layout.look.rowOffset > 0) {
    std::fprintf(log, " origin %d,%d side %d", x, y + layout.look.rowOffset, layout.side);
  }
  std::fputc('\n', log);
  std::fflush(log);
}

// Sleeps in short slices so that a stop signal ends the wait quickly, and
// keeps the window painted meanwhile; moves the window when asked, and
// redraws it whole when it is due (*nextRedraw, advanced by one period), and
// so moves the viruses' sprites on (*nextFrame).
void WaitUntil(double deadline, SimScreen* screen, const Options& options, std::FILE* log,
               double* nextRedraw, double* nextFrame) {
  while (!stopRequested) {
    if (moveRequested && options.place.moves) {
      moveRequested = 0;
      MoveSimWindow(screen, options.place.moveX, options.place.moveY);
      if (log != nullptr) {
        std::fprintf(log, "moved to %d,%d t=%lld\n", options.place.moveX, options.place.moveY,
                     WallMicroseconds());
        std::fflush(log);
        if (options.logPlace) LogPlace(screen, options.layout, log);
      }
    }
    ServiceSimScreen(screen);
    double wake = deadline;
    if (options.redrawHz > 0) {
      if (Now() >= *nextRedraw) {
        RedrawSimScreen(screen);
        // A redraw that overran does not queue a burst of catching up.
        *nextRedraw = std::max(*nextRedraw + 1.0 / options.redrawHz, Now());
      }
      wake = std::min(wake, *nextRedraw);
    }
    if (options.animateHz > 0) {
      if (Now() >= *nextFrame) {
        AnimateSimScreen(screen);
        *nextFrame = std::max(*nextFrame + 1.0 / options.animateHz, Now());
      }
      wake = std::min(wake, *nextFrame);
    }
    const double left = deadline - Now();
    if (left <= 0) return;
    const double slice = std::min(0.01, wake - Now());
    if (slice <= 0) continue;
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
    std::fprintf(stderr, "screen-sim: %s\n", error.c_str());
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
  bool optionsRefused = false;
  SimScreen* screen = OpenSimScreen(options.layout, options.place, &error, &optionsRefused);
  if (screen == nullptr) {
    std::fprintf(stderr, "screen-sim: %s\n", error.c_str());
    if (log != nullptr) std::fclose(log);
    return optionsRefused ? 2 : 1;
  }

  if (log != nullptr && options.logPlace) LogPlace(screen, options.layout, log);
  SimGame game;
  StartSimGame(options.seed, &game, options.spawnRow);
  int step = 0;
  ShowState(game, step, screen, log);
  double deadline = Now() + options.holdSeconds;
  double nextRedraw = Now();
  double nextFrame = Now() + (options.animateHz > 0 ? 1.0 / options.animateHz : 0);
  const double period = 1.0 / options.rate;
  while (!stopRequested) {
    WaitUntil(deadline, screen, options, log, &nextRedraw, &nextFrame);
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
