// A screen-sharing or screen-copy buffer described by the input: format, row
// order, stride, offset, size, picture size and crop, over a heap buffer of exactly that size, then
// packed as a capture would. A compositor chooses all of these, so nothing
// among them may lead the describer or the packer outside the buffer.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "capture/screen/pixel_packing.h"
#include "capture/screen/wayland/video_frame.h"

namespace {

// Takes fixed-size fields off the front of the input; zeros once it runs out.
struct Fields {
  const uint8_t* data;
  size_t size;

  template <typename T>
  T Take() {
    T value{};
    const size_t n = size < sizeof value ? size : sizeof value;
    std::memcpy(&value, data, n);
    data += n;
    size -= n;
    return value;
  }
};

// Large enough for a whole 640 x 480 picture with a wide stride, small enough
// to keep each run quick.
constexpr uint32_t kLargestBuffer = 2u << 20;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Fields in{data, size};
  VideoFrame frame;
  const uint8_t head = in.Take<uint8_t>();
  frame.format = static_cast<VideoFormat>((head & 0x7f) % 5);
  frame.yInverted = (head & 0x80) != 0;
  frame.stride = in.Take<int32_t>();
  frame.offset = in.Take<uint32_t>();
  const uint32_t bytes = in.Take<uint32_t>() % (kLargestBuffer + 1);
  frame.width = in.Take<int32_t>();
  frame.height = in.Take<int32_t>();
  frame.cropX = in.Take<int32_t>();
  frame.cropY = in.Take<int32_t>();
  frame.cropWidth = in.Take<int32_t>();
  frame.cropHeight = in.Take<int32_t>();

  // The rest of the input, repeated, is the picture: copied once, then the
  // filled part doubled, so a large buffer costs little.
  std::vector<uint8_t> buffer(bytes);
  size_t filled = std::min<size_t>(in.size, buffer.size());
  if (filled > 0) std::memcpy(buffer.data(), in.data, filled);
  while (filled > 0 && filled < buffer.size()) {
    const size_t n = std::min(filled, buffer.size() - filled);
    std::memcpy(buffer.data() + filled, buffer.data(), n);
    filled += n;
  }
  frame.data = buffer.data();
  frame.size = buffer.size();

  ScreenImage image;
  if (!DescribeVideoFrame(frame, image)) return 0;
  if (image.width < 0 || image.width > frame.width || image.height < 0 ||
      image.height > frame.height) {
    __builtin_trap();
  }
  image = CropScreenImage(image, 0, 0, 640, 480);
  PackedDib dib;
  if (PackScreenImage(image, nullptr, 0, dib)) FreePackedDib(dib);
  return 0;
}
