// The nudge on an X screen, drawn on the root window over whatever window
// covers the corner.
#include <X11/Xlib.h>

#include <algorithm>

#include "screen_nudge.h"

void NudgeScreen(int call) {
  Display* x = XOpenDisplay(nullptr);
  if (x == nullptr) return;
  const int screen = DefaultScreen(x);
  const Window root = RootWindow(x, screen);
  XGCValues values;
  values.subwindow_mode = IncludeInferiors;
  values.foreground = call % 2 != 0 ? WhitePixel(x, screen) : BlackPixel(x, screen);
  const GC gc = XCreateGC(x, root, GCSubwindowMode | GCForeground, &values);
  XDrawPoint(x, root, gc, std::min(640, DisplayWidth(x, screen)) - 1,
             std::min(480, DisplayHeight(x, screen)) - 1);
  XFreeGC(x, gc);
  // Drawn before the advisor's next capture, which follows this feeder's exit.
  XSync(x, False);
  XCloseDisplay(x);
}
