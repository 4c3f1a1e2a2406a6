// Capturing a region of the screen into a bitmap file, or into plain pixels
// for a look over the whole screen. The capture reads the region it is told;
// where the game is, and so which region that is, is decided by the caller.
#ifndef BOTTLEWATCH_CAPTURE_SCREEN_SCREEN_CAPTURE_H_
#define BOTTLEWATCH_CAPTURE_SCREEN_SCREEN_CAPTURE_H_

#include <cstdint>
#include <vector>

constexpr int kCaptureWidth = 640;
constexpr int kCaptureHeight = 480;

// A rectangle of the screen in screen pixels: on X11 the root window's, with
// every monitor in it; on Windows the virtual screen's, whose left and top
// are negative where a monitor lies left of or above the main one.
struct ScreenRegion {
  int32_t left = 0;
  int32_t top = 0;
  int32_t width = kCaptureWidth;
  int32_t height = kCaptureHeight;
};

// The screen's top-left 640 x 480, watched while no bottle shows elsewhere.
constexpr ScreenRegion kCornerRegion = {0, 0, kCaptureWidth, kCaptureHeight};

// Writes the region as a Windows bitmap file named fileName (relative names
// resolve against the current directory), region.width x region.height
// pixels whatever part of it the screen covers (the rest is black). Returns 1
// when a bitmap was made and handed to the file writer, 0 when none could be
// made (the file is then left as it was). Platform failures (no display, a
// failed write) are thrown as exceptions and are meant to end the process.
//
// Where the platform needs a connection to the screen (X11), the first call
// opens it and later calls reuse it; a server that goes away afterwards ends
// the process with one error line and status 2.
int CaptureScreen(const char* fileName, const ScreenRegion& region = kCornerRegion);

// The whole screen's extent, after the first capture. Sources that can show
// only part of what the player sees report that part.
ScreenRegion ScreenBounds();

// Reads region, which must lie on the screen, into pixels: width * height of
// them, row-major, top row first, red in the low byte (the raster's packing).
// No file and no converter: this serves the look for the bottle over the whole
// screen. Returns 1 when read, 0 when not (pixels then unspecified).
int CaptureScreenPixels(const ScreenRegion& region, std::vector<uint32_t>& pixels);

// Returns once the screen may have changed since the last capture, or after
// timeoutMillis at the latest: true when something was drawn anywhere on the
// screen (or the platform cannot tell), false when the time ran out. A change is noticed within one
// display frame (1/60 s): where the platform reports changes the wait ends as one arrives; where it
// does not (GDI), it is one display frame's pause. It may also end early with nothing changed, so
// the caller captures again to find out.
bool WaitForScreenChange(int timeoutMillis);

// Whether the kept connection reads the screen through memory shared with the
// server (false before the first capture and where nothing is kept).
bool ScreenCaptureUsesSharedMemory();

// Drops what the captures keep, so that the next capture connects afresh (to
// the display DISPLAY names then). The program never calls it; tests that
// start and stop screens do, before the screen goes.
void CloseScreenCapture();

#endif  // BOTTLEWATCH_CAPTURE_SCREEN_SCREEN_CAPTURE_H_
