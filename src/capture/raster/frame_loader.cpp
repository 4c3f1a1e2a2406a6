// Frame loading: converter, libtiff decode, row flip.
#include "capture/raster/frame_loader.h"

#include <tiffio.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <memory>

#include "capture/converter/converter_run.h"

namespace {

constexpr char kMagickCommand[] = "magick x.bmp -compress None x.tif";
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

// A later frame of another size than the first. TIFFReadRGBAImage would place
// a taller image before the block, and for a narrower one its decoder reads
// whole raster-width rows out of shorter scanlines. So the overlapping top-left
// part is decoded with the row length it really has and then spread out to the
// raster's row length, bottom row first since the rows only move up in memory.
// The columns right of a narrower image are black; rows above a shorter one (in
// the decoder's bottom-up order) keep what the block held.
void DecodeResized(TIFF* tiff, const Raster& raster, uint32_t fileWidth, uint32_t fileHeight) {
  const uint32_t width = std::min(fileWidth, static_cast<uint32_t>(raster.width));
  const uint32_t height = std::min(fileHeight, static_cast<uint32_t>(raster.height));
  char message[1024] = "";
  TIFFRGBAImage image;
  if (!TIFFRGBAImageOK(tiff, message) || !TIFFRGBAImageBegin(&image, tiff, 0, message)) {
    // The report TIFFReadRGBAImage would give through the default handler.
    TIFFError(TIFFFileName(tiff), "%s", message);
    return;
  }
  const size_t firstRow = static_cast<size_t>(raster.height) - height;
  uint32_t* decoded = raster.pixels + firstRow * width;
  TIFFRGBAImageGet(&image, decoded, width, height);
  TIFFRGBAImageEnd(&image);
  for (size_t row = height; row-- > 0;) {
    uint32_t* target = raster.pixels + (firstRow + row) * raster.width;
    std::memmove(target, decoded + row * width, width * sizeof(uint32_t));
    std::fill(target + width, target + raster.width, 0u);
  }
}

// Decodes into the raster with its lower-left origin (undone by the flip).
void DecodeInto(TIFF* tiff, const Raster& raster) {
  uint32_t fileWidth = 0;
  uint32_t fileHeight = 0;
  TIFFGetField(tiff, TIFFTAG_IMAGEWIDTH, &fileWidth);
  TIFFGetField(tiff, TIFFTAG_IMAGELENGTH, &fileHeight);
  if (fileWidth != static_cast<uint32_t>(raster.width) ||
      fileHeight != static_cast<uint32_t>(raster.height)) {
    DecodeResized(tiff, raster, fileWidth, fileHeight);
    return;
  }
  TIFFReadRGBAImage(tiff, static_cast<uint32_t>(raster.width), static_cast<uint32_t>(raster.height),
                    raster.pixels, 0);
}

// ImageMagick 7's own command where it is installed: its "convert" still
// works but warns on every run, and on Windows "convert" may be System32's
// disk tool. Version 7's "magick" takes the same words for this conversion.
// Looked for once: the choice holds for the whole run.
const char* ConverterCommand() {
  static const char* const command = ProgramOnPath("magick") ? kMagickCommand : kConvertCommand;
  return command;
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
  // The converter's exit status is not looked at: when it fails, whatever
  // "x.tif" holds (a frame left from before) is analysed, and no "x.tif" at
  // all is reported by the open below. An interrupt is no failure of the
  // frame: it stops the advisor before a half-written file is reported.
  RunConverter(ConverterCommand());
  switch (DecodeFrame(kFrameFileName, raster)) {
    case FrameStatus::kLoaded:
      return;
    case FrameStatus::kCannotOpen:
      FailWithMessage("Could not open input file!");
    case FrameStatus::kCannotAllocate:
      FailWithMessage("Could not allocate memory!");
  }
}

void ReleaseRaster(Raster& raster) {
  if (raster.pixels != nullptr) _TIFFfree(raster.pixels);
  raster = Raster{};
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
