// The conversation with a Wayland desktop's screen-sharing portal
// (org.freedesktop.portal.ScreenCast over the session bus): the requests, the
// desktop's answers, and the remembered share that spares the user the dialog
// at the next start. What it hands on is a PipeWire connection and a node;
// reading the stream is pipewire_stream.h's.
//
// One session per process, driven from the frame cycle's thread. Every
// function throws std::runtime_error with one line for the user when the
// desktop refuses or the bus goes.
#ifndef BOTTLEWATCH_CAPTURE_SCREEN_WAYLAND_PORTAL_PORTAL_SESSION_H_
#define BOTTLEWATCH_CAPTURE_SCREEN_WAYLAND_PORTAL_PORTAL_SESSION_H_

#include <cstdint>
#include <string>

// What the desktop granted: a PipeWire connection that sees only the shared
// screen or window (the caller owns the descriptor), and that stream's node.
struct GrantedShare {
  int pipeWireFd = -1;
  uint32_t node = 0;
};

// Reaches the session bus and checks that the portal offers screen sharing.
// Throws PortalMissing (screen_sources.h) when the bus, the portal or its
// ScreenCast is not there at all.
void ConnectToPortal();

// Asks the desktop for a screen or a window. When the portal can remember a
// share (ScreenCast version 4 and later) it is asked to, and a share
// remembered by an earlier run is offered back, so the desktop may grant it
// without showing its dialog. Otherwise the dialog waits on the user for as
// long as they take. The newest remembered share is kept for the next run; a
// problem with the file that keeps it costs one warning line at most, never
// the run.
GrantedShare AskForShare();

// Lets the bus deliver what it has, without waiting.
void DispatchPortal();

// Why the sharing ended on the desktop's side (the line to show), or empty
// while it lasts.
std::string PortalShareEnded();

// Closes the session, so that the desktop stops sharing, and the bus.
void ClosePortalSession();

#endif  // BOTTLEWATCH_CAPTURE_SCREEN_WAYLAND_PORTAL_PORTAL_SESSION_H_
