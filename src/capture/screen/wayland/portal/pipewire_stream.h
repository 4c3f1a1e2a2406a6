// The shared screen or window as a PipeWire stream: the connection the portal
// granted, the formats we read, and the newest picture the desktop sent,
// described as a VideoFrame.
//
// One stream per process. Its loop is entered once by the frame cycle's
// thread and only driven from there, so buffers are only touched between
// captures; PipeWire's own data thread does no more than wake it.
#ifndef BOTTLEWATCH_CAPTURE_SCREEN_WAYLAND_PORTAL_PIPEWIRE_STREAM_H_
#define BOTTLEWATCH_CAPTURE_SCREEN_WAYLAND_PORTAL_PIPEWIRE_STREAM_H_

#include <cstdint>
#include <string>

#include "capture/screen/wayland/video_frame.h"

// Connects to node over the PipeWire connection fd (which the stream then
// owns). Throws std::runtime_error with one line when it cannot.
void ConnectPipeWireStream(int fd, uint32_t node);

// Lets the stream deliver what it has, waiting at most timeoutMillis for the
// first event (0: not at all). A desktop that keeps sending cannot keep the
// caller here: the work done in one call is bounded.
void DispatchPipeWireStream(int timeoutMillis);

// Why the stream ended (the line to show), or empty while it runs.
std::string PipeWireStreamEnded();

// The newest picture delivered so far; false when none has come yet (or none
// since a change of format). frame points into a buffer the stream keeps
// until a newer picture arrives, so it is good until the next dispatch.
bool NewestPipeWireFrame(VideoFrame& frame);

// How many pictures the stream has delivered so far: a new count means a new
// picture to read.
uint64_t PipeWirePicturesDelivered();

// Whether the newest picture lies in memory shared with the desktop.
bool PipeWireFrameInSharedMemory();

void ClosePipeWireStream();

#endif  // BOTTLEWATCH_CAPTURE_SCREEN_WAYLAND_PORTAL_PIPEWIRE_STREAM_H_
