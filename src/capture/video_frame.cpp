// Screen-sharing frames as screen images: formats, stride and crop.
#include "capture/video_frame.h"

#include <algorithm>

#include "capture/screen_capture.h"

namespace {

// Channel masks of a 32-bit pixel read as a little-endian word, which is how
// the packer reads a least-significant-byte-first image.
bool MasksOf(VideoFormat format, ScreenImage& image) {
  switch (format) {
    case VideoFormat::kBgrx:
    case VideoFormat::kBgra:
      image.redMask = 0xff0000;
      image.greenMask = 0xff00;
      image.blueMask = 0xff;
      return true;
    case VideoFormat::kRgbx:
    case VideoFormat::kRgba:
      image.redMask = 0xff;
      image.greenMask = 0xff00;
      image.blueMask = 0xff0000;
      return true;
    case VideoFormat::kUnknown:
      break;
  }
  return false;
}

}  // namespace

bool DescribeVideoFrame(const VideoFrame& frame, ScreenImage& image) {
  constexpr int kBytesPerPixel = 4;
  ScreenImage described;
  if (!MasksOf(frame.format, described)) return false;
  if (frame.data == nullptr || frame.width <= 0 || frame.height <= 0) return false;
  const int stride = frame.stride != 0 ? frame.stride : frame.width * kBytesPerPixel;
  if (stride < frame.width * kBytesPerPixel) return false;

  // A crop that is missing, empty or partly outside the picture is cut to the
  // picture.
  int left = 0;
  int top = 0;
  int right = frame.width;
  int bottom = frame.height;
  if (frame.cropWidth > 0 && frame.cropHeight > 0) {
    left = std::clamp(frame.cropX, 0, frame.width);
    top = std::clamp(frame.cropY, 0, frame.height);
    right = std::clamp(frame.cropX + frame.cropWidth, left, frame.width);
    bottom = std::clamp(frame.cropY + frame.cropHeight, top, frame.height);
  }
  const int width = std::min(right - left, kCaptureWidth);
  const int height = std::min(bottom - top, kCaptureHeight);

  described.data = frame.data;
  if (width > 0 && height > 0) {
    const size_t first = frame.offset + static_cast<size_t>(top) * static_cast<size_t>(stride) +
                         static_cast<size_t>(left) * kBytesPerPixel;
    const size_t end = first + static_cast<size_t>(height - 1) * static_cast<size_t>(stride) +
                       static_cast<size_t>(width) * kBytesPerPixel;
    if (frame.offset > frame.size || end > frame.size) return false;
    described.data = frame.data + first;
  }
  described.width = std::max(width, 0);
  described.height = std::max(height, 0);
  described.bytesPerLine = stride;
  described.bitsPerPixel = 32;
  described.depth = 24;
  described.mostSignificantByteFirst = false;
  described.trueColour = true;
  image = described;
  return true;
}
