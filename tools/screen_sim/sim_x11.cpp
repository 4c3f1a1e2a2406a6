// Xlib drawing for screen-sim: palette allocation, the window, and one frame
// per state, composed in memory and put in whole.
#include "sim_x11.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "sim_colours.h"
#include "sim_drawing.h"

struct SimScreen {
  Display* display = nullptr;
  Window window = 0;
  Pixmap frame = 0;  // the state last drawn, for repainting exposures
  GC gc = nullptr;
  XImage* image = nullptr;  // the state being composed
  unsigned long pixels[kPaintCount] = {};
  SimRgb shown[kPaintCount] = {};  // what the server gave for each paint
  bool allocated[kPaintCount] = {};
  SimLayout layout;
  SimDrawing drawing;
  std::vector<uint8_t> paints;
  std::vector<SimRgb> colours;  // smoothing's scratch
  std::vector<SimRgb> photo;    // the photographic page, when it is the page
  char board[kSimCells] = {};   // the state last drawn, for redraws
  bool hasVitamin = false;
  SimVitamin vitamin;
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
  const SimLook& look = screen->layout.look;
  const SimRgb* candidates = LookCandidates(look, paint, &count);
  for (int i = 0; i < count; ++i) {
    XColor colour = {};
    colour.red = static_cast<unsigned short>(candidates[i].red * 257);
    colour.green = static_cast<unsigned short>(candidates[i].green * 257);
    colour.blue = static_cast<unsigned short>(candidates[i].blue * 257);
    colour.flags = DoRed | DoGreen | DoBlue;
    if (!XAllocColor(screen->display, map, &colour)) continue;
    if (LookAccepts(look, paint, Returned(colour))) {
      screen->pixels[paint] = colour.pixel;
      screen->shown[paint] = Returned(colour);
      screen->allocated[paint] = true;
      return true;
    }
    XFreeColors(screen->display, map, &colour.pixel, 1, 0);
  }
  return false;
}

// Where an 8-bit channel goes in a TrueColor pixel: the field of its mask.
struct ChannelField {
  int shift = 0;
  unsigned long top = 0;  // the field's largest value
};

ChannelField FieldOf(unsigned long mask) {
  ChannelField field;
  while (mask != 0 && ((mask >> field.shift) & 1) == 0) ++field.shift;
  field.top = mask >> field.shift;
  return field;
}

unsigned long ChannelBits(int value, const ChannelField& field) {
  return ((static_cast<unsigned long>(value) * field.top + 127) / 255) << field.shift;
}

void CopyToWindow(SimScreen* screen, int x, int y, int width, int height) {
  XCopyArea(screen->display, screen->frame, screen->window, screen->gc, x, y,
            static_cast<unsigned>(width), static_cast<unsigned>(height), x, y);
}

// A fixed size at the asked position, taking the keyboard focus (so that a
// window manager's "the focused window" is this one), and no title bar or
// border: the game's pixels are the whole window.
void AskForPlace(Display* display, Window window, const SimWindowPlace& place,
                 const SimDrawing& drawing) {
  XSizeHints size = {};
  size.flags = USPosition | PPosition | PMinSize | PMaxSize;
  size.x = place.x;
  size.y = place.y;
  size.min_width = size.max_width = drawing.width;
  size.min_height = size.max_height = drawing.height;
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

// Every place asked for, against the screen's own size; "" when all fit.
std::string PlacesOffScreen(Display* display, const SimLayout& layout,
                            const SimWindowPlace& place) {
  const int width = DisplayWidth(display, DefaultScreen(display));
  const int height = DisplayHeight(display, DefaultScreen(display));
  if (place.centred) return "";
  std::string why = place.managed ? OffScreen("--window", place.x, place.y, width, height)
                                  : OffScreen("the bottle's top-left corner", layout.left,
                                              layout.top, width, height);
  if (why.empty() && place.moves) {
    why = OffScreen("--move", place.moveX, place.moveY, width, height);
  }
  return why;
}

// The whole drawing of the state last given, composed and put in one piece:
// paints map to allocated pixels, unless the photograph or the blur needs
// colours of its own, composed in 8-bit channels and packed into the
// TrueColor pixel.
void DrawWhole(SimScreen* screen) {
  const SimDrawing& d = screen->drawing;
  PaintState(d, screen->board, screen->hasVitamin ? &screen->vitamin : nullptr, &screen->paints);
  XImage* image = screen->image;
  if (!screen->layout.smooth && screen->photo.empty()) {
    for (int y = 0; y < d.height; ++y) {
      const uint8_t* row = &screen->paints[static_cast<size_t>(y) * d.width];
      for (int x = 0; x < d.width; ++x) XPutPixel(image, x, y, screen->pixels[row[x]]);
    }
  } else {
    screen->colours.resize(screen->paints.size());
    for (size_t i = 0; i < screen->paints.size(); ++i) {
      const uint8_t paint = screen->paints[i];
      screen->colours[i] = paint == kPaintPhoto ? screen->photo[i] : screen->shown[paint];
    }
    if (screen->layout.smooth) {
      SmoothPicture(d.width, d.height, SmoothingWidth(d.side), &screen->colours);
    }
    const ChannelField red = FieldOf(image->red_mask);
    const ChannelField green = FieldOf(image->green_mask);
    const ChannelField blue = FieldOf(image->blue_mask);
    for (int y = 0; y < d.height; ++y) {
      const SimRgb* row = &screen->colours[static_cast<size_t>(y) * d.width];
      for (int x = 0; x < d.width; ++x) {
        XPutPixel(image, x, y,
                  ChannelBits(row[x].red, red) | ChannelBits(row[x].green, green) |
                      ChannelBits(row[x].blue, blue));
      }
    }
  }
  XPutImage(screen->display, screen->frame, screen->gc, image, 0, 0, 0, 0,
            static_cast<unsigned>(d.width), static_cast<unsigned>(d.height));
  CopyToWindow(screen, 0, 0, d.width, d.height);
  XSync(screen->display, False);
}

}  // namespace

SimScreen* OpenSimScreen(const SimLayout& layout, const SimWindowPlace& place, std::string* error,
                         bool* optionsRefused) {
  *optionsRefused = false;
  Display* display = XOpenDisplay(nullptr);
  if (display == nullptr) {
    *error = "cannot open the display (is DISPLAY set?)";
    return nullptr;
  }
  const int number = DefaultScreen(display);
  Visual* visual = DefaultVisual(display, number);
  *error = PlacesOffScreen(display, layout, place);
  if (error->empty() && layout.smooth && visual->c_class != TrueColor) {
    *error = "--smooth needs a TrueColor screen (depth 15, 16 or 24), for its blended colours";
  }
  if (error->empty() && layout.look.page == SimPage::kPhoto && visual->c_class != TrueColor) {
    *error = "--page photo needs a TrueColor screen (depth 15, 16 or 24), for its many colours";
  }
  if (!error->empty()) {
    *optionsRefused = true;
    XCloseDisplay(display);
    return nullptr;
  }
  SimScreen* screen = new SimScreen;
  screen->display = display;
  screen->layout = layout;
  screen->drawing = DrawingForLook(layout.side, layout.look);
  screen->drawing.look.clockTick = layout.clock ? 0 : -1;
  const SimDrawing& d = screen->drawing;
  if (layout.look.page == SimPage::kPhoto) PaintPhoto(d.width, d.height, &screen->photo);
  for (int paint = 0; paint < kPaintCount; ++paint) {
    if (!AllocatePaint(screen, static_cast<SimPaint>(paint))) {
      *error = "the screen cannot show a colour the advisor would read correctly";
      CloseSimScreen(screen);
      return nullptr;
    }
  }
  // Fitted to the colours the server gave, which the advisor will read.
  screen->drawing.sprites = MakeVirusSprites(layout.look.palette, layout.side, screen->shown);
  const Window root = RootWindow(display, number);
  const int depth = DefaultDepth(display, number);
  SimWindowPlace asked = place;
  if (place.centred) {
    asked.managed = true;
    asked.x = CentredCorner(DisplayWidth(display, number), d.width);
    asked.y = CentredCorner(DisplayHeight(display, number), d.height);
  }
  XSetWindowAttributes attributes = {};
  // Unless asked for a managed window, no window manager is needed, and none
  // may decorate or move it: the advisor is to find the bottle where asked.
  attributes.override_redirect = asked.managed ? False : True;
  attributes.background_pixel = screen->pixels[kPaintLight];
  attributes.event_mask = ExposureMask | (asked.managed ? StructureNotifyMask : 0);
  const int x = asked.managed ? asked.x : layout.left - d.bottleLeft;
  const int y = asked.managed ? asked.y : layout.top - d.bottleTop;
  screen->window =
      XCreateWindow(display, root, x, y, static_cast<unsigned>(d.width),
                    static_cast<unsigned>(d.height), 0, depth, InputOutput, CopyFromParent,
                    CWOverrideRedirect | CWBackPixel | CWEventMask, &attributes);
  XStoreName(display, screen->window, "screen-sim");
  if (asked.managed) AskForPlace(display, screen->window, asked, d);
  screen->frame = XCreatePixmap(display, screen->window, static_cast<unsigned>(d.width),
                                static_cast<unsigned>(d.height), static_cast<unsigned>(depth));
  screen->gc = XCreateGC(display, screen->window, 0, nullptr);
  screen->image =
      XCreateImage(display, visual, static_cast<unsigned>(depth), ZPixmap, 0, nullptr,
                   static_cast<unsigned>(d.width), static_cast<unsigned>(d.height), 32, 0);
  screen->image->data = static_cast<char*>(
      std::malloc(static_cast<size_t>(screen->image->bytes_per_line) * d.height));
  // Exposures before the first state copy from the frame, so it starts as
  // the bare background rather than undefined pixmap contents.
  XSetForeground(display, screen->gc, screen->pixels[kPaintLight]);
  XFillRectangle(display, screen->frame, screen->gc, 0, 0, static_cast<unsigned>(d.width),
                 static_cast<unsigned>(d.height));
  XMapRaised(display, screen->window);
  if (asked.managed) {
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
  std::memcpy(screen->board, board, kSimCells);
  screen->hasVitamin = vitamin != nullptr;
  if (vitamin != nullptr) screen->vitamin = *vitamin;
  DrawWhole(screen);
}

void RedrawSimScreen(SimScreen* screen) {
  if (screen->drawing.look.clockTick >= 0) ++screen->drawing.look.clockTick;
  DrawWhole(screen);
}

void AnimateSimScreen(SimScreen* screen) {
  screen->drawing.look.spriteFrame = (screen->drawing.look.spriteFrame + 1) % kSimSpriteFrames;
  DrawWhole(screen);
}

void BottleOnScreen(SimScreen* screen, int* x, int* y) {
  Window child = 0;
  XTranslateCoordinates(screen->display, screen->window, DefaultRootWindow(screen->display),
                        screen->drawing.bottleLeft, screen->drawing.bottleTop, x, y, &child);
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
  if (screen->image != nullptr) XDestroyImage(screen->image);
  if (screen->gc != nullptr) XFreeGC(display, screen->gc);
  if (screen->frame != 0) XFreePixmap(display, screen->frame);
  if (screen->window != 0) XDestroyWindow(display, screen->window);
  const Colormap map = DefaultColormap(display, DefaultScreen(display));
  for (int paint = 0; paint < kPaintCount; ++paint) {
    if (screen->allocated[paint]) XFreeColors(display, map, &screen->pixels[paint], 1, 0);
  }
  XCloseDisplay(display);
  delete screen;
}
