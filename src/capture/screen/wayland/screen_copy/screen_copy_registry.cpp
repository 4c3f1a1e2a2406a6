// The registry conversation: bind the globals, then learn each output's
// place, size and name from wl_output and xdg-output.
#include "capture/screen/wayland/screen_copy/screen_copy_registry.h"

#include <wayland-client.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "capture/screen/wayland/screen_copy/wayland_connection.h"
#include "wlr-screencopy-unstable-v1-client-protocol.h"
#include "xdg-output-unstable-v1-client-protocol.h"

namespace {

// Versions 1 to 3 differ only in what we do not use (damage, DMA-BUF) or wait
// for (buffer_done).
constexpr uint32_t kNewestScreenCopy = 3;

struct Output {
  wl_output* output = nullptr;
  zxdg_output_v1* xdgOutput = nullptr;
  int x = 0;  // wl_output's position, where there is no xdg-output
  int y = 0;
  bool turned = false;  // a quarter turn: the mode's width runs down the screen
  bool logicalKnown = false;
  int logicalX = 0;
  int logicalY = 0;
  std::string name;
  OutputPlacement placement;
};

struct Globals {
  ScreenCopyTarget* target = nullptr;
  wl_registry* registry = nullptr;
  zxdg_output_manager_v1* xdgOutputs = nullptr;
  std::vector<std::unique_ptr<Output>> outputs;
};

void NoteGeometry(void* data, wl_output*, int32_t x, int32_t y, int32_t, int32_t, int32_t,
                  const char*, const char*, int32_t transform) {
  auto* output = static_cast<Output*>(data);
  output->x = x;
  output->y = y;
  output->turned = (transform & 1) != 0;  // 90 and 270, flipped or not
}

void NoteMode(void* data, wl_output*, uint32_t flags, int32_t width, int32_t height, int32_t) {
  if ((flags & WL_OUTPUT_MODE_CURRENT) == 0) return;
  auto* output = static_cast<Output*>(data);
  output->placement.pixelWidth = width;
  output->placement.pixelHeight = height;
}

void NoteScale(void* data, wl_output*, int32_t factor) {
  static_cast<Output*>(data)->placement.scale = factor;
}

void NoteLogicalPosition(void* data, zxdg_output_v1*, int32_t x, int32_t y) {
  auto* output = static_cast<Output*>(data);
  output->logicalKnown = true;
  output->logicalX = x;
  output->logicalY = y;
}

void NoteLogicalSize(void* data, zxdg_output_v1*, int32_t width, int32_t height) {
  auto* output = static_cast<Output*>(data);
  output->placement.logicalWidth = width;
  output->placement.logicalHeight = height;
}

void NoteName(void* data, zxdg_output_v1*, const char* name) {
  static_cast<Output*>(data)->name = name != nullptr ? name : "";
}

template <typename... Args>
void Ignore(void*, Args...) {}

const wl_output_listener kOutputListener = {NoteGeometry, NoteMode, Ignore,
                                            NoteScale,    Ignore,   Ignore};
const zxdg_output_v1_listener kXdgOutputListener = {NoteLogicalPosition, NoteLogicalSize, Ignore,
                                                    NoteName, Ignore};

void NoteGlobal(void* data, wl_registry* registry, uint32_t name, const char* interface,
                uint32_t version) {
  auto* globals = static_cast<Globals*>(data);
  ScreenCopyTarget& target = *globals->target;
  if (std::strcmp(interface, zwlr_screencopy_manager_v1_interface.name) == 0) {
    target.version = std::min(version, kNewestScreenCopy);
    target.manager = static_cast<zwlr_screencopy_manager_v1*>(
        wl_registry_bind(registry, name, &zwlr_screencopy_manager_v1_interface, target.version));
  } else if (std::strcmp(interface, wl_shm_interface.name) == 0) {
    target.shm = static_cast<wl_shm*>(wl_registry_bind(registry, name, &wl_shm_interface, 1));
  } else if (std::strcmp(interface, zxdg_output_manager_v1_interface.name) == 0) {
    globals->xdgOutputs = static_cast<zxdg_output_manager_v1*>(wl_registry_bind(
        registry, name, &zxdg_output_manager_v1_interface, std::min<uint32_t>(version, 2)));
  } else if (std::strcmp(interface, wl_output_interface.name) == 0) {
    // Version 2 brings the scale; nothing later is needed.
    auto output = std::make_unique<Output>();
    output->output = static_cast<wl_output*>(
        wl_registry_bind(registry, name, &wl_output_interface, std::min<uint32_t>(version, 2)));
    wl_output_add_listener(output->output, &kOutputListener, output.get());
    globals->outputs.push_back(std::move(output));
  }
}

const wl_registry_listener kRegistryListener = {NoteGlobal, Ignore};

// The registry's and the outputs' listener data, for the connection's life.
Globals g_globals;

}  // namespace

bool FindScreenCopy(wl_display* display, ScreenCopyTarget& target,
                    std::vector<ScreenCopyOutput>& outputs) {
  target = ScreenCopyTarget{};
  outputs.clear();
  Globals& globals = g_globals;
  globals.target = &target;
  globals.registry = wl_display_get_registry(display);
  wl_registry_add_listener(globals.registry, &kRegistryListener, &globals);
  BoundedRoundtrip(display);
  if (target.manager == nullptr || target.shm == nullptr) return false;
  if (globals.xdgOutputs != nullptr) {
    for (auto& output : globals.outputs) {
      output->xdgOutput = zxdg_output_manager_v1_get_xdg_output(globals.xdgOutputs, output->output);
      zxdg_output_v1_add_listener(output->xdgOutput, &kXdgOutputListener, output.get());
    }
  }
  // The outputs' descriptions, and xdg-output's, answer their binding.
  BoundedRoundtrip(display);

  for (auto& output : globals.outputs) {
    if (output->turned) std::swap(output->placement.pixelWidth, output->placement.pixelHeight);
    OutputPlacement placement = output->placement;
    placement.logicalX = output->logicalKnown ? output->logicalX : output->x;
    placement.logicalY = output->logicalKnown ? output->logicalY : output->y;
    // An output with no mode yet shows nothing to copy.
    if (placement.pixelWidth <= 0 || placement.pixelHeight <= 0) continue;
    outputs.push_back(ScreenCopyOutput{output->output, output->name, placement});
  }
  return !outputs.empty();
}

void ForgetScreenCopyGlobals() {
  Globals& globals = g_globals;
  for (auto& output : globals.outputs) {
    if (output->xdgOutput != nullptr) zxdg_output_v1_destroy(output->xdgOutput);
    wl_output_destroy(output->output);
  }
  if (globals.xdgOutputs != nullptr) zxdg_output_manager_v1_destroy(globals.xdgOutputs);
  if (globals.target != nullptr) {
    ScreenCopyTarget& target = *globals.target;
    if (target.manager != nullptr) zwlr_screencopy_manager_v1_destroy(target.manager);
    if (target.shm != nullptr) wl_shm_destroy(target.shm);
    target = ScreenCopyTarget{};
  }
  if (globals.registry != nullptr) wl_registry_destroy(globals.registry);
  globals = Globals{};
}
