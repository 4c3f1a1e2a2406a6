// The layout's screen pixels and the screen copy's logical boxes.
#include "capture/screen/wayland/screen_copy/copy_region.h"

#include <algorithm>
#include <cstdint>

namespace {

// The output's logical size: xdg-output's, or its pixels over its scale.
void LogicalSizeOf(const OutputPlacement& output, int& width, int& height) {
  const int scale = std::max(output.scale, 1);
  width = output.logicalWidth;
  height = output.logicalHeight;
  if (width <= 0 || height <= 0) {
    width = output.pixelWidth / scale;
    height = output.pixelHeight / scale;
  }
}

int64_t CeilDiv(int64_t a, int64_t b) {
  return (a + b - 1) / b;
}

// One axis of CopyCovering: the logical span whose pixels cover from..to of
// pixels pixels over logical logical units, and its first pixel.
void CoverAxis(int from, int to, int logical, int pixels, int& start, int& length, int& first) {
  if (logical <= 0 || pixels <= 0) {
    start = from;
    length = to - from;
    first = from;
    return;
  }
  const int64_t low = int64_t{from} * logical / pixels;
  const int64_t high = std::min<int64_t>(logical, CeilDiv(int64_t{to} * logical, pixels));
  start = static_cast<int>(low);
  length = static_cast<int>(std::max<int64_t>(high - low, 1));
  first = static_cast<int>(low * pixels / logical);
}

}  // namespace

int LayoutScale(const std::vector<OutputPlacement>& outputs) {
  int64_t scale = 1;
  for (const OutputPlacement& output : outputs) {
    int width = 0;
    int height = 0;
    LogicalSizeOf(output, width, height);
    if (width > 0) scale = std::max(scale, CeilDiv(output.pixelWidth, width));
    if (height > 0) scale = std::max(scale, CeilDiv(output.pixelHeight, height));
  }
  return static_cast<int>(std::min<int64_t>(scale, 16));
}

ScreenRegion OutputOnScreen(const OutputPlacement& output, int layoutScale) {
  return ScreenRegion{output.logicalX * layoutScale, output.logicalY * layoutScale,
                      output.pixelWidth, output.pixelHeight};
}

ScreenRegion LayoutBounds(const std::vector<OutputPlacement>& outputs) {
  if (outputs.empty()) return kCornerRegion;
  const int scale = LayoutScale(outputs);
  int64_t left = INT32_MAX, top = INT32_MAX, right = INT32_MIN, bottom = INT32_MIN;
  for (const OutputPlacement& output : outputs) {
    const ScreenRegion on = OutputOnScreen(output, scale);
    left = std::min<int64_t>(left, on.left);
    top = std::min<int64_t>(top, on.top);
    right = std::max<int64_t>(right, int64_t{on.left} + on.width);
    bottom = std::max<int64_t>(bottom, int64_t{on.top} + on.height);
  }
  return ScreenRegion{static_cast<int32_t>(left), static_cast<int32_t>(top),
                      static_cast<int32_t>(right - left), static_cast<int32_t>(bottom - top)};
}

OutputCopy CopyCovering(const OutputPlacement& output, const ScreenRegion& pixels) {
  int logicalWidth = 0;
  int logicalHeight = 0;
  LogicalSizeOf(output, logicalWidth, logicalHeight);
  OutputCopy copy;
  CoverAxis(pixels.left, pixels.left + pixels.width, logicalWidth, output.pixelWidth, copy.logicalX,
            copy.logicalWidth, copy.pixelLeft);
  CoverAxis(pixels.top, pixels.top + pixels.height, logicalHeight, output.pixelHeight,
            copy.logicalY, copy.logicalHeight, copy.pixelTop);
  return copy;
}

ScreenRegion Overlap(const ScreenRegion& a, const ScreenRegion& b) {
  const int64_t left = std::max(a.left, b.left);
  const int64_t top = std::max(a.top, b.top);
  const int64_t right = std::min(int64_t{a.left} + a.width, int64_t{b.left} + b.width);
  const int64_t bottom = std::min(int64_t{a.top} + a.height, int64_t{b.top} + b.height);
  return ScreenRegion{static_cast<int32_t>(left), static_cast<int32_t>(top),
                      static_cast<int32_t>(std::max<int64_t>(0, right - left)),
                      static_cast<int32_t>(std::max<int64_t>(0, bottom - top))};
}
