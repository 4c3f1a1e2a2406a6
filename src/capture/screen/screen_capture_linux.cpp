// Which screen the captures read on Linux. An X server that shows the screen
// is read directly, as it always was. On a Wayland desktop the X server is
// rootless Xwayland, whose root window is black however much is on the
// screen; there, as when only a Wayland display is named, the compositor must
// hand the pixels over. A wlroots compositor copies them on request (its
// screen copy, no dialog); GNOME and KDE only through their screen-sharing
// portal.
#include <cstdlib>
#include <stdexcept>
#include <string>

#include "capture/screen/screen_capture.h"
#include "capture/screen/screen_sources.h"

namespace {

enum class Source { kUnchosen, kX11, kScreenCopy, kPortal };

Source g_source = Source::kUnchosen;

bool WaylandSessionNamed() {
  const char* name = std::getenv("WAYLAND_DISPLAY");
  return name != nullptr && *name != '\0';
}

void ChooseSource() {
  std::string display;
  std::string context;
  switch (ConnectX11Capture(display)) {
    case X11Screen::kReadable:
      g_source = Source::kX11;
      return;
    case X11Screen::kRootlessXwayland:
      context =
          "; X display \"" + display + "\" is rootless Xwayland, whose screen holds no picture";
      break;
    case X11Screen::kNoDisplay:
      if (!WaylandSessionNamed()) throw std::runtime_error(display);
      break;
  }
  if (StartScreenCopyCapture()) {
    g_source = Source::kScreenCopy;
    return;
  }
  try {
    StartPortalCapture();
  } catch (const PortalMissing& missing) {
    // Said only here: the X display is why the portal was needed at all.
    throw std::runtime_error(missing.what() + context);
  }
  g_source = Source::kPortal;
}

}  // namespace

int CaptureScreen(const char* fileName, const ScreenRegion& region) {
  if (g_source == Source::kUnchosen) ChooseSource();
  if (g_source == Source::kX11) return CaptureX11Screen(fileName, region);
  if (g_source == Source::kScreenCopy) return CaptureScreenCopy(fileName, region);
  return CapturePortalScreen(fileName, region);
}

ScreenRegion ScreenBounds() {
  if (g_source == Source::kX11) return X11ScreenBounds();
  if (g_source == Source::kScreenCopy) return ScreenCopyBounds();
  if (g_source == Source::kPortal) return PortalScreenBounds();
  return kCornerRegion;
}

int CaptureScreenPixels(const ScreenRegion& region, std::vector<uint32_t>& pixels) {
  if (g_source == Source::kX11) return CaptureX11Pixels(region, pixels);
  if (g_source == Source::kScreenCopy) return CaptureScreenCopyPixels(region, pixels);
  if (g_source == Source::kPortal) return CapturePortalPixels(region, pixels);
  return 0;
}

bool WaitForScreenChange(int timeoutMillis) {
  if (g_source == Source::kX11) return WaitForX11Change(timeoutMillis);
  if (g_source == Source::kScreenCopy) return WaitForScreenCopyChange(timeoutMillis);
  if (g_source == Source::kPortal) return WaitForPortalChange(timeoutMillis);
  return true;
}

bool ScreenCaptureUsesSharedMemory() {
  if (g_source == Source::kX11) return X11CaptureUsesSharedMemory();
  if (g_source == Source::kPortal) return PortalCaptureUsesSharedMemory();
  return g_source == Source::kScreenCopy;
}

void CloseScreenCapture() {
  if (g_source == Source::kX11) CloseX11Capture();
  if (g_source == Source::kScreenCopy) CloseScreenCopyCapture();
  if (g_source == Source::kPortal) ClosePortalCapture();
  g_source = Source::kUnchosen;
}
