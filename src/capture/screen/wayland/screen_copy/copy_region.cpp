// The screen copy's region from an output's logical and pixel sizes.
#include "capture/screen/wayland/screen_copy/copy_region.h"

#include <algorithm>
#include <cstdint>

#include "capture/screen/screen_capture.h"

namespace {

// The logical length whose pixels reach wanted pixels, at pixels / logical
// pixels a logical unit, rounded up; at most the whole logical length.
int LogicalCover(int wanted, int logical, int pixels) {
  if (pixels <= 0) return std::min(wanted, logical);
  const int64_t cover = (int64_t{wanted} * logical + pixels - 1) / pixels;
  return static_cast<int>(std::min<int64_t>(cover, logical));
}

}  // namespace

LogicalSize CopyRegionFor(const OutputPlacement& output) {
  const int scale = std::max(output.scale, 1);
  int logicalWidth = output.logicalWidth;
  int logicalHeight = output.logicalHeight;
  if (logicalWidth <= 0 || logicalHeight <= 0) {
    logicalWidth = output.pixelWidth / scale;
    logicalHeight = output.pixelHeight / scale;
  }
  // An output that told neither size: ask for the capture region and let the
  // compositor clip it.
  if (logicalWidth <= 0 || logicalHeight <= 0) return {kCaptureWidth, kCaptureHeight};
  return {LogicalCover(kCaptureWidth, logicalWidth, output.pixelWidth),
          LogicalCover(kCaptureHeight, logicalHeight, output.pixelHeight)};
}
