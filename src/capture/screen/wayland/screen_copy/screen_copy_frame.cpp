// The frame conversation: capture_output_region, the buffer offers, copy (or
// copy_with_damage), then flags and ready or failed. The shared-memory buffer
// is a memfd mapped once and kept while the offers stay the same.
#include "capture/screen/wayland/screen_copy/screen_copy_frame.h"

#include <sys/mman.h>
#include <unistd.h>
#include <wayland-client.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <string>

#include "wlr-screencopy-unstable-v1-client-protocol.h"

namespace {

// Far more than any region we ask for needs; a larger offer is not believed.
constexpr uint64_t kLargestBuffer = uint64_t{256} << 20;

struct Offer {
  uint32_t format = 0;
  int width = 0;
  int height = 0;
  int stride = 0;

  bool operator==(const Offer& other) const {
    return format == other.format && width == other.width && height == other.height &&
           stride == other.stride;
  }
};

struct Buffer {
  Offer shape;
  uint8_t* data = nullptr;
  size_t size = 0;
  wl_buffer* buffer = nullptr;
  bool yInverted = false;  // as the last ready copy left it
};

struct Frame {
  zwlr_screencopy_frame_v1* frame = nullptr;
  uint32_t version = 0;
  bool offersDone = false;
  bool readable = false;  // offer holds a shared-memory format we read
  Offer offer;
  bool yInverted = false;
  CopyState state = CopyState::kPending;
};

Buffer g_buffer;
Frame g_frame;

void NoteBuffer(void* data, zwlr_screencopy_frame_v1*, uint32_t format, uint32_t width,
                uint32_t height, uint32_t stride) {
  auto* frame = static_cast<Frame*>(data);
  // Before version 3 this one offer is all there is.
  if (frame->version < 3) frame->offersDone = true;
  if (frame->readable || VideoFormatOfShm(format) == VideoFormat::kUnknown) return;
  if (width == 0 || height == 0 || width > INT32_MAX / 4 || height > INT32_MAX ||
      stride < width * 4 || stride > INT32_MAX || uint64_t{stride} * height > kLargestBuffer) {
    return;
  }
  frame->readable = true;
  frame->offer = {format, static_cast<int>(width), static_cast<int>(height),
                  static_cast<int>(stride)};
}

void NoteFlags(void* data, zwlr_screencopy_frame_v1*, uint32_t flags) {
  static_cast<Frame*>(data)->yInverted = (flags & ZWLR_SCREENCOPY_FRAME_V1_FLAGS_Y_INVERT) != 0;
}

void NoteReady(void* data, zwlr_screencopy_frame_v1*, uint32_t, uint32_t, uint32_t) {
  auto* frame = static_cast<Frame*>(data);
  frame->state = CopyState::kReady;
  g_buffer.yInverted = frame->yInverted;
}

void NoteFailed(void* data, zwlr_screencopy_frame_v1*) {
  static_cast<Frame*>(data)->state = CopyState::kFailed;
}

void NoteDamage(void*, zwlr_screencopy_frame_v1*, uint32_t, uint32_t, uint32_t, uint32_t) {}

void NoteDmabuf(void*, zwlr_screencopy_frame_v1*, uint32_t, uint32_t, uint32_t) {}

void NoteOffersDone(void* data, zwlr_screencopy_frame_v1*) {
  static_cast<Frame*>(data)->offersDone = true;
}

const zwlr_screencopy_frame_v1_listener kFrameListener = {
    NoteBuffer, NoteFlags, NoteReady, NoteFailed, NoteDamage, NoteDmabuf, NoteOffersDone};

[[noreturn]] void FailBuffer(const char* step) {
  throw std::runtime_error(std::string("cannot make the screen copy's buffer (") + step +
                           "): " + std::strerror(errno));
}

// The buffer for offer: the one we have when it fits, else a new one. It is
// normally made once, at the first copy; only a change of the output's mode
// or scale remakes it.
void FitBuffer(wl_shm* shm, const Offer& offer) {
  if (g_buffer.buffer != nullptr && g_buffer.shape == offer) return;
  CloseScreenCopyBuffer();
  const size_t size = static_cast<size_t>(offer.stride) * static_cast<size_t>(offer.height);
  const int fd = memfd_create("bottlewatch-screen-copy", MFD_CLOEXEC);
  if (fd < 0) FailBuffer("memfd_create");
  if (ftruncate(fd, static_cast<off_t>(size)) < 0) {
    close(fd);
    FailBuffer("ftruncate");
  }
  void* mapped = mmap(nullptr, size, PROT_READ, MAP_SHARED, fd, 0);
  if (mapped == MAP_FAILED) {
    close(fd);
    FailBuffer("mmap");
  }
  // The pool holds its own reference to the memory: neither it nor the file
  // is needed once the buffer is made.
  wl_shm_pool* pool = wl_shm_create_pool(shm, fd, static_cast<int32_t>(size));
  g_buffer.buffer =
      wl_shm_pool_create_buffer(pool, 0, offer.width, offer.height, offer.stride, offer.format);
  wl_shm_pool_destroy(pool);
  close(fd);
  g_buffer.shape = offer;
  g_buffer.data = static_cast<uint8_t*>(mapped);
  g_buffer.size = size;
}

}  // namespace

CopyState StartScreenCopy(wl_display* display, const ScreenCopyTarget& target, bool whenChanged) {
  DropScreenCopy();
  g_frame.version = target.version;
  g_frame.frame = zwlr_screencopy_manager_v1_capture_output_region(
      target.manager, 0, target.output, target.box.logicalX, target.box.logicalY,
      target.box.logicalWidth, target.box.logicalHeight);
  zwlr_screencopy_frame_v1_add_listener(g_frame.frame, &kFrameListener, &g_frame);
  const bool offered = DispatchUntil(
      display, [] { return g_frame.offersDone || g_frame.state != CopyState::kPending; },
      AnswerDeadline());
  if (!offered) FailSilentCompositor();
  if (g_frame.state != CopyState::kPending) return g_frame.state;
  if (!g_frame.readable) return CopyState::kUnreadable;
  FitBuffer(target.shm, g_frame.offer);
  if (whenChanged && target.version >= 2) {
    zwlr_screencopy_frame_v1_copy_with_damage(g_frame.frame, g_buffer.buffer);
  } else {
    zwlr_screencopy_frame_v1_copy(g_frame.frame, g_buffer.buffer);
  }
  return CopyState::kPending;
}

CopyState WaitForScreenCopy(wl_display* display, Deadline deadline, bool (*alsoDone)()) {
  DispatchUntil(
      display,
      [alsoDone] {
        return g_frame.state != CopyState::kPending || (alsoDone != nullptr && alsoDone());
      },
      deadline);
  return g_frame.state;
}

void DropScreenCopy() {
  if (g_frame.frame != nullptr) zwlr_screencopy_frame_v1_destroy(g_frame.frame);
  g_frame = Frame{};
}

VideoFrame CopiedScreenPicture() {
  VideoFrame picture;
  picture.data = g_buffer.data;
  picture.size = g_buffer.size;
  picture.stride = g_buffer.shape.stride;
  picture.width = g_buffer.shape.width;
  picture.height = g_buffer.shape.height;
  picture.format = VideoFormatOfShm(g_buffer.shape.format);
  picture.yInverted = g_buffer.yInverted;
  return picture;
}

void CloseScreenCopyBuffer() {
  if (g_buffer.buffer != nullptr) wl_buffer_destroy(g_buffer.buffer);
  if (g_buffer.data != nullptr) munmap(g_buffer.data, g_buffer.size);
  g_buffer = Buffer{};
}
