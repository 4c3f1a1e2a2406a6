// Screen capture on a wlroots desktop (sway, Hyprland, river, labwc, Wayfire):
// the compositor copies the top-left of the output at 0,0 into our shared
// memory on request, with no dialog, as its own screenshot tools have it.
//
// Each capture asks for one copy and waits for it, bounded; a copy that
// WaitForScreenCopyChange already holds is read instead. The connection, the
// globals and the buffer are set up on the first capture and kept.
#include <wayland-client.h>

#include <stdexcept>

#include "capture/bitmap_file/bitmap_file.h"
#include "capture/bitmap_file/packed_dib.h"
#include "capture/screen/screen_sources.h"
#include "capture/screen/wayland/screen_copy/screen_copy_frame.h"
#include "capture/screen/wayland/screen_copy/screen_copy_registry.h"
#include "capture/screen/wayland/screen_copy/wayland_connection.h"
#include "capture/screen/wayland/video_frame.h"

namespace {

wl_display* g_display = nullptr;
ScreenCopyTarget g_target;
// The buffer holds a copy no capture has read yet.
bool g_unread = false;

struct DibOwner {
  PackedDib dib;
  ~DibOwner() { FreePackedDib(dib); }
};

void Disconnect() {
  DropScreenCopy();
  CloseScreenCopyBuffer();
  ForgetScreenCopyGlobals();
  if (g_display != nullptr) wl_display_disconnect(g_display);
  g_display = nullptr;
  g_target = ScreenCopyTarget{};
  g_unread = false;
}

// One copy, waited for; kReady, or the state that ended it.
CopyState CopyNow(bool whenChanged, Deadline deadline) {
  CopyState state = StartScreenCopy(g_display, g_target, whenChanged);
  if (state == CopyState::kPending) state = WaitForScreenCopy(g_display, deadline);
  return state;
}

[[noreturn]] void FailCopy(CopyState state) {
  if (state == CopyState::kPending) FailSilentCompositor();
  if (state == CopyState::kUnreadable) {
    throw std::runtime_error("screen copy ended (the compositor offered no buffer format we read)");
  }
  throw std::runtime_error("screen copy ended (the compositor failed a copy)");
}

}  // namespace

bool StartScreenCopyCapture() {
  if (g_display != nullptr) return true;
  g_display = ConnectWaylandDisplay();
  if (g_display == nullptr) return false;
  try {
    if (!FindScreenCopy(g_display, g_target)) {
      Disconnect();
      return false;
    }
    // A compositor may offer the protocol yet refuse this client its copies;
    // the portal may still be asked then.
    const CopyState first = CopyNow(false, AnswerDeadline());
    if (first == CopyState::kFailed || first == CopyState::kUnreadable) {
      Disconnect();
      return false;
    }
    if (first != CopyState::kReady) FailCopy(first);
  } catch (...) {
    Disconnect();
    throw;
  }
  g_unread = true;
  return true;
}

int CaptureScreenCopy(const char* fileName, const ScreenRegion& region) {
  if (!g_unread) {
    const CopyState state = CopyNow(false, AnswerDeadline());
    if (state != CopyState::kReady) FailCopy(state);
  }
  g_unread = false;
  ScreenImage image;
  if (!DescribeVideoFrame(CopiedScreenPicture(), image)) return 0;
  // The picture's top-left 640 x 480 is all that is watched here; a region
  // within it is cut out of it.
  if (!RegionWithinCorner(region)) return 0;
  image = CropScreenImage(image, region.left, region.top, region.width, region.height);
  DibOwner block;
  if (!PackScreenImage(image, nullptr, 0, region.width, region.height, block.dib)) return 0;
  WriteBitmapFile(fileName, block.dib);
  return 1;
}

bool WaitForScreenCopyChange(int timeoutMillis) {
  const Deadline deadline =
      std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMillis);
  const CopyState state = CopyNow(true, deadline);
  if (state == CopyState::kReady) {
    g_unread = true;
    return true;
  }
  if (state != CopyState::kPending) FailCopy(state);
  // Nothing changed in time: the held-back copy is dropped, so that it cannot
  // land in the buffer later, and the next capture asks afresh.
  DropScreenCopy();
  return false;
}

void CloseScreenCopyCapture() {
  Disconnect();
}
