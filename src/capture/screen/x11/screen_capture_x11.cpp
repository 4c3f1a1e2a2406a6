// Screen capture on X11: a region of the root window (every monitor of the X
// screen), read in one request and written out as a bitmap file in the
// display's own depth, or handed over as plain pixels.
//
// The game beside us redraws 60 times a second, so the capture must never hold
// the server: one request is one instant by itself, and with the MIT-SHM
// extension the server copies the pixels straight into memory we share with
// it, with no 1.2 MB reply to push through the socket. The connection and the
// shared image are set up on the first capture and kept for the process's
// life, as the raster is. So is a damage report on the root window: between
// captures of a still screen the advisor sleeps until the server says that
// something was drawn.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>
#include <X11/extensions/Xdamage.h>
#include <X11/extensions/Xrandr.h>
#include <poll.h>
#include <sys/ipc.h>
#include <sys/shm.h>
#include <sys/socket.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <iostream>
#include <memory>
#include <string>
#include <thread>

#include "capture/bitmap_file/bitmap_file.h"
#include "capture/bitmap_file/packed_dib.h"
#include "capture/screen/pixel_packing.h"
#include "capture/screen/screen_capture.h"
#include "capture/screen/screen_sources.h"

namespace {

struct ImageDestroyer {
  void operator()(XImage* image) const { XDestroyImage(image); }
};
using ImageHandle = std::unique_ptr<XImage, ImageDestroyer>;

struct DibOwner {
  PackedDib dib;
  ~DibOwner() { FreePackedDib(dib); }
};

// What lives from one capture to the next. Plain data with no destructor: it
// is never torn down at exit, where a server that has gone away would only
// call the lost-display handler once more.
struct KeptDisplay {
  Display* display = nullptr;
  int screenWidth = 0;  // the root window's
  int screenHeight = 0;
  // The shared-memory segment, with room for the whole screen, or none: plain
  // requests. The image describes the last region read into it, and is made
  // anew only when the region's size changes.
  bool sharing = false;
  XShmSegmentInfo segment = {};
  XImage* shared = nullptr;
  Damage damage = 0;     // the root window's damage report, or none: no extension
  int damageNotify = 0;  // its event's type
};

constexpr int kDisplayFrameMillis = 16;

KeptDisplay g_connection;

// Failed requests since the capture's handler went in. Only the main loop's
// thread talks to the server, so a plain counter is enough.
int g_failedRequests = 0;

int CountFailedRequest(Display*, XErrorEvent*) {
  ++g_failedRequests;
  return 0;
}

// Xlib's default error handler prints the error and exits the process; a
// capture whose request fails (the screen resized under it, a colormap query
// refused, a segment the server cannot attach) must instead come back with no
// block. The old handler is put back afterwards.
struct ErrorHandlerScope {
  XErrorHandler previous;
  ErrorHandlerScope() : previous(XSetErrorHandler(CountFailedRequest)) { g_failedRequests = 0; }
  ~ErrorHandlerScope() { XSetErrorHandler(previous); }
};

// The server went away under us (closed, killed, the network gone). Xlib would
// print its own message and exit with status 1, which reads like a missing
// frame; this ends the advisor as a display that cannot be opened does. Xlib
// requires that the handler not return.
int ReportLostDisplay(Display* display) {
  std::cerr << "Error:  lost the connection to X display \"" << DisplayString(display) << "\""
            << std::endl;
  std::_Exit(2);
}

std::string WhyNoDisplay() {
  const char* name = std::getenv("DISPLAY");
  if (name == nullptr || *name == '\0') return "cannot open X display (DISPLAY is not set)";
  return std::string("cannot open X display \"") + name + "\"";
}

// Xwayland serving a Wayland desktop draws its windows only into the
// compositor's picture, never into its root window. Newer releases say so
// with an extension of their own; every release names its outputs XWAYLAND0,
// XWAYLAND1 and so on.
bool IsRootlessXwayland(Display* x) {
  int opcode = 0;
  int firstEvent = 0;
  int firstError = 0;
  if (XQueryExtension(x, "XWAYLAND", &opcode, &firstEvent, &firstError)) return true;
  if (!XRRQueryExtension(x, &firstEvent, &firstError)) return false;
  XRRScreenResources* resources = XRRGetScreenResourcesCurrent(x, DefaultRootWindow(x));
  if (resources == nullptr) return false;
  bool xwayland = false;
  for (int k = 0; k < resources->noutput && !xwayland; ++k) {
    XRROutputInfo* output = XRRGetOutputInfo(x, resources, resources->outputs[k]);
    if (output == nullptr) continue;
    xwayland =
        std::string(output->name, static_cast<size_t>(output->nameLen)).rfind("XWAYLAND", 0) == 0;
    XRRFreeOutputInfo(output);
  }
  XRRFreeScreenResources(resources);
  return xwayland;
}

// A segment id only means the same memory to a server on this machine, so
// shared memory is tried only over a local socket.
bool IsLocalConnection(Display* display) {
  sockaddr_storage address = {};
  socklen_t length = sizeof address;
  if (getsockname(ConnectionNumber(display), reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    return false;
  }
  return address.ss_family == AF_UNIX;
}

void DestroySharedImage(XImage* image) {
  image->data = nullptr;  // the segment's memory is not Xlib's to free
  XDestroyImage(image);
}

// An image over the kept segment, width x height pixels; null when the
// server's format will not have it.
XImage* SharedImageOf(KeptDisplay& connection, int width, int height) {
  Display* const x = connection.display;
  const int screen = DefaultScreen(x);
  return XShmCreateImage(x, DefaultVisual(x, screen),
                         static_cast<unsigned>(DefaultDepth(x, screen)), ZPixmap,
                         connection.segment.shmaddr, &connection.segment,
                         static_cast<unsigned>(width), static_cast<unsigned>(height));
}

// Sets up a segment as large as the whole screen, or leaves connection.sharing
// false when the extension is missing or the server cannot attach it.
void AttachSharedImage(KeptDisplay& connection) {
  Display* const x = connection.display;
  if (!IsLocalConnection(x) || !XShmQueryExtension(x)) return;
  XShmSegmentInfo& segment = connection.segment;
  XImage* image = SharedImageOf(connection, connection.screenWidth, connection.screenHeight);
  if (image == nullptr) return;
  const size_t bytes = static_cast<size_t>(image->bytes_per_line) * image->height;
  DestroySharedImage(image);
  segment.shmid = shmget(IPC_PRIVATE, bytes, IPC_CREAT | 0600);
  if (segment.shmid < 0) {
    segment = {};
    return;
  }
  void* address = shmat(segment.shmid, nullptr, 0);
  if (address == reinterpret_cast<void*>(-1)) {
    shmctl(segment.shmid, IPC_RMID, nullptr);
    segment = {};
    return;
  }
  segment.shmaddr = static_cast<char*>(address);
  segment.readOnly = False;
  const ErrorHandlerScope errors;
  const Status attached = XShmAttach(x, &segment);
  // A refusal (a server in another IPC namespace) arrives later as an error,
  // so wait for the server's answer before trusting the segment.
  XSync(x, False);
  // Both sides hold it now, or the server never will: marked for removal, the
  // segment goes with the last detach, so it cannot outlive the process.
  shmctl(segment.shmid, IPC_RMID, nullptr);
  if (!attached || g_failedRequests != 0) {
    shmdt(address);
    segment = {};
    return;
  }
  connection.sharing = true;
}

// One report for the whole root window, sent when its damage goes from none
// to some; WaitForX11Change clears it after each report so that the next
// drawing sends another.
void WatchDamage(KeptDisplay& connection) {
  Display* const x = connection.display;
  int firstError = 0;
  if (!XDamageQueryExtension(x, &connection.damageNotify, &firstError)) return;
  int major = 1;
  int minor = 1;
  if (!XDamageQueryVersion(x, &major, &minor)) return;
  connection.damageNotify += XDamageNotify;
  // A refusal would reach Xlib's default handler, which ends the process;
  // without the report the wait is a display frame's pause instead.
  const ErrorHandlerScope errors;
  const Damage damage = XDamageCreate(x, DefaultRootWindow(x), XDamageReportNonEmpty);
  XSync(x, False);
  if (g_failedRequests == 0) connection.damage = damage;
}

// Takes every event the connection has read or can read without waiting.
// True when a damage report was among them.
bool TakeDamageReports(const KeptDisplay& connection) {
  bool damaged = false;
  while (XPending(connection.display) > 0) {
    XEvent event;
    XNextEvent(connection.display, &event);
    damaged = damaged || event.type == connection.damageNotify;
  }
  return damaged;
}

void Connect(KeptDisplay& connection, Display* x) {
  XSetIOErrorHandler(ReportLostDisplay);
  connection.display = x;
  connection.screenWidth = DisplayWidth(x, DefaultScreen(x));
  connection.screenHeight = DisplayHeight(x, DefaultScreen(x));
  AttachSharedImage(connection);
  WatchDamage(connection);
}

ScreenImage Describe(Display* x, const XImage& image) {
  const int visualClass = DefaultVisual(x, DefaultScreen(x))->c_class;
  ScreenImage screen;
  screen.data = reinterpret_cast<const uint8_t*>(image.data);
  screen.width = image.width;
  screen.height = image.height;
  screen.bytesPerLine = image.bytes_per_line;
  screen.bitsPerPixel = image.bits_per_pixel;
  screen.depth = image.depth;
  screen.mostSignificantByteFirst = image.byte_order == MSBFirst;
  screen.trueColour = visualClass == TrueColor || visualClass == DirectColor;
  screen.redMask = static_cast<uint32_t>(image.red_mask);
  screen.greenMask = static_cast<uint32_t>(image.green_mask);
  screen.blueMask = static_cast<uint32_t>(image.blue_mask);
  return screen;
}

// The colours behind the indices an 8-bit image can hold. False when the
// server refuses the query.
bool ReadColours(Display* x, const ScreenImage& image, ScreenColour* colours) {
  const int count = ReachableColours(image);
  XColor cells[256];
  for (int k = 0; k < count; ++k) cells[k].pixel = static_cast<unsigned long>(k);
  XQueryColors(x, DefaultColormap(x, DefaultScreen(x)), cells, count);
  if (g_failedRequests != 0) return false;
  for (int k = 0; k < count; ++k) colours[k] = {cells[k].red, cells[k].green, cells[k].blue};
  return true;
}

}  // namespace

X11Screen ConnectX11Capture(std::string& display) {
  if (g_connection.display != nullptr) return X11Screen::kReadable;
  Display* const x = XOpenDisplay(nullptr);
  if (x == nullptr) {
    display = WhyNoDisplay();
    return X11Screen::kNoDisplay;
  }
  if (IsRootlessXwayland(x)) {
    display = DisplayString(x);
    XCloseDisplay(x);
    return X11Screen::kRootlessXwayland;
  }
  Connect(g_connection, x);
  return X11Screen::kReadable;
}

namespace {

// The part of region that the screen covers, from the region's top-left: the
// server refuses a rectangle reaching past the root window, so a screen
// smaller than the region is read where it exists and the rest stays black.
bool CoveredPart(const KeptDisplay& connection, const ScreenRegion& region, int& width,
                 int& height) {
  if (region.left < 0 || region.top < 0) return false;
  width = std::min<int64_t>(region.width, int64_t{connection.screenWidth} - region.left);
  height = std::min<int64_t>(region.height, int64_t{connection.screenHeight} - region.top);
  return width > 0 && height > 0;
}

// Reads width x height pixels at the region's top-left in one request, into
// the shared segment or a plain reply. Null when the request fails.
const XImage* ReadRegion(KeptDisplay& connection, const ScreenRegion& region, int width, int height,
                         ImageHandle& plain) {
  Display* const x = connection.display;
  const Window root = RootWindow(x, DefaultScreen(x));
  if (connection.sharing) {
    XImage* image = connection.shared;
    if (image == nullptr || image->width != width || image->height != height) {
      if (image != nullptr) DestroySharedImage(image);
      connection.shared = image = SharedImageOf(connection, width, height);
      if (image == nullptr) return nullptr;
    }
    if (!XShmGetImage(x, root, image, region.left, region.top, AllPlanes) ||
        g_failedRequests != 0) {
      return nullptr;
    }
    return image;
  }
  plain.reset(XGetImage(x, root, region.left, region.top, static_cast<unsigned>(width),
                        static_cast<unsigned>(height), AllPlanes, ZPixmap));
  if (!plain || g_failedRequests != 0) return nullptr;
  return plain.get();
}

// Reads width x height pixels at the region's top-left and describes them in
// screen, with colours filled for an indexed image. plain keeps a plain
// reply's pixels, which screen points into. False when a request fails.
bool ReadScreenImage(KeptDisplay& connection, const ScreenRegion& region, int width, int height,
                     ImageHandle& plain, ScreenImage& screen, ScreenColour* colours) {
  const ErrorHandlerScope errors;
  const XImage* image = ReadRegion(connection, region, width, height, plain);
  if (image == nullptr) return false;
  screen = Describe(connection.display, *image);
  return LayoutOfScreenImage(screen) != PixelLayout::kIndexed ||
         ReadColours(connection.display, screen, colours);
}

}  // namespace

int CaptureX11Screen(const char* fileName, const ScreenRegion& region) {
  int width = 0;
  int height = 0;
  if (region.width <= 0 || region.height <= 0 ||
      !CoveredPart(g_connection, region, width, height)) {
    return 0;
  }
  ImageHandle plain;
  ScreenImage screen;
  ScreenColour colours[256];
  if (!ReadScreenImage(g_connection, region, width, height, plain, screen, colours)) return 0;
  Display* const x = g_connection.display;
  DibOwner block;
  if (!PackScreenImage(screen, colours, BlackPixel(x, DefaultScreen(x)), region.width,
                       region.height, block.dib)) {
    return 0;
  }
  WriteBitmapFile(fileName, block.dib);
  return 1;
}

int CaptureX11Pixels(const ScreenRegion& region, std::vector<uint32_t>& pixels) {
  int width = 0;
  int height = 0;
  if (!CoveredPart(g_connection, region, width, height) || width != region.width ||
      height != region.height) {
    return 0;
  }
  ImageHandle plain;
  ScreenImage screen;
  ScreenColour colours[256];
  if (!ReadScreenImage(g_connection, region, width, height, plain, screen, colours)) return 0;
  return ScreenImageToPixels(screen, colours, pixels) ? 1 : 0;
}

ScreenRegion X11ScreenBounds() {
  return {0, 0, g_connection.screenWidth, g_connection.screenHeight};
}

bool WaitForX11Change(int timeoutMillis) {
  const KeptDisplay& connection = g_connection;
  if (connection.damage == 0) {
    std::this_thread::sleep_for(
        std::chrono::milliseconds(std::min(timeoutMillis, kDisplayFrameMillis)));
    return true;
  }
  bool damaged = TakeDamageReports(connection);
  if (!damaged) {
    // No signal handler is installed, so Ctrl-C ends the process in here as
    // anywhere else. A lost server wakes the poll, and Xlib's read then
    // reports it through ReportLostDisplay.
    pollfd wake = {ConnectionNumber(connection.display), POLLIN, 0};
    poll(&wake, 1, timeoutMillis);
    damaged = TakeDamageReports(connection);
  }
  // Cleared only now: drawing after this sends a new report, and drawing
  // before it is in the capture the caller takes next.
  XDamageSubtract(connection.display, connection.damage, None, None);
  XFlush(connection.display);
  return damaged;
}

bool X11CaptureUsesSharedMemory() {
  return g_connection.sharing;
}

void CloseX11Capture() {
  KeptDisplay& connection = g_connection;
  if (connection.display == nullptr) return;
  if (connection.damage != 0) XDamageDestroy(connection.display, connection.damage);
  if (connection.sharing) {
    XShmDetach(connection.display, &connection.segment);
    if (connection.shared != nullptr) DestroySharedImage(connection.shared);
    shmdt(connection.segment.shmaddr);
  }
  XCloseDisplay(connection.display);
  XSetIOErrorHandler(nullptr);
  connection = KeptDisplay{};
}
