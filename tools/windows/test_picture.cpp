// test-picture: shows a known picture in the screen's top-left 640 x 480
// pixels for the Windows capture tests, and writes what the X server then
// holds there as a P6 image, the reference the captures are compared with.
// Usage: test-picture OUT.ppm. Prints "ready" once the file is complete and
// keeps the picture up until it is killed.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <vector>

namespace {

constexpr int kWidth = 640;
constexpr int kHeight = 480;

// Blocks of unequal sizes, so that a capture shifted, mirrored or upside down
// cannot match; the widths add up to 640, the heights to 480.
constexpr int kColumnWidths[] = {40, 120, 80, 64, 96, 72, 88, 80};
constexpr int kRowHeights[] = {30, 90, 60, 120, 100, 80};

struct Rgb {
  unsigned char red, green, blue;
};

// Components from {0, 85, 170, 255}, which stay apart after a cut to five
// bits, so a 16-bit screen still tells every block from its neighbours.
Rgb BlockColour(int column, int row) {
  const int k = row * 8 + column + 5;
  return Rgb{static_cast<unsigned char>(k % 4 * 85), static_cast<unsigned char>(k / 4 % 4 * 85),
             static_cast<unsigned char>(k / 16 % 4 * 85)};
}

struct Channel {
  unsigned long mask;
  int shift = 0;
  int bits = 0;
  explicit Channel(unsigned long m) : mask(m) {
    while (mask != 0 && ((mask >> shift) & 1) == 0) ++shift;
    while (((mask >> (shift + bits)) & 1) != 0) ++bits;
  }
  // The field widened to eight bits by repeating its top bits, so that a
  // five-bit field keeps its value in the top five bits.
  unsigned char Expand(unsigned long pixel) const {
    const unsigned long value = (pixel & mask) >> shift;
    if (bits == 0) return 0;
    if (bits >= 8) return static_cast<unsigned char>(value >> (bits - 8));
    unsigned long wide = 0;
    for (int filled = 0; filled < 8; filled += bits) wide = wide << bits | value;
    const int total = ((8 + bits - 1) / bits) * bits;
    return static_cast<unsigned char>(wide >> (total - 8));
  }
};

unsigned long AllocatePixel(Display* display, Colormap colormap, Rgb colour) {
  XColor wanted;
  wanted.red = static_cast<unsigned short>(colour.red * 257);
  wanted.green = static_cast<unsigned short>(colour.green * 257);
  wanted.blue = static_cast<unsigned short>(colour.blue * 257);
  wanted.flags = DoRed | DoGreen | DoBlue;
  if (XAllocColor(display, colormap, &wanted) == 0) {
    return BlackPixel(display, DefaultScreen(display));
  }
  return wanted.pixel;
}

void Draw(Display* display, Window window, GC gc, const std::vector<unsigned long>& pixels) {
  int top = 0;
  for (int row = 0; row < 6; ++row) {
    int left = 0;
    for (int column = 0; column < 8; ++column) {
      XSetForeground(display, gc, pixels[static_cast<size_t>(row * 8 + column)]);
      XFillRectangle(display, window, gc, left, top, kColumnWidths[column], kRowHeights[row]);
      left += kColumnWidths[column];
    }
    top += kRowHeights[row];
  }
  XSync(display, False);
}

// The root window's pixels as 8-bit RGB, through the visual's masks on a
// true-colour screen or the colormap on a palette screen.
bool WriteScreen(Display* display, const char* path) {
  const int screen = DefaultScreen(display);
  XImage* image =
      XGetImage(display, RootWindow(display, screen), 0, 0, kWidth, kHeight, AllPlanes, ZPixmap);
  if (image == nullptr) return false;
  const Visual* visual = DefaultVisual(display, screen);
  const bool trueColour = visual->c_class == TrueColor || visual->c_class == DirectColor;
  const Channel red(visual->red_mask), green(visual->green_mask), blue(visual->blue_mask);
  // A palette screen's whole colormap in one request; one per pixel would
  // take seconds.
  XColor colormap[256];
  const int indices = trueColour ? 0 : std::min(256, visual->map_entries);
  for (int k = 0; k < indices; ++k) colormap[k].pixel = static_cast<unsigned long>(k);
  if (indices > 0) XQueryColors(display, DefaultColormap(display, screen), colormap, indices);
  std::vector<unsigned char> rgb(static_cast<size_t>(kWidth) * kHeight * 3);
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      const unsigned long pixel = XGetPixel(image, x, y);
      unsigned char* at = &rgb[(static_cast<size_t>(y) * kWidth + x) * 3];
      if (trueColour) {
        at[0] = red.Expand(pixel);
        at[1] = green.Expand(pixel);
        at[2] = blue.Expand(pixel);
      } else if (pixel < static_cast<unsigned long>(indices)) {
        const XColor& colour = colormap[pixel];
        at[0] = static_cast<unsigned char>(colour.red >> 8);
        at[1] = static_cast<unsigned char>(colour.green >> 8);
        at[2] = static_cast<unsigned char>(colour.blue >> 8);
      }
    }
  }
  XDestroyImage(image);
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << "P6\n" << kWidth << " " << kHeight << "\n255\n";
  out.write(reinterpret_cast<const char*>(rgb.data()), static_cast<std::streamsize>(rgb.size()));
  return static_cast<bool>(out.flush());
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: test-picture OUT.ppm\n");
    return 2;
  }
  Display* display = XOpenDisplay(nullptr);
  if (display == nullptr) {
    std::fprintf(stderr, "test-picture: cannot open the display\n");
    return 1;
  }
  const int screen = DefaultScreen(display);
  const Colormap colormap = DefaultColormap(display, screen);
  std::vector<unsigned long> pixels;
  for (int row = 0; row < 6; ++row) {
    for (int column = 0; column < 8; ++column) {
      pixels.push_back(AllocatePixel(display, colormap, BlockColour(column, row)));
    }
  }

  // Override-redirect: no window manager may move or frame it, and it is a
  // plain window, since Wine paints the root window over when it starts.
  XSetWindowAttributes attributes;
  attributes.override_redirect = True;
  attributes.background_pixel = BlackPixel(display, screen);
  attributes.event_mask = ExposureMask | StructureNotifyMask;
  const Window window = XCreateWindow(display, RootWindow(display, screen), 0, 0, kWidth, kHeight,
                                      0, CopyFromParent, InputOutput, CopyFromParent,
                                      CWOverrideRedirect | CWBackPixel | CWEventMask, &attributes);
  const GC gc = XCreateGC(display, window, 0, nullptr);
  XMapRaised(display, window);

  bool written = false;
  for (;;) {
    XEvent event;
    XNextEvent(display, &event);
    if (event.type != Expose && event.type != MapNotify) continue;
    Draw(display, window, gc, pixels);
    if (!written) {
      if (!WriteScreen(display, argv[1])) {
        std::fprintf(stderr, "test-picture: cannot write %s\n", argv[1]);
        return 1;
      }
      written = true;
      std::printf("ready\n");
      std::fflush(stdout);
    }
  }
}
