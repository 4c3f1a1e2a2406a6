// The three ways of reading the screen on Linux, behind CaptureScreen: an X
// server's root window, a wlroots compositor's screen copy, or a Wayland
// desktop's screen-sharing portal. screen_capture_linux.cpp picks one on the
// first capture and keeps it.
#ifndef BOTTLEWATCH_CAPTURE_SCREEN_SCREEN_SOURCES_H_
#define BOTTLEWATCH_CAPTURE_SCREEN_SCREEN_SOURCES_H_

#include <stdexcept>
#include <string>
#include <vector>

#include "capture/screen/screen_capture.h"

// ---- X11 (screen_capture_x11.cpp) ----

enum class X11Screen {
  kReadable,          // connected; the root window holds the screen
  kRootlessXwayland,  // a Wayland desktop's X server, whose root window holds no picture
  kNoDisplay,         // DISPLAY unset or the server cannot be reached
};

// Opens the display DISPLAY names. Only a readable screen keeps the
// connection; otherwise it is closed again. display gets the display's name
// for kRootlessXwayland and, for kNoDisplay, the one line that says why none
// could be opened.
X11Screen ConnectX11Capture(std::string& display);

// As CaptureScreen, CaptureScreenPixels and ScreenBounds, on the kept
// connection.
int CaptureX11Screen(const char* fileName, const ScreenRegion& region);
int CaptureX11Pixels(const ScreenRegion& region, std::vector<uint32_t>& pixels);
ScreenRegion X11ScreenBounds();
// As WaitForScreenChange: the server's damage reports on the root window, or
// one display frame's pause on a server without them.
bool WaitForX11Change(int timeoutMillis);
bool X11CaptureUsesSharedMemory();
void CloseX11Capture();

// ---- A wlroots compositor's screen copy (screen_capture_screen_copy.cpp) ----

// Connects to the Wayland display, learns its outputs and makes the first
// copy. False, with nothing kept, where there is no display to reach, its
// compositor offers no screen copy or no output, or it fails or cannot give
// this client the first copy. Throws std::runtime_error with one line when the
// compositor stops answering or goes away. Does nothing once done.
bool StartScreenCopyCapture();

// As CaptureScreen, through one copy of the output that holds most of the
// region; with more than one output, the first region away from the corner
// copied from an output names it on the error stream. Throws
// std::runtime_error with one line naming the screen copy when a copy fails,
// the compositor stops answering (bounded) or it goes away.
int CaptureScreenCopy(const char* fileName, const ScreenRegion& region);
// As ScreenBounds and CaptureScreenPixels: every output of the layout, each
// in its own pixels at its logical place times the layout's scale
// (copy_region.h); black where no output is. The pixels take one copy of
// each output the region meets.
ScreenRegion ScreenCopyBounds();
int CaptureScreenCopyPixels(const ScreenRegion& region, std::vector<uint32_t>& pixels);
void CloseScreenCopyCapture();

// Blocks until the compositor reports damage on the copied region since the
// last copy (a copy asked with copy_with_damage becomes ready), or until
// timeoutMillis have passed; the next capture then reads that copy rather than
// asking for a new one. Same failures as the capture. The first wait of a run
// may end at once: wlroots counts the whole output as changed before a
// client's first such copy.
bool WaitForScreenCopyChange(int timeoutMillis);

// ---- The screen-sharing portal (screen_capture_portal.cpp) ----

// Thrown when the session bus, the portal or its ScreenCast is not there at
// all, as against a portal that refuses or a stream that fails.
struct PortalMissing : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// Asks the desktop for a screen or window to share (its dialog may wait on the
// user for as long as they take), connects to the stream and waits for its
// first picture. Does nothing once done. Throws PortalMissing, or
// std::runtime_error with one line when the user refuses or the stream fails.
void StartPortalCapture();

// As CaptureScreen, from the newest picture the stream has delivered. Throws
// std::runtime_error when the sharing has ended.
int CapturePortalScreen(const char* fileName, const ScreenRegion& region);
// As ScreenBounds and CaptureScreenPixels: the shared monitor or window is the
// screen, its picture (the stream's crop) whole, read from the newest picture
// the last capture saw.
ScreenRegion PortalScreenBounds();
int CapturePortalPixels(const ScreenRegion& region, std::vector<uint32_t>& pixels);
// As WaitForScreenChange: the stream's next picture (a desktop sends one only
// when something changed), or the end of the sharing.
bool WaitForPortalChange(int timeoutMillis);
bool PortalCaptureUsesSharedMemory();
void ClosePortalCapture();

#endif  // BOTTLEWATCH_CAPTURE_SCREEN_SCREEN_SOURCES_H_
