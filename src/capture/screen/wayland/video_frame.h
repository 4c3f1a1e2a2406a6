// A frame of a desktop's screen-sharing stream or of a compositor's screen
// copy, described as a screen image for the bitmap packer. Plain data: no stream library here, so
// every format and crop can be checked on hand-made frames.
#ifndef BOTTLEWATCH_CAPTURE_SCREEN_WAYLAND_VIDEO_FRAME_H_
#define BOTTLEWATCH_CAPTURE_SCREEN_WAYLAND_VIDEO_FRAME_H_

#include <cstddef>
#include <cstdint>
#include <vector>

#include "capture/screen/pixel_packing.h"
#include "capture/screen/screen_capture.h"

// The shared-memory formats compositors send, named by their bytes in memory.
// The fourth byte of an x format is padding and that of an A format is alpha;
// neither is a colour, so both are dropped alike.
enum class VideoFormat { kUnknown, kBgrx, kBgra, kRgbx, kRgba };

// The same layouts as wl_shm names them (by their bits in a little-endian
// word): XRGB8888 is blue first in memory, XBGR8888 red first.
VideoFormat VideoFormatOfShm(uint32_t shmFormat);

// One delivered buffer. data holds size bytes; the picture starts offset bytes
// in, with stride bytes from one row to the next, width x height pixels. The
// crop rectangle, when its width and height are not 0, is the part of the
// picture that holds the shared screen or window (a window's buffer may carry
// its shadow around it). A y-inverted picture holds its rows bottom row first;
// the crop is then still measured from the top row as shown.
struct VideoFrame {
  const uint8_t* data = nullptr;
  size_t size = 0;
  size_t offset = 0;
  int stride = 0;
  int width = 0;
  int height = 0;
  VideoFormat format = VideoFormat::kUnknown;
  int cropX = 0;
  int cropY = 0;
  int cropWidth = 0;
  int cropHeight = 0;
  bool yInverted = false;
};

// Describes the frame's whole picture (its crop when it has one) as a screen
// image that points into frame.data, whatever its size: the caller cuts the
// watched region out of it (CropScreenImage). False, with image untouched, for
// an unknown format or a frame whose rows would reach past its data.
bool DescribeVideoFrame(const VideoFrame& frame, ScreenImage& image);

// The part of picture (a described frame, its top-left at 0,0) that region
// covers. Empty where region starts left of or above it, or past its edge.
ScreenImage RegionOfPicture(const ScreenImage& picture, const ScreenRegion& region);

// Writes the part of picture that region covers to a bitmap file of the
// region's size, black where the picture does not reach. 1 when written, 0
// when nothing could be packed.
int WritePictureRegion(const char* fileName, const ScreenImage& picture,
                       const ScreenRegion& region);

// The part of picture that region covers as plain pixels (ScreenImageToPixels):
// 1 when the picture holds the whole region, 0 when not.
int PictureRegionPixels(const ScreenImage& picture, const ScreenRegion& region,
                        std::vector<uint32_t>& pixels);

#endif  // BOTTLEWATCH_CAPTURE_SCREEN_WAYLAND_VIDEO_FRAME_H_
