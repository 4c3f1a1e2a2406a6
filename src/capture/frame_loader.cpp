// Frame loading: converter, libtiff decode, row flip.
#include "capture/frame_loader.h"

#include <tiffio.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <iostream>
#include <memory>

namespace {

constexpr char kConvertCommand[] = "convert x.bmp -compress None x.tif";
constexpr char kFrameFileName[] = "x.tif";

struct TiffCloser {
  void operator()(TIFF* tiff) const { TIFFClose(tiff); }
};
using TiffHandle = std::unique_ptr<TIFF, TiffCloser>;

// Sizes the raster from the first frame's tags and takes its block. The size
// is checked before anything is allocated: a header may claim any width and
// height, and a product that wrapped around would give a short block that the
// decoder then overruns.
bool AllocateRaster(TIFF* tiff, Raster& raster) {
  uint32_t height = 0;
  uint32_t width = 0;
  TIFFGetField(tiff, TIFFTAG_IMAGELENGTH, &height);
  TIFFGetField(tiff, TIFFTAG_IMAGEWIDTH, &width);
  if (width == 0 || height == 0 || width > INT32_MAX || height > INT32_MAX) return false;
  // Both factors are below 2^31, so the product cannot wrap in 64 bits.
  const uint64_t bytes = static_cast<uint64_t>(width) * height * sizeof(uint32_t);
  if (bytes > kMaxRasterBytes) return false;
  void* block = _TIFFmalloc(static_cast<tmsize_t>(bytes));
  if (block == nullptr) return false;
  raster.width = static_cast<int32_t>(width);
  raster.height = static_cast<int32_t>(height);
  raster.pixels = static_cast<uint32_t*>(block);
  return true;
}

// Decodes into the raster with its lower-left origin (undone by the flip).
// TIFFReadRGBAImage places an image of h rows at raster row (raster height - h),
// which lies before the block when a later frame is taller than the first, so
// such a frame is decoded through the same machinery limited to the rows the
// block holds. Wider or narrower frames are clipped or padded by libtiff itself.
void DecodeInto(TIFF* tiff, const Raster& raster) {
  uint32_t fileHeight = 0;
  TIFFGetField(tiff, TIFFTAG_IMAGELENGTH, &fileHeight);
  if (fileHeight <= static_cast<uint32_t>(raster.height)) {
    TIFFReadRGBAImage(tiff, static_cast<uint32_t>(raster.width),
                      static_cast<uint32_t>(raster.height), raster.pixels, 0);
    return;
  }
  char message[1024] = "";
  TIFFRGBAImage image;
  if (TIFFRGBAImageOK(tiff, message) && TIFFRGBAImageBegin(&image, tiff, 0, message)) {
    TIFFRGBAImageGet(&image, raster.pixels, static_cast<uint32_t>(raster.width),
                     static_cast<uint32_t>(raster.height));
    TIFFRGBAImageEnd(&image);
  } else {
    // The same report TIFFReadRGBAImage gives through the default handler.
    TIFFError(TIFFFileName(tiff), "%s", message);
  }
}

}  // namespace

FrameStatus DecodeFrame(const char* fileName, Raster& raster) {
  TiffHandle tiff(TIFFOpen(fileName, "r"));
  if (!tiff) return FrameStatus::kCannotOpen;
  if (raster.pixels == nullptr && !AllocateRaster(tiff.get(), raster)) {
    return FrameStatus::kCannotAllocate;
  }
  DecodeInto(tiff.get(), raster);
  tiff.reset();
  FlipRaster(raster.pixels, raster.height, raster.width);
  return FrameStatus::kLoaded;
}

void LoadFrame(Raster& raster) {
  // The converter's status is not looked at: when it fails, whatever "x.tif"
  // holds (a frame left from before) is analysed, and no "x.tif" at all is
  // reported by the open below.
  [[maybe_unused]] const int status = std::system(kConvertCommand);
  switch (DecodeFrame(kFrameFileName, raster)) {
    case FrameStatus::kLoaded:
      return;
    case FrameStatus::kCannotOpen:
      FailWithMessage("Could not open input file!");
    case FrameStatus::kCannotAllocate:
      FailWithMessage("Could not allocate memory!");
  }
}

void FlipRaster(uint32_t* pixels, int32_t height, int32_t width) {
  if (pixels == nullptr || width <= 0) return;
  const int32_t half = height / 2;
  for (int32_t k = 0; k < half; ++k) {
    uint32_t* top = pixels + static_cast<size_t>(k) * width;
    uint32_t* bottom = pixels + static_cast<size_t>(height - 1 - k) * width;
    std::swap_ranges(top, top + width, bottom);
  }
}

void FailWithMessage(const char* message) {
  std::cerr << "Error:  " << message << std::endl;
  std::exit(1);
}
