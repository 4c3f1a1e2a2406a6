// Connecting to the compositor and bounded waits on its socket, with
// libwayland's read protocol (prepare, poll, read, dispatch) so that a wait
// can end at a deadline.
#include "capture/screen/wayland/screen_copy/wayland_connection.h"

#include <poll.h>
#include <wayland-client.h>

#include <cerrno>
#include <cstdarg>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <string>

namespace {

void QuietLog(const char*, va_list) {}

[[noreturn]] void FailConnection(wl_display* display) {
  const int error = wl_display_get_error(display);
  if (error == EPROTO) {
    throw std::runtime_error("screen copy ended (the compositor reported a protocol error)");
  }
  if (error == 0 || error == EPIPE || error == ECONNRESET) {
    throw std::runtime_error("screen copy ended (the compositor went away)");
  }
  throw std::runtime_error(std::string("screen copy ended (") + std::strerror(error) + ")");
}

}  // namespace

Deadline AnswerDeadline() {
  return std::chrono::steady_clock::now() + kCompositorAnswerWait;
}

wl_display* ConnectWaylandDisplay() {
  wl_log_set_handler_client(QuietLog);
  // Without a runtime folder only an absolute socket path can name a display,
  // and libwayland would say so on the error stream itself.
  const char* name = std::getenv("WAYLAND_DISPLAY");
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  const bool absolute = name != nullptr && name[0] == '/';
  if (!absolute && (runtime == nullptr || *runtime == '\0')) return nullptr;
  return wl_display_connect(nullptr);
}

bool DispatchUntil(wl_display* display, const std::function<bool()>& done, Deadline deadline) {
  const int fd = wl_display_get_fd(display);
  for (;;) {
    if (wl_display_dispatch_pending(display) < 0) FailConnection(display);
    if (done()) return true;
    while (wl_display_prepare_read(display) != 0) {
      if (wl_display_dispatch_pending(display) < 0) FailConnection(display);
    }
    if (wl_display_flush(display) < 0 && errno != EAGAIN) {
      wl_display_cancel_read(display);
      FailConnection(display);
    }
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                          deadline - std::chrono::steady_clock::now())
                          .count();
    if (left <= 0) {
      wl_display_cancel_read(display);
      return false;
    }
    pollfd waiting = {fd, POLLIN, 0};
    const int ready = poll(&waiting, 1, static_cast<int>(left));
    if (ready <= 0) {
      wl_display_cancel_read(display);
      if (ready < 0 && errno != EINTR) FailConnection(display);
      continue;
    }
    if (wl_display_read_events(display) < 0) FailConnection(display);
  }
}

void BoundedRoundtrip(wl_display* display) {
  bool answered = false;
  static const wl_callback_listener kListener = {
      [](void* data, wl_callback*, uint32_t) { *static_cast<bool*>(data) = true; }};
  wl_callback* callback = wl_display_sync(display);
  wl_callback_add_listener(callback, &kListener, &answered);
  const bool inTime = DispatchUntil(
      display, [&answered] { return answered; }, AnswerDeadline());
  wl_callback_destroy(callback);
  if (!inTime) FailSilentCompositor();
}

void FailSilentCompositor() {
  throw std::runtime_error("screen copy ended (the compositor did not answer within " +
                           std::to_string(kCompositorAnswerWait.count()) + " seconds)");
}
