// Screen capture on a Wayland desktop, where no client may read the screen by
// itself: the desktop's screen-sharing portal asks the user, in the desktop's
// own dialog, for a screen or a window (portal_session.h), and hands over a
// PipeWire stream of it (pipewire_stream.h).
//
// Both are driven from the frame cycle's own thread: each capture first lets
// the stream and the bus deliver what they have, without waiting, then packs
// the newest picture. A desktop sends a frame only when something changed, so
// the newest picture may be the one the last capture saw; waiting for a change
// is waiting for the next one. The session and the stream are set up on the
// first capture and kept for the process's life.
#include <algorithm>
#include <chrono>
#include <stdexcept>
#include <string>

#include "capture/bitmap_file/bitmap_file.h"
#include "capture/bitmap_file/packed_dib.h"
#include "capture/screen/screen_sources.h"
#include "capture/screen/wayland/portal/pipewire_stream.h"
#include "capture/screen/wayland/portal/portal_session.h"
#include "capture/screen/wayland/video_frame.h"

namespace {

// A desktop sends its first picture as soon as the stream runs; one that has
// sent none after this long is not going to.
constexpr auto kFirstPictureWait = std::chrono::seconds(10);

bool g_started = false;

struct DibOwner {
  PackedDib dib;
  ~DibOwner() { FreePackedDib(dib); }
};

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
  VideoFrame frame;
  if (!NewestPipeWireFrame(frame)) return 0;
  ScreenImage image;
  if (!DescribeVideoFrame(frame, image)) return 0;
  // The picture's top-left 640 x 480 is all that is watched here; a region
  // within it is cut out of it.
  if (!RegionWithinCorner(region)) return 0;
  image = CropScreenImage(image, region.left, region.top, region.width, region.height);
  DibOwner block;
  if (!PackScreenImage(image, nullptr, 0, region.width, region.height, block.dib)) return 0;
  WriteBitmapFile(fileName, block.dib);
  return 1;
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
