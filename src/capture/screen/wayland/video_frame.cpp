// Screen-sharing frames as screen images: formats, stride and crop.
#include "capture/screen/wayland/video_frame.h"

#include <algorithm>
#include <cstdint>

#include "capture/bitmap_file/bitmap_file.h"
#include "capture/bitmap_file/packed_dib.h"

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

VideoFormat VideoFormatOfShm(uint32_t shmFormat) {
  // wl_shm's first two formats are 0 and 1; the rest are DRM four-character codes.
  constexpr uint32_t kArgb8888 = 0;
  constexpr uint32_t kXrgb8888 = 1;
  constexpr uint32_t kXbgr8888 = 'X' | 'B' << 8 | '2' << 16 | uint32_t{'4'} << 24;
  constexpr uint32_t kAbgr8888 = 'A' | 'B' << 8 | '2' << 16 | uint32_t{'4'} << 24;
  switch (shmFormat) {
    case kXrgb8888:
      return VideoFormat::kBgrx;
    case kArgb8888:
      return VideoFormat::kBgra;
    case kXbgr8888:
      return VideoFormat::kRgbx;
    case kAbgr8888:
      return VideoFormat::kRgba;
    default:
      return VideoFormat::kUnknown;
  }
}

bool DescribeVideoFrame(const VideoFrame& frame, ScreenImage& image) {
  constexpr int kBytesPerPixel = 4;
  ScreenImage described;
  if (!MasksOf(frame.format, described)) return false;
  if (frame.data == nullptr || frame.width <= 0 || frame.height <= 0) return false;
  // The desktop chooses every number here, so the sums are formed in 64 bits,
  // where no int of theirs can overflow them.
  const int64_t rowBytes = static_cast<int64_t>(frame.width) * kBytesPerPixel;
  const int64_t stride = frame.stride != 0 ? frame.stride : rowBytes;
  if (stride < rowBytes || stride > INT32_MAX) return false;

  // A crop that is missing, empty or partly outside the picture is cut to the
  // picture.
  int64_t left = 0;
  int64_t top = 0;
  int64_t right = frame.width;
  int64_t bottom = frame.height;
  if (frame.cropWidth > 0 && frame.cropHeight > 0) {
    left = std::clamp<int64_t>(frame.cropX, 0, frame.width);
    top = std::clamp<int64_t>(frame.cropY, 0, frame.height);
    right =
        std::clamp<int64_t>(static_cast<int64_t>(frame.cropX) + frame.cropWidth, left, frame.width);
    bottom = std::clamp<int64_t>(static_cast<int64_t>(frame.cropY) + frame.cropHeight, top,
                                 frame.height);
  }
  const int width = static_cast<int>(right - left);
  const int height = static_cast<int>(bottom - top);

  described.data = frame.data;
  // The shown rows top..top+height-1 are stored rows lowest..lowest+height-1,
  // counted from the far end of the picture when it is y-inverted.
  const int64_t lowest = frame.yInverted ? frame.height - top - height : top;
  if (width > 0 && height > 0) {
    if (frame.offset > frame.size) return false;
    const uint64_t first =
        frame.offset + static_cast<uint64_t>(lowest * stride + left * kBytesPerPixel);
    const uint64_t end =
        first + static_cast<uint64_t>((height - 1) * stride + int64_t{width} * kBytesPerPixel);
    if (end > frame.size) return false;
    const uint64_t topRow = frame.yInverted ? first + (height - 1) * stride : first;
    described.data = frame.data + topRow;
  }
  described.width = std::max(width, 0);
  described.height = std::max(height, 0);
  described.bytesPerLine = static_cast<int>(frame.yInverted ? -stride : stride);
  described.bitsPerPixel = 32;
  described.depth = 24;
  described.mostSignificantByteFirst = false;
  described.trueColour = true;
  image = described;
  return true;
}

ScreenImage RegionOfPicture(const ScreenImage& picture, const ScreenRegion& region) {
  return CropScreenImage(picture, region.left, region.top, region.width, region.height);
}

int WritePictureRegion(const char* fileName, const ScreenImage& picture,
                       const ScreenRegion& region) {
  PackedDib dib;
  if (!PackScreenImage(RegionOfPicture(picture, region), nullptr, 0, region.width, region.height,
                       dib)) {
    return 0;
  }
  try {
    WriteBitmapFile(fileName, dib);
  } catch (...) {
    FreePackedDib(dib);
    throw;
  }
  FreePackedDib(dib);
  return 1;
}

int PictureRegionPixels(const ScreenImage& picture, const ScreenRegion& region,
                        std::vector<uint32_t>& pixels) {
  const ScreenImage part = RegionOfPicture(picture, region);
  // A picture that shrank since its bounds were given holds less than asked.
  if (part.width != region.width || part.height != region.height) return 0;
  return ScreenImageToPixels(part, nullptr, pixels) ? 1 : 0;
}
