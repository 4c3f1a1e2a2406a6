// Capturing the screen's top-left 640 x 480 pixels into a bitmap file.
#ifndef BOTTLEWATCH_CAPTURE_SCREEN_SCREEN_CAPTURE_H_
#define BOTTLEWATCH_CAPTURE_SCREEN_SCREEN_CAPTURE_H_

constexpr int kCaptureWidth = 640;
constexpr int kCaptureHeight = 480;

// Writes the region as a Windows bitmap file named fileName (relative names
// resolve against the current directory). Returns 1 when a bitmap was made and
// handed to the file writer, 0 when none could be made (the file is then left
// as it was). Platform failures (no display, a failed write) are thrown as
// exceptions and are meant to end the process.
//
// Where the platform needs a connection to the screen (X11), the first call
// opens it and later calls reuse it; a server that goes away afterwards ends
// the process with one error line and status 2.
int CaptureScreen(const char* fileName);

// Returns once the screen may have changed since the last capture, or after
// timeoutMillis at the latest. A change is noticed within one display frame
// (1/60 s): where the platform reports changes the wait ends as one arrives;
// where it does not (GDI), it is one display frame's pause. It may also end
// early with nothing changed, so the caller captures again to find out.
void WaitForScreenChange(int timeoutMillis);

// Whether the kept connection reads the screen through memory shared with the
// server (false before the first capture and where nothing is kept).
bool ScreenCaptureUsesSharedMemory();

// Drops what the captures keep, so that the next capture connects afresh (to
// the display DISPLAY names then). The program never calls it; tests that
// start and stop screens do, before the screen goes.
void CloseScreenCapture();

#endif  // BOTTLEWATCH_CAPTURE_SCREEN_SCREEN_CAPTURE_H_
