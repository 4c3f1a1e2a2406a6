// Loading a frame: the external converter turns "x.bmp" into "x.tif", libtiff
// decodes it, and the rows are flipped so that row 0 is the top of the screen.
#ifndef BOTTLEWATCH_CAPTURE_RASTER_FRAME_LOADER_H_
#define BOTTLEWATCH_CAPTURE_RASTER_FRAME_LOADER_H_

#include <cstdint>

// The decoded frame. width and height come from the first frame and stay fixed
// until ReleaseRaster; pixels is one block of width * height packed pixels
// (red in the low byte, then green, blue, alpha), row-major, row 0 at the top.
// The block is taken from libtiff's allocator on the first successful load
// and is released only by ReleaseRaster, when the watched region changes size.
struct Raster {
  int32_t width = 0;
  int32_t height = 0;
  uint32_t* pixels = nullptr;
};

// The largest pixel block a first frame may ask for. A real capture needs
// 1.2 MB; a forged header must not make the program take and touch gigabytes.
constexpr uint64_t kMaxRasterBytes = 256ull << 20;

enum class FrameStatus {
  kLoaded,          // decoded (possibly only in part) into raster
  kCannotOpen,      // no TIFF handle could be had for the file
  kCannotAllocate,  // first frame only: its size is unusable or no block was had
};

// Decodes fileName into raster. On the first call (no block yet) sizes and
// allocates the raster from the file's tags; later calls decode into the same
// block with the first frame's size and never write outside it, whatever size
// the new file has. A decode that fails part way is not reported: the block
// keeps what libtiff left in it. On kCannotOpen and kCannotAllocate the raster
// is unchanged.
FrameStatus DecodeFrame(const char* fileName, Raster& raster);

// Runs "magick x.bmp -compress None x.tif" when "magick" is on the search path
// at the first call, otherwise "convert x.bmp -compress None x.tif", and
// decodes "x.tif" into raster. Returns only on success; otherwise ends the
// process with an error line.
void LoadFrame(Raster& raster);

// Gives the raster's block back and leaves it with none, so that the next
// load sizes it afresh from its frame: for a watched region of another size.
void ReleaseRaster(Raster& raster);

// Reverses the order of the height rows of width pixels in place.
void FlipRaster(uint32_t* pixels, int32_t height, int32_t width);

// Writes "Error:  " and message on the error stream and exits with status 1.
[[noreturn]] void FailWithMessage(const char* message);

#endif  // BOTTLEWATCH_CAPTURE_RASTER_FRAME_LOADER_H_
