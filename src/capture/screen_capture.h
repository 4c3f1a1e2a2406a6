// Capturing the screen's top-left 640 x 480 pixels into a bitmap file.
#ifndef BOTTLEWATCH_CAPTURE_SCREEN_CAPTURE_H_
#define BOTTLEWATCH_CAPTURE_SCREEN_CAPTURE_H_

constexpr int kCaptureWidth = 640;
constexpr int kCaptureHeight = 480;

// Writes the region as a Windows bitmap file named fileName (relative names
// resolve against the current directory). Returns 1 when a bitmap was made and
// handed to the file writer, 0 when none could be made (the file is then left
// as it was). Platform failures (no display, a failed write) are thrown as
// exceptions and are meant to end the process.
int CaptureScreen(const char* fileName);

#endif  // BOTTLEWATCH_CAPTURE_SCREEN_CAPTURE_H_
