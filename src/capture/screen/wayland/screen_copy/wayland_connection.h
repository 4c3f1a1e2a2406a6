// The Wayland connection the screen copy talks over: connecting, and waiting
// for the compositor's answers with a bound, since a compositor that never
// answers must end the run rather than hang it.
#ifndef BOTTLEWATCH_CAPTURE_SCREEN_WAYLAND_SCREEN_COPY_WAYLAND_CONNECTION_H_
#define BOTTLEWATCH_CAPTURE_SCREEN_WAYLAND_SCREEN_COPY_WAYLAND_CONNECTION_H_

#include <chrono>
#include <functional>

struct wl_display;

using Deadline = std::chrono::steady_clock::time_point;

// How long any one answer of the compositor may take. A copy is answered at
// the output's next frame, which the compositor schedules at once.
constexpr auto kCompositorAnswerWait = std::chrono::seconds(5);

Deadline AnswerDeadline();

// Connects to the display WAYLAND_DISPLAY names (wayland-0 when unset), or
// nullptr where there is none to reach. libwayland's own messages are kept
// off the error stream, which carries only the advisor's one line.
wl_display* ConnectWaylandDisplay();

// Reads and dispatches the compositor's events until done() holds (true) or
// the deadline passes (false). Throws std::runtime_error with one line when
// the connection breaks: the compositor gone, or a protocol error.
bool DispatchUntil(wl_display* display, const std::function<bool()>& done, Deadline deadline);

// Dispatches until the compositor has answered everything asked so far.
// Throws, as DispatchUntil, and with one line when no answer comes within
// kCompositorAnswerWait.
void BoundedRoundtrip(wl_display* display);

// The line a compositor that sent nothing for kCompositorAnswerWait ends the
// run with.
[[noreturn]] void FailSilentCompositor();

#endif  // BOTTLEWATCH_CAPTURE_SCREEN_WAYLAND_SCREEN_COPY_WAYLAND_CONNECTION_H_
