// Screen capture on a Wayland desktop, where no client may read the screen by
// itself: the desktop's screen-sharing portal asks the user, in the desktop's
// own dialog, for a screen or a window (portal_session.h), and hands over a
// PipeWire stream of it (pipewire_stream.h).
//
// Both are driven from the frame cycle's own thread: each capture first lets
// the stream and the bus deliver what they have, without waiting, then packs
// the newest picture. A desktop sends a frame only when something changed, so
// the newest picture may be the one the last capture saw; waiting for a change
// is waiting for the next one. The picture is the screen, whole: the look for
// the bottle goes over all of it, and the region watched is cut out of it. The session and the
// stream are set up on the first capture and kept for the process's life.
#include <algorithm>
#include <chrono>
#include <stdexcept>
#include <string>

#include "capture/screen/screen_sources.h"
#include "capture/screen/wayland/portal/pipewire_stream.h"
#include "capture/screen/wayland/portal/portal_session.h"
#include "capture/screen/wayland/video_frame.h"

namespace {

// A desktop sends its first picture as soon as the stream runs; one that has
// sent none after this long is not going to.
constexpr auto kFirstPictureWait = std::chrono::seconds(10);

bool g_started = false;

void FailIfEnded() {
  std::string why = PortalShareEnded();
  if (why.empty()) why = PipeWireStreamEnded();
  if (!why.empty()) throw std::runtime_error(why);
}

void Dispatch(int timeoutMillis) {
  DispatchPipeWireStream(timeoutMillis);
  DispatchPortal();
}

void WaitForFirstPicture() {
  const auto deadline = std::chrono::steady_clock::now() + kFirstPictureWait;
  VideoFrame frame;
  while (!NewestPipeWireFrame(frame)) {
    FailIfEnded();
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                          deadline - std::chrono::steady_clock::now())
                          .count();
    if (left <= 0)
      throw std::runtime_error("the desktop allowed screen sharing but sent no picture");
    Dispatch(static_cast<int>(std::min<long long>(left, 100)));
  }
}

// The newest picture the stream delivered, described; false before the first
// (or the first since a change of format).
bool NewestPicture(ScreenImage& picture) {
  VideoFrame frame;
  return NewestPipeWireFrame(frame) && DescribeVideoFrame(frame, picture);
}

}  // namespace

void StartPortalCapture() {
  if (g_started) return;
  ConnectToPortal();
  const GrantedShare share = AskForShare();
  ConnectPipeWireStream(share.pipeWireFd, share.node);
  g_started = true;
  WaitForFirstPicture();
}

int CapturePortalScreen(const char* fileName, const ScreenRegion& region) {
  StartPortalCapture();
  Dispatch(0);
  FailIfEnded();
  // Between a change of format and the first picture in it there is nothing
  // to show; the file keeps the last picture.
  ScreenImage picture;
  if (!NewestPicture(picture)) return 0;
  return WritePictureRegion(fileName, picture, region);
}

// The shared monitor or window, whole: its picture is the screen the look
// goes over, at whatever size the desktop sends it.
ScreenRegion PortalScreenBounds() {
  ScreenImage picture;
  if (!g_started || !NewestPicture(picture)) return kCornerRegion;
  return ScreenRegion{0, 0, picture.width, picture.height};
}

// From the picture the bounds came from: nothing is dispatched between.
int CapturePortalPixels(const ScreenRegion& region, std::vector<uint32_t>& pixels) {
  ScreenImage picture;
  if (!g_started || !NewestPicture(picture)) return 0;
  return PictureRegionPixels(picture, region, pixels);
}

bool WaitForPortalChange(int timeoutMillis) {
  if (!g_started) return true;
  // Nothing is delivered outside a dispatch, so the count is still the one
  // the last capture saw.
  const uint64_t seen = PipeWirePicturesDelivered();
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMillis);
  while (PipeWirePicturesDelivered() == seen && PortalShareEnded().empty() &&
         PipeWireStreamEnded().empty()) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                          deadline - std::chrono::steady_clock::now())
                          .count();
    if (left <= 0) return false;
    // Slices, so that the portal's bus is heard as well.
    Dispatch(static_cast<int>(std::min<long long>(left, 100)));
  }
  return true;
}

bool PortalCaptureUsesSharedMemory() {
  return PipeWireFrameInSharedMemory();
}

void ClosePortalCapture() {
  ClosePipeWireStream();
  ClosePortalSession();
  g_started = false;
}
