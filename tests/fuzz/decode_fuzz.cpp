// Arbitrary bytes as the converter's output file, decoded twice: the first
// call sizes and allocates the raster, the second decodes into it.
#include <tiffio.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "capture/raster/frame_loader.h"

namespace {

std::string FramePath() {
  static const std::string path = "/tmp/bottlewatch-fuzz-" + std::to_string(getpid()) + ".tif";
  return path;
}

void WriteFrame(const uint8_t* data, size_t size) {
  FILE* file = std::fopen(FramePath().c_str(), "wb");
  if (file == nullptr) __builtin_trap();
  if (size > 0 && std::fwrite(data, 1, size, file) != size) __builtin_trap();
  std::fclose(file);
}

void Silence(const char*, const char*, va_list) {}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool quiet = [] {
    // libtiff's reports on broken files would swamp the fuzzer's own output.
    TIFFSetErrorHandler(Silence);
    TIFFSetWarningHandler(Silence);
    return true;
  }();
  (void)quiet;
  WriteFrame(data, size);
  Raster raster;
  if (DecodeFrame(FramePath().c_str(), raster) == FrameStatus::kLoaded) {
    if (raster.pixels == nullptr || raster.width <= 0 || raster.height <= 0) __builtin_trap();
    DecodeFrame(FramePath().c_str(), raster);
  }
  if (raster.pixels != nullptr) _TIFFfree(raster.pixels);
  return 0;
}
