// The compositor's globals the screen copy needs (the screen-copy manager,
// shared memory, the outputs with xdg-output's logical layout) and the output
// it copies: the one whose logical position is 0,0, where Xwayland's screen
// and the X path's capture region begin.
#ifndef BOTTLEWATCH_CAPTURE_SCREEN_WAYLAND_SCREEN_COPY_SCREEN_COPY_REGISTRY_H_
#define BOTTLEWATCH_CAPTURE_SCREEN_WAYLAND_SCREEN_COPY_SCREEN_COPY_REGISTRY_H_

#include <cstdint>

#include "capture/screen/wayland/screen_copy/copy_region.h"

struct wl_display;
struct wl_output;
struct wl_shm;
struct zwlr_screencopy_manager_v1;

// What a copy is asked with. The objects live as long as the connection.
struct ScreenCopyTarget {
  zwlr_screencopy_manager_v1* manager = nullptr;
  uint32_t version = 0;  // the manager's, which its frames share
  wl_shm* shm = nullptr;
  wl_output* output = nullptr;
  LogicalSize region;
};

// Reads the registry. False when the compositor offers no screen copy
// (versions 1 to 3) or no shared memory. Either way ForgetScreenCopyGlobals
// destroys what was bound. Throws std::runtime_error with one line when it does
// offer them but no output lies at 0,0, or when the compositor stops
// answering or goes away.
bool FindScreenCopy(wl_display* display, ScreenCopyTarget& target);

// Destroys what FindScreenCopy bound, before the connection is closed.
void ForgetScreenCopyGlobals();

#endif  // BOTTLEWATCH_CAPTURE_SCREEN_WAYLAND_SCREEN_COPY_SCREEN_COPY_REGISTRY_H_
