// The compositor's globals the screen copy needs: the screen-copy manager,
// shared memory, and every output with xdg-output's logical layout.
#ifndef BOTTLEWATCH_CAPTURE_SCREEN_WAYLAND_SCREEN_COPY_SCREEN_COPY_REGISTRY_H_
#define BOTTLEWATCH_CAPTURE_SCREEN_WAYLAND_SCREEN_COPY_SCREEN_COPY_REGISTRY_H_

#include <cstdint>
#include <string>
#include <vector>

#include "capture/screen/wayland/screen_copy/copy_region.h"

struct wl_display;
struct wl_output;
struct wl_shm;
struct zwlr_screencopy_manager_v1;

// One output of the layout.
struct ScreenCopyOutput {
  wl_output* output = nullptr;
  std::string name;  // xdg-output's (HEADLESS-1, DP-2), or empty
  OutputPlacement placement;
};

// What a copy is asked with: an output's logical box. The objects live as
// long as the connection.
struct ScreenCopyTarget {
  zwlr_screencopy_manager_v1* manager = nullptr;
  uint32_t version = 0;  // the manager's, which its frames share
  wl_shm* shm = nullptr;
  wl_output* output = nullptr;
  OutputCopy box;
};

// Reads the registry: the manager and shared memory into target, and the
// outputs. False when the compositor offers no screen copy (versions 1 to 3),
// no shared memory or no output. Either way ForgetScreenCopyGlobals destroys
// what was bound. Throws std::runtime_error with one line when the compositor
// stops answering or goes away.
bool FindScreenCopy(wl_display* display, ScreenCopyTarget& target,
                    std::vector<ScreenCopyOutput>& outputs);

// Destroys what FindScreenCopy bound, before the connection is closed.
void ForgetScreenCopyGlobals();

#endif  // BOTTLEWATCH_CAPTURE_SCREEN_WAYLAND_SCREEN_COPY_SCREEN_COPY_REGISTRY_H_
