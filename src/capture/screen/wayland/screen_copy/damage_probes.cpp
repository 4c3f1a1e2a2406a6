// One held-back copy of one logical pixel per other output, each with a small
// shared-memory buffer of its own, made once and kept.
#include "capture/screen/wayland/screen_copy/damage_probes.h"

#include <sys/mman.h>
#include <unistd.h>
#include <wayland-client.h>

#include <cerrno>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <string>

#include "capture/screen/wayland/screen_copy/wayland_connection.h"
#include "capture/screen/wayland/video_frame.h"
#include "wlr-screencopy-unstable-v1-client-protocol.h"

namespace {

struct Probe {
  wl_output* output = nullptr;
  zwlr_screencopy_frame_v1* frame = nullptr;
  wl_buffer* buffer = nullptr;
  void* memory = nullptr;
  size_t size = 0;
  uint32_t format = 0;
  int width = 0;
  int height = 0;
  int stride = 0;
  bool offered = false;  // a shared-memory format we know was offered
  bool offersDone = false;
  bool answered = false;  // ready or failed: done with
  bool changed = false;   // ready: the output changed
};

std::vector<std::unique_ptr<Probe>> g_probes;
uint32_t g_version = 0;

void NoteBuffer(void* data, zwlr_screencopy_frame_v1*, uint32_t format, uint32_t width,
                uint32_t height, uint32_t stride) {
  auto* probe = static_cast<Probe*>(data);
  if (g_version < 3) probe->offersDone = true;
  // One logical pixel is a few pixels at most; anything larger is not believed.
  if (probe->offered || VideoFormatOfShm(format) == VideoFormat::kUnknown || width == 0 ||
      height == 0 || width > 64 || height > 64 || stride < width * 4 || stride > 1024) {
    return;
  }
  probe->offered = true;
  probe->format = format;
  probe->width = static_cast<int>(width);
  probe->height = static_cast<int>(height);
  probe->stride = static_cast<int>(stride);
}

void NoteReady(void* data, zwlr_screencopy_frame_v1*, uint32_t, uint32_t, uint32_t) {
  auto* probe = static_cast<Probe*>(data);
  probe->answered = true;
  probe->changed = true;
}

void NoteFailed(void* data, zwlr_screencopy_frame_v1*) {
  static_cast<Probe*>(data)->answered = true;
}

void NoteOffersDone(void* data, zwlr_screencopy_frame_v1*) {
  static_cast<Probe*>(data)->offersDone = true;
}

template <typename... Args>
void Ignore(void*, Args...) {}

const zwlr_screencopy_frame_v1_listener kProbeListener = {
    NoteBuffer, Ignore, NoteReady, NoteFailed, Ignore, Ignore, NoteOffersDone};

void DropFrame(Probe& probe) {
  if (probe.frame != nullptr) zwlr_screencopy_frame_v1_destroy(probe.frame);
  probe.frame = nullptr;
  probe.offersDone = false;
  probe.answered = false;
  probe.changed = false;
}

void FreeBuffer(Probe& probe) {
  if (probe.buffer != nullptr) wl_buffer_destroy(probe.buffer);
  if (probe.memory != nullptr) munmap(probe.memory, probe.size);
  probe.buffer = nullptr;
  probe.memory = nullptr;
}

// The probe's buffer, made at its first offer and kept while the offer stays.
bool FitBuffer(wl_shm* shm, Probe& probe, const int shape[4]) {
  if (probe.buffer != nullptr && shape[0] == probe.width && shape[1] == probe.height &&
      shape[2] == probe.stride && shape[3] == static_cast<int>(probe.format)) {
    return true;
  }
  FreeBuffer(probe);
  probe.size = static_cast<size_t>(probe.stride) * probe.height;
  const int fd = memfd_create("bottlewatch-damage-probe", MFD_CLOEXEC);
  if (fd < 0) return false;
  if (ftruncate(fd, static_cast<off_t>(probe.size)) < 0) {
    close(fd);
    return false;
  }
  void* mapped = mmap(nullptr, probe.size, PROT_READ, MAP_SHARED, fd, 0);
  if (mapped == MAP_FAILED) {
    close(fd);
    return false;
  }
  wl_shm_pool* pool = wl_shm_create_pool(shm, fd, static_cast<int32_t>(probe.size));
  probe.buffer =
      wl_shm_pool_create_buffer(pool, 0, probe.width, probe.height, probe.stride, probe.format);
  wl_shm_pool_destroy(pool);
  close(fd);
  probe.memory = mapped;
  return true;
}

void Ask(wl_display* display, const ScreenCopyTarget& target, Probe& probe) {
  const int before[4] = {probe.width, probe.height, probe.stride, static_cast<int>(probe.format)};
  DropFrame(probe);
  probe.offered = false;
  probe.frame =
      zwlr_screencopy_manager_v1_capture_output_region(target.manager, 0, probe.output, 0, 0, 1, 1);
  zwlr_screencopy_frame_v1_add_listener(probe.frame, &kProbeListener, &probe);
  if (!DispatchUntil(
          display, [&probe] { return probe.offersDone || probe.answered; }, AnswerDeadline())) {
    FailSilentCompositor();
  }
  // A probe the compositor refuses, or cannot copy into a buffer we make,
  // stays answered: that output's changes go unseen, as before probes.
  if (probe.answered || !probe.offered || !FitBuffer(target.shm, probe, before)) {
    probe.answered = true;
    probe.changed = false;
    return;
  }
  zwlr_screencopy_frame_v1_copy_with_damage(probe.frame, probe.buffer);
}

}  // namespace

void AskDamageProbes(wl_display* display, const ScreenCopyTarget& target,
                     const std::vector<wl_output*>& outputs, wl_output* watched) {
  g_version = target.version;
  if (target.version < 2 || outputs.size() < 2) return;
  if (g_probes.empty()) {
    for (wl_output* output : outputs) {
      g_probes.push_back(std::make_unique<Probe>());
      g_probes.back()->output = output;
    }
  }
  for (auto& probe : g_probes) {
    if (probe->output == watched) {
      // The wait's own copy watches this output.
      DropFrame(*probe);
      continue;
    }
    if (probe->frame == nullptr || probe->changed) Ask(display, target, *probe);
  }
}

bool DamageProbed() {
  for (const auto& probe : g_probes) {
    if (probe->changed) return true;
  }
  return false;
}

void DropDamageProbes() {
  for (auto& probe : g_probes) {
    DropFrame(*probe);
    FreeBuffer(*probe);
  }
  g_probes.clear();
}
