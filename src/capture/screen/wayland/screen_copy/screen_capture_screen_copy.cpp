// Screen capture on a wlroots desktop (sway, Hyprland, river, labwc, Wayfire):
// the compositor copies a region of one of its outputs into our shared memory
// on request, with no dialog, as its own screenshot tools have it.
//
// The screen is every output of the layout, each in its own pixels at its
// logical place times the layout's scale (copy_region.h). A region is copied
// from the output that holds most of it, and only that part of it; the look
// over the whole screen copies each output whole. Each capture asks for one
// copy and waits for it, bounded; a copy of the same part that
// WaitForScreenCopyChange already holds is read instead. The connection, the
// globals and the buffer are set up on the first capture and kept.
#include <wayland-client.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <vector>

#include "capture/bitmap_file/bitmap_file.h"
#include "capture/bitmap_file/packed_dib.h"
#include "capture/screen/screen_sources.h"
#include "capture/screen/wayland/screen_copy/copy_region.h"
#include "capture/screen/wayland/screen_copy/damage_probes.h"
#include "capture/screen/wayland/screen_copy/screen_copy_frame.h"
#include "capture/screen/wayland/screen_copy/screen_copy_registry.h"
#include "capture/screen/wayland/screen_copy/wayland_connection.h"
#include "capture/screen/wayland/video_frame.h"

namespace {

wl_display* g_display = nullptr;
ScreenCopyTarget g_target;   // the part of an output copied last
ScreenCopyTarget g_watched;  // the part the last capture of a region copied
std::vector<ScreenCopyOutput> g_outputs;
std::vector<ScreenRegion> g_onScreen;  // each output's pixels on the screen
ScreenRegion g_bounds = kCornerRegion;
// The buffer holds a copy of g_target no capture has read yet.
bool g_unread = false;
// The output named on the error stream as showing the game, or -1.
int g_said = -1;

void Disconnect() {
  DropScreenCopy();
  DropDamageProbes();
  CloseScreenCopyBuffer();
  ForgetScreenCopyGlobals();
  if (g_display != nullptr) wl_display_disconnect(g_display);
  g_display = nullptr;
  g_target = ScreenCopyTarget{};
  g_watched = ScreenCopyTarget{};
  g_outputs.clear();
  g_onScreen.clear();
  g_bounds = kCornerRegion;
  g_unread = false;
  g_said = -1;
}

// One copy, waited for; kReady, or the state that ended it.
CopyState CopyNow(bool whenChanged, Deadline deadline) {
  CopyState state = StartScreenCopy(g_display, g_target, whenChanged);
  if (state == CopyState::kPending) state = WaitForScreenCopy(g_display, deadline);
  return state;
}

[[noreturn]] void FailCopy(CopyState state) {
  if (state == CopyState::kPending) FailSilentCompositor();
  if (state == CopyState::kUnreadable) {
    throw std::runtime_error("screen copy ended (the compositor offered no buffer format we read)");
  }
  throw std::runtime_error("screen copy ended (the compositor failed a copy)");
}

bool SameBox(const OutputCopy& a, const OutputCopy& b) {
  return a.logicalX == b.logicalX && a.logicalY == b.logicalY && a.logicalWidth == b.logicalWidth &&
         a.logicalHeight == b.logicalHeight;
}

// The output that holds most of region, or -1 when it misses them all.
int OutputHolding(const ScreenRegion& region) {
  int best = -1;
  int64_t most = 0;
  for (size_t k = 0; k < g_onScreen.size(); ++k) {
    const ScreenRegion part = Overlap(region, g_onScreen[k]);
    const int64_t area = int64_t{part.width} * part.height;
    if (area > most) {
      most = area;
      best = static_cast<int>(k);
    }
  }
  return best;
}

// Copies the part of output k that part (in screen pixels, on the output)
// covers, or reads the held copy when it is that one, and describes the
// part's own pixels into image.
bool CopyPart(int k, const ScreenRegion& part, ScreenImage& image) {
  const ScreenRegion& on = g_onScreen[k];
  const ScreenRegion local = {part.left - on.left, part.top - on.top, part.width, part.height};
  const OutputCopy box = CopyCovering(g_outputs[k].placement, local);
  const bool held =
      g_unread && g_target.output == g_outputs[k].output && SameBox(g_target.box, box);
  g_unread = false;
  if (!held) {
    g_target.output = g_outputs[k].output;
    g_target.box = box;
    const CopyState state = CopyNow(false, AnswerDeadline());
    if (state != CopyState::kReady) FailCopy(state);
  }
  ScreenImage picture;
  if (!DescribeVideoFrame(CopiedScreenPicture(), picture)) return false;
  image = CropScreenImage(picture, local.left - box.pixelLeft, local.top - box.pixelTop,
                          local.width, local.height);
  return image.width > 0 && image.height > 0;
}

// Says once which output shows the game, when there is more than one: a
// region away from the corner is only watched around a bottle.
void SayWhichOutput(int k, const ScreenRegion& region) {
  if (g_outputs.size() < 2 || k == g_said) return;
  if (region.left == kCornerRegion.left && region.top == kCornerRegion.top &&
      region.width == kCornerRegion.width && region.height == kCornerRegion.height) {
    return;
  }
  g_said = k;
  const std::string& name = g_outputs[k].name;
  std::fprintf(stderr, "bottlewatch: the game shows on output %s\n",
               name.empty() ? std::to_string(k + 1).c_str() : name.c_str());
  std::fflush(stderr);
}

// A plain picture of pixels (ScreenImageToPixels's packing) as a screen image.
ScreenImage PixelsAsImage(std::vector<uint32_t>& pixels, int width, int height) {
  ScreenImage image;
  image.data = reinterpret_cast<const uint8_t*>(pixels.data());
  image.width = width;
  image.height = height;
  image.bytesPerLine = width * 4;
  image.bitsPerPixel = 32;
  image.depth = 24;
  image.trueColour = true;
  image.redMask = 0xff;
  image.greenMask = 0xff00;
  image.blueMask = 0xff0000;
  return image;
}

// Copies part's pixels into pixels (width wide) at its place in within.
bool PlacePart(int k, const ScreenRegion& part, const ScreenRegion& within,
               std::vector<uint32_t>& pixels) {
  ScreenImage image;
  std::vector<uint32_t> own;
  if (!CopyPart(k, part, image) || !ScreenImageToPixels(image, nullptr, own)) return false;
  for (int y = 0; y < image.height; ++y) {
    std::copy(own.begin() + int64_t{y} * image.width, own.begin() + int64_t{y + 1} * image.width,
              pixels.begin() + int64_t{part.top - within.top + y} * within.width +
                  (part.left - within.left));
  }
  return true;
}

struct DibOwner {
  PackedDib dib;
  ~DibOwner() { FreePackedDib(dib); }
};

}  // namespace

bool StartScreenCopyCapture() {
  if (g_display != nullptr) return true;
  g_display = ConnectWaylandDisplay();
  if (g_display == nullptr) return false;
  try {
    if (!FindScreenCopy(g_display, g_target, g_outputs)) {
      Disconnect();
      return false;
    }
    std::vector<OutputPlacement> placements;
    for (const ScreenCopyOutput& output : g_outputs) placements.push_back(output.placement);
    const int scale = LayoutScale(placements);
    for (const OutputPlacement& placement : placements) {
      g_onScreen.push_back(OutputOnScreen(placement, scale));
    }
    g_bounds = LayoutBounds(placements);
    // A compositor may offer the protocol yet refuse this client its copies;
    // the portal may still be asked then. The first copy is the corner's, as
    // the first capture asks, or the first output's where no output holds it.
    int k = OutputHolding(kCornerRegion);
    const ScreenRegion first = k >= 0 ? Overlap(kCornerRegion, g_onScreen[k]) : g_onScreen[0];
    k = std::max(k, 0);
    g_target.output = g_outputs[k].output;
    g_target.box =
        CopyCovering(g_outputs[k].placement,
                     ScreenRegion{first.left - g_onScreen[k].left, first.top - g_onScreen[k].top,
                                  first.width, first.height});
    const CopyState state = CopyNow(false, AnswerDeadline());
    if (state == CopyState::kFailed || state == CopyState::kUnreadable) {
      Disconnect();
      return false;
    }
    if (state != CopyState::kReady) FailCopy(state);
  } catch (...) {
    Disconnect();
    throw;
  }
  g_unread = true;
  return true;
}

int CaptureScreenCopy(const char* fileName, const ScreenRegion& region) {
  if (region.width <= 0 || region.height <= 0) return 0;
  const int k = OutputHolding(region);
  DibOwner block;
  if (k < 0) {
    // On no output: black, as the screen shows there.
    if (!PackScreenImage(ScreenImage{}, nullptr, 0, region.width, region.height, block.dib)) {
      return 0;
    }
    WriteBitmapFile(fileName, block.dib);
    return 1;
  }
  SayWhichOutput(k, region);
  const ScreenRegion part = Overlap(region, g_onScreen[k]);
  if (part.left == region.left && part.top == region.top) {
    // The usual case: the region starts on the output, and the packer
    // fills what lies past its right or bottom edge with black.
    ScreenImage image;
    if (!CopyPart(k, part, image)) return 0;
    g_watched = g_target;
    if (!PackScreenImage(image, nullptr, 0, region.width, region.height, block.dib)) return 0;
  } else {
    // It starts beside or above the output: the part is placed within it.
    std::vector<uint32_t> pixels(static_cast<size_t>(region.width) * region.height, 0xff000000u);
    if (!PlacePart(k, part, region, pixels)) return 0;
    g_watched = g_target;
    if (!PackScreenImage(PixelsAsImage(pixels, region.width, region.height), nullptr, 0,
                         region.width, region.height, block.dib)) {
      return 0;
    }
  }
  WriteBitmapFile(fileName, block.dib);
  return 1;
}

ScreenRegion ScreenCopyBounds() {
  return g_bounds;
}

int CaptureScreenCopyPixels(const ScreenRegion& region, std::vector<uint32_t>& pixels) {
  if (g_display == nullptr || region.width <= 0 || region.height <= 0) return 0;
  // Black between and beside the outputs.
  pixels.assign(static_cast<size_t>(region.width) * region.height, 0xff000000u);
  for (size_t k = 0; k < g_onScreen.size(); ++k) {
    const ScreenRegion part = Overlap(region, g_onScreen[k]);
    if (part.width == 0 || part.height == 0) continue;
    if (!PlacePart(static_cast<int>(k), part, region, pixels)) return 0;
  }
  return 1;
}

bool WaitForScreenCopyChange(int timeoutMillis) {
  const Deadline deadline =
      std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMillis);
  // The region the captures watch, not the last output the look copied whole.
  if (g_watched.output != nullptr) g_target = g_watched;
  std::vector<wl_output*> outputs;
  for (const ScreenCopyOutput& output : g_outputs) outputs.push_back(output.output);
  AskDamageProbes(g_display, g_target, outputs, g_target.output);
  CopyState state = StartScreenCopy(g_display, g_target, true);
  if (state == CopyState::kPending) state = WaitForScreenCopy(g_display, deadline, DamageProbed);
  if (state == CopyState::kReady) {
    g_unread = true;
    return true;
  }
  if (state != CopyState::kPending) FailCopy(state);
  // Nothing changed in time, or only on another output: the held-back copy
  // is dropped, so that it cannot land in the buffer later, and the next
  // capture asks afresh.
  DropScreenCopy();
  g_unread = false;
  return DamageProbed();
}

void CloseScreenCopyCapture() {
  Disconnect();
}
