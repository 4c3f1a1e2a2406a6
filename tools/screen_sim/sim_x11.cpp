// Xlib drawing for screen-sim: palette allocation, the window, and one frame
// per state, composed off screen and copied in whole.
#include "sim_x11.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include "sim_colours.h"

namespace {

constexpr int kCheckerTile = 16;
constexpr int kFrameWidth = 3;

}  // namespace

struct SimScreen {
  Display* display = nullptr;
  Window window = 0;
  Pixmap background = 0;  // checker and bottle outline, drawn once
  Pixmap frame = 0;       // the state being composed
  GC gc = nullptr;
  unsigned long pixels[kPaintCount] = {};
  bool allocated[kPaintCount] = {};
  SimLayout layout;
};

namespace {

SimRgb Returned(const XColor& colour) {
  return {colour.red >> 8, colour.green >> 8, colour.blue >> 8};
}

// Tries the candidates in turn. A server with fewer bits per channel, or a
// full PseudoColor map that hands back a near colour, can turn a dim red into
// something the advisor reads otherwise, so the returned value is checked,
// not the one asked for.
bool AllocatePaint(SimScreen* screen, SimPaint paint) {
  const Colormap map = DefaultColormap(screen->display, DefaultScreen(screen->display));
  int count = 0;
  const SimRgb* candidates = PaintCandidates(paint, &count);
  for (int i = 0; i < count; ++i) {
    XColor colour = {};
    colour.red = static_cast<unsigned short>(candidates[i].red * 257);
    colour.green = static_cast<unsigned short>(candidates[i].green * 257);
    colour.blue = static_cast<unsigned short>(candidates[i].blue * 257);
    colour.flags = DoRed | DoGreen | DoBlue;
    if (!XAllocColor(screen->display, map, &colour)) continue;
    if (PaintAccepts(paint, Returned(colour))) {
      screen->pixels[paint] = colour.pixel;
      screen->allocated[paint] = true;
      return true;
    }
    XFreeColors(screen->display, map, &colour.pixel, 1, 0);
  }
  return false;
}

void Fill(SimScreen* screen, Drawable target, SimPaint paint, int x, int y, int width, int height) {
  XSetForeground(screen->display, screen->gc, screen->pixels[paint]);
  XFillRectangle(screen->display, target, screen->gc, x, y, static_cast<unsigned>(width),
                 static_cast<unsigned>(height));
}

void DrawBackground(SimScreen* screen) {
  for (int y = 0; y < kSimWindowHeight; y += kCheckerTile) {
    for (int x = 0; x < kSimWindowWidth; x += kCheckerTile) {
      const bool light = ((x + y) / kCheckerTile) % 2 == 0;
      Fill(screen, screen->background, light ? kPaintLight : kPaintShade, x, y, kCheckerTile,
           kCheckerTile);
    }
  }
  // An outline on the sides and bottom only: an open neck where vitamins
  // come in. It is bright, so it does not widen the dark area the advisor
  // measures.
  const SimLayout& l = screen->layout;
  const int width = kSimColumns * l.side;
  const int height = kSimRows * l.side;
  Fill(screen, screen->background, kPaintFrame, l.left - kFrameWidth, l.top, kFrameWidth,
       height + kFrameWidth);
  Fill(screen, screen->background, kPaintFrame, l.left + width, l.top, kFrameWidth,
       height + kFrameWidth);
  Fill(screen, screen->background, kPaintFrame, l.left, l.top + height, width, kFrameWidth);
}

void CopyToWindow(SimScreen* screen, int x, int y, int width, int height) {
  XCopyArea(screen->display, screen->frame, screen->window, screen->gc, x, y,
            static_cast<unsigned>(width), static_cast<unsigned>(height), x, y);
}

// A fixed size at the asked position, taking the keyboard focus (so that a
// window manager's "the focused window" is this one), and no title bar or
// border: the game's pixels are the whole window.
void AskForPlace(Display* display, Window window, const SimWindowPlace& place) {
  XSizeHints size = {};
  size.flags = USPosition | PPosition | PMinSize | PMaxSize;
  size.x = place.x;
  size.y = place.y;
  size.min_width = size.max_width = kSimWindowWidth;
  size.min_height = size.max_height = kSimWindowHeight;
  XSetWMNormalHints(display, window, &size);
  XWMHints hints = {};
  hints.flags = InputHint;
  hints.input = True;
  XSetWMHints(display, window, &hints);
  // _MOTIF_WM_HINTS: flags = decorations, decorations = none.
  const long motif[5] = {2, 0, 0, 0, 0};
  const Atom motifAtom = XInternAtom(display, "_MOTIF_WM_HINTS", False);
  XChangeProperty(display, window, motifAtom, motifAtom, 32, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(motif), 5);
}

}  // namespace

SimScreen* OpenSimScreen(const SimLayout& layout, const SimWindowPlace& place, std::string* error) {
  Display* display = XOpenDisplay(nullptr);
  if (display == nullptr) {
    *error = "cannot open the display (is DISPLAY set?)";
    return nullptr;
  }
  SimScreen* screen = new SimScreen;
  screen->display = display;
  screen->layout = layout;
  for (int paint = 0; paint < kPaintCount; ++paint) {
    if (!AllocatePaint(screen, static_cast<SimPaint>(paint))) {
      *error = "the screen cannot show a colour the advisor would read correctly";
      CloseSimScreen(screen);
      return nullptr;
    }
  }
  const int number = DefaultScreen(display);
  const Window root = RootWindow(display, number);
  const unsigned depth = static_cast<unsigned>(DefaultDepth(display, number));
  XSetWindowAttributes attributes = {};
  // Unless asked for a managed window, no window manager is needed, and none
  // may decorate or move it: the advisor reads fixed screen coordinates.
  attributes.override_redirect = place.managed ? False : True;
  attributes.background_pixel = screen->pixels[kPaintLight];
  attributes.event_mask = ExposureMask | (place.managed ? StructureNotifyMask : 0);
  screen->window = XCreateWindow(display, root, place.x, place.y, kSimWindowWidth, kSimWindowHeight,
                                 0, static_cast<int>(depth), InputOutput, CopyFromParent,
                                 CWOverrideRedirect | CWBackPixel | CWEventMask, &attributes);
  XStoreName(display, screen->window, "screen-sim");
  if (place.managed) AskForPlace(display, screen->window, place);
  screen->background =
      XCreatePixmap(display, screen->window, kSimWindowWidth, kSimWindowHeight, depth);
  screen->frame = XCreatePixmap(display, screen->window, kSimWindowWidth, kSimWindowHeight, depth);
  screen->gc = XCreateGC(display, screen->window, 0, nullptr);
  DrawBackground(screen);
  // Exposures before the first state copy from the frame, so it starts as
  // the bare background rather than undefined pixmap contents.
  XCopyArea(display, screen->background, screen->frame, screen->gc, 0, 0, kSimWindowWidth,
            kSimWindowHeight, 0, 0);
  XMapRaised(display, screen->window);
  if (place.managed) {
    // The window manager maps it in its own time; the first state is logged
    // as shown only once the window is there to show it.
    XEvent event;
    do {
      XWindowEvent(display, screen->window, StructureNotifyMask, &event);
    } while (event.type != MapNotify);
  }
  XSync(display, False);
  return screen;
}

void DrawSimState(SimScreen* screen, const char board[kSimCells], const SimVitamin* vitamin) {
  const SimLayout& l = screen->layout;
  XCopyArea(screen->display, screen->background, screen->frame, screen->gc, 0, 0, kSimWindowWidth,
            kSimWindowHeight, 0, 0);
  // Each cell is one flat square: the advisor averages the whole square, so
  // any shading or gap would shift its mean.
  for (int row = 0; row < kSimRows; ++row) {
    for (int column = 0; column < kSimColumns; ++column) {
      Fill(screen, screen->frame, PaintForCode(board[row * kSimColumns + column]),
           l.left + column * l.side, l.top + row * l.side, l.side, l.side);
    }
  }
  if (vitamin != nullptr && vitamin->firstRow < 0 && l.top >= l.side) {
    Fill(screen, screen->frame, PaintForCode(vitamin->firstCode),
         l.left + vitamin->firstColumn * l.side, l.top - l.side, l.side, l.side);
  }
  CopyToWindow(screen, 0, 0, kSimWindowWidth, kSimWindowHeight);
  XSync(screen->display, False);
}

void ServiceSimScreen(SimScreen* screen) {
  bool exposed = false;
  while (XPending(screen->display) > 0) {
    XEvent event;
    XNextEvent(screen->display, &event);
    if (event.type == Expose) {
      const XExposeEvent& e = event.xexpose;
      CopyToWindow(screen, e.x, e.y, e.width, e.height);
      exposed = true;
    }
  }
  if (exposed) XFlush(screen->display);
}

void MoveSimWindow(SimScreen* screen, int x, int y) {
  XMoveWindow(screen->display, screen->window, x, y);
  XSync(screen->display, False);
}

void CloseSimScreen(SimScreen* screen) {
  if (screen == nullptr) return;
  Display* display = screen->display;
  if (screen->gc != nullptr) XFreeGC(display, screen->gc);
  if (screen->frame != 0) XFreePixmap(display, screen->frame);
  if (screen->background != 0) XFreePixmap(display, screen->background);
  if (screen->window != 0) XDestroyWindow(display, screen->window);
  const Colormap map = DefaultColormap(display, DefaultScreen(display));
  for (int paint = 0; paint < kPaintCount; ++paint) {
    if (screen->allocated[paint]) XFreeColors(display, map, &screen->pixels[paint], 1, 0);
  }
  XCloseDisplay(display);
  delete screen;
}
