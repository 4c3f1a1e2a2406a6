// redraw-window: a plain window that repaints itself whole HZ times a second,
// each time in another colour, dark and light in turn, as a game's title or
// menu screen does before its bottle shows. It serves bench/wait-cost, which
// measures what the advisor costs while it waits for the game.
// Usage: redraw-window [X,Y,WIDTH,HEIGHT] [HZ]   (default 0,0,640,480 and 30)
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <signal.h>
#include <time.h>

#include <cstdio>

namespace {

volatile sig_atomic_t stopRequested = 0;

void RequestStop(int) {
  stopRequested = 1;
}

// Dark, mid and light greys and a dark blue: never a bottle, always a change.
const unsigned long kColours[] = {0x101010, 0x404040, 0xd0d0d0, 0x202060};

}  // namespace

int main(int argc, char** argv) {
  int x = 0, y = 0, width = 640, height = 480;
  double hz = 30;
  if (argc > 1 && std::sscanf(argv[1], "%d,%d,%d,%d", &x, &y, &width, &height) != 4) {
    std::fprintf(stderr, "redraw-window: bad place \"%s\" (X,Y,WIDTH,HEIGHT)\n", argv[1]);
    return 2;
  }
  if (argc > 2 && (std::sscanf(argv[2], "%lf", &hz) != 1 || hz <= 0 || hz > 240)) {
    std::fprintf(stderr, "redraw-window: bad rate \"%s\" (1 to 240)\n", argv[2]);
    return 2;
  }
  Display* display = XOpenDisplay(nullptr);
  if (display == nullptr) {
    std::fprintf(stderr, "redraw-window: cannot open the display\n");
    return 1;
  }
  // Without SA_RESTART: a stop ends the pause at once, and the loop then ends
  // between two requests rather than inside one.
  struct sigaction action = {};
  action.sa_handler = RequestStop;
  sigemptyset(&action.sa_mask);
  sigaction(SIGTERM, &action, nullptr);
  sigaction(SIGINT, &action, nullptr);
  XSetWindowAttributes attributes;
  attributes.override_redirect = True;
  attributes.background_pixel = 0;
  const Window window =
      XCreateWindow(display, DefaultRootWindow(display), x, y, static_cast<unsigned>(width),
                    static_cast<unsigned>(height), 0, CopyFromParent, InputOutput, CopyFromParent,
                    CWOverrideRedirect | CWBackPixel, &attributes);
  XMapRaised(display, window);
  const GC gc = XCreateGC(display, window, 0, nullptr);
  const long period = static_cast<long>(1e9 / hz);
  for (unsigned frame = 0; !stopRequested; ++frame) {
    XSetForeground(display, gc, kColours[frame % 4]);
    XFillRectangle(display, window, gc, 0, 0, static_cast<unsigned>(width),
                   static_cast<unsigned>(height));
    XSync(display, False);
    timespec pause = {period / 1000000000L, period % 1000000000L};
    nanosleep(&pause, nullptr);
  }
  XFreeGC(display, gc);
  XDestroyWindow(display, window);
  XCloseDisplay(display);
  return 0;
}
