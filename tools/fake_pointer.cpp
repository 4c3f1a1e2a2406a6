// fake-pointer: a mouse for a headless KWin desktop, through KWin's
// org_kde_kwin_fake_input Wayland protocol. Its clicks land wherever the
// pointer is sent, as a person's would. The tests use it to answer KDE's own
// share dialog, whose list of windows takes no keys.
//
// Usage: fake-pointer FIFO
//   Makes FIFO and reads lines from it, each a list of points X,Y (in the
//   desktop's pixels) separated by spaces: each is clicked in turn with the
//   left button. Clicks on one line come 400 ms apart, so that what the
//   first one opens (a tab) is drawn before the next lands.
//
// KWin offers the protocol only to a program that a .desktop file in its
// XDG_DATA_HOME/applications names, by the path it runs from, with
// X-KDE-Wayland-Interfaces=org_kde_kwin_fake_input (scripts/headless-kde
// writes one); any other client never sees the global.
//
// Logs one line per clicked list on the error stream. Ends on SIGTERM or
// SIGINT, or with status 1 when the compositor goes away or refuses it.
#include <fcntl.h>
#include <linux/input-event-codes.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>
#include <wayland-client.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <sstream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "fake-input-client-protocol.h"

namespace {

volatile sig_atomic_t stopRequested = 0;

void RequestStop(int) {
  stopRequested = 1;
}

struct Pointer {
  wl_display* display = nullptr;
  org_kde_kwin_fake_input* input = nullptr;
};

void OnGlobal(void* data, wl_registry* registry, uint32_t name, const char* interface,
              uint32_t version) {
  Pointer& pointer = *static_cast<Pointer*>(data);
  // Version 3 brought absolute motion; nothing later is used.
  if (std::strcmp(interface, org_kde_kwin_fake_input_interface.name) == 0 && version >= 3) {
    pointer.input = static_cast<org_kde_kwin_fake_input*>(
        wl_registry_bind(registry, name, &org_kde_kwin_fake_input_interface, 3));
  }
}

void OnGlobalRemove(void*, wl_registry*, uint32_t) {}

const wl_registry_listener kRegistryListener = {OnGlobal, OnGlobalRemove};

bool ParsePoints(const std::string& line, std::vector<std::pair<int, int>>* points) {
  std::istringstream words(line);
  std::string word;
  while (words >> word) {
    int x = 0, y = 0;
    char end = 0;
    if (std::sscanf(word.c_str(), "%d,%d%c", &x, &y, &end) != 2) return false;
    points->emplace_back(x, y);
  }
  return true;
}

// Each step is sent and seen by KWin before the next: a press that reaches
// KWin with the motion still queued would land where the pointer was.
bool Send(Pointer& pointer) {
  return wl_display_roundtrip(pointer.display) >= 0;
}

bool Click(Pointer& pointer, int x, int y) {
  org_kde_kwin_fake_input_pointer_motion_absolute(pointer.input, wl_fixed_from_int(x),
                                                  wl_fixed_from_int(y));
  if (!Send(pointer)) return false;
  // The client under the pointer hears of it (enter, motion) before the press.
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  org_kde_kwin_fake_input_button(pointer.input, BTN_LEFT, WL_POINTER_BUTTON_STATE_PRESSED);
  if (!Send(pointer)) return false;
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  org_kde_kwin_fake_input_button(pointer.input, BTN_LEFT, WL_POINTER_BUTTON_STATE_RELEASED);
  return Send(pointer);
}

// False when the compositor has gone.
bool ClickLine(Pointer& pointer, const std::string& line) {
  std::vector<std::pair<int, int>> points;
  if (!ParsePoints(line, &points)) {
    std::fprintf(stderr, "fake-pointer: not a list of X,Y points: '%s'; clicked nothing\n",
                 line.c_str());
    return true;
  }
  for (size_t i = 0; i < points.size(); ++i) {
    if (i > 0) std::this_thread::sleep_for(std::chrono::milliseconds(400));
    if (!Click(pointer, points[i].first, points[i].second)) return false;
  }
  std::fprintf(stderr, "fake-pointer: clicked %s\n", line.c_str());
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: fake-pointer FIFO\n");
    return 2;
  }
  Pointer pointer;
  pointer.display = wl_display_connect(nullptr);
  if (!pointer.display) {
    std::fprintf(stderr, "fake-pointer: cannot connect to the Wayland display\n");
    return 1;
  }
  wl_registry* registry = wl_display_get_registry(pointer.display);
  wl_registry_add_listener(registry, &kRegistryListener, &pointer);
  wl_display_roundtrip(pointer.display);
  if (!pointer.input) {
    std::fprintf(
        stderr,
        "fake-pointer: the compositor offers no org_kde_kwin_fake_input (version 3) to "
        "this program (KWin: is it named in a .desktop file's X-KDE-Wayland-Interfaces?)\n");
    return 1;
  }
  org_kde_kwin_fake_input_authenticate(pointer.input, "bottlewatch tests",
                                       "answers the share dialog");
  if (!Send(pointer)) return 1;

  struct sigaction action = {};
  action.sa_handler = RequestStop;
  sigaction(SIGTERM, &action, nullptr);
  sigaction(SIGINT, &action, nullptr);
  // Opened for writing too, so that a writer closing it never ends the reads.
  unlink(argv[1]);
  const int fifo = mkfifo(argv[1], 0600) == 0 ? open(argv[1], O_RDWR | O_CLOEXEC) : -1;
  if (fifo < 0) {
    std::fprintf(stderr, "fake-pointer: cannot make %s: %s\n", argv[1], std::strerror(errno));
    return 1;
  }
  std::fprintf(stderr, "fake-pointer: reading %s\n", argv[1]);

  int status = 0;
  std::string pending;  // a line not yet ended
  while (!stopRequested) {
    wl_display_flush(pointer.display);
    pollfd fds[2] = {{fifo, POLLIN, 0}, {wl_display_get_fd(pointer.display), POLLIN, 0}};
    if (poll(fds, 2, -1) < 0) {
      if (errno == EINTR) continue;
      status = 1;
      break;
    }
    // KWin sends nothing on this protocol: input here is an error or the end.
    if (fds[1].revents != 0 && wl_display_dispatch(pointer.display) < 0) {
      std::fprintf(stderr, "fake-pointer: the compositor went away\n");
      status = 1;
      break;
    }
    if ((fds[0].revents & POLLIN) == 0) continue;
    char buffer[512];
    const ssize_t n = read(fifo, buffer, sizeof buffer);
    if (n <= 0) continue;
    pending.append(buffer, static_cast<size_t>(n));
    for (size_t end; (end = pending.find('\n')) != std::string::npos;) {
      const std::string line = pending.substr(0, end);
      pending.erase(0, end + 1);
      if (!ClickLine(pointer, line)) {
        std::fprintf(stderr, "fake-pointer: the compositor went away\n");
        stopRequested = 1;
        status = 1;
        break;
      }
    }
  }
  close(fifo);
  unlink(argv[1]);
  org_kde_kwin_fake_input_destroy(pointer.input);
  wl_registry_destroy(registry);
  wl_display_disconnect(pointer.display);
  return status;
}
