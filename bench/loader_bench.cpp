// The frame stages of ours that surround the converter: the decode of its
// output, the row flip, and the writing of the capture's bitmap file.
#include <benchmark/benchmark.h>
#include <tiffio.h>

#include <cstring>
#include <vector>

#include "capture/bitmap_file/bitmap_file.h"
#include "capture/bitmap_file/packed_dib.h"
#include "capture/raster/frame_loader.h"
#include "support/game_screen.h"
#include "support/temp_dir.h"

namespace {

const std::string kBoard(128, '.');

void BM_FlipRaster640x480(benchmark::State& state) {
  std::vector<uint32_t> pixels(640 * 480, 0x00808080u);
  for (auto _ : state) {
    FlipRaster(pixels.data(), 480, 640);
    benchmark::DoNotOptimize(pixels.data());
  }
}
BENCHMARK(BM_FlipRaster640x480);

// Open, decode and flip a converter-made 640 x 480 TIFF into a sized raster.
void BM_DecodeFrame640x480(benchmark::State& state) {
  TempDir dir;
  const std::string path = dir.File("x.tif");
  WriteRgbTiff(path, DrawGameScreen(kBoard));
  Raster raster;
  DecodeFrame(path.c_str(), raster);
  for (auto _ : state) {
    DecodeFrame(path.c_str(), raster);
    benchmark::DoNotOptimize(raster.pixels);
  }
  _TIFFfree(raster.pixels);
}
BENCHMARK(BM_DecodeFrame640x480)->Unit(benchmark::kMillisecond);

// The 1,228,844-byte block of a 32-bit capture, written as "x.bmp".
void BM_WriteBitmapFile32(benchmark::State& state) {
  TempDir dir;
  const std::string path = dir.File("x.bmp");
  const uint32_t image = DibRowBytes(640, 32) * 480;
  PackedDib block;
  AllocatePackedDib(kInfoHeaderSize + 4 + image, block);
  DibHeader header;
  header.width = 640;
  header.height = 480;
  header.bitCount = 32;
  header.sizeImage = image;
  StoreDibHeader(header, block.bytes);
  for (auto _ : state) benchmark::DoNotOptimize(WriteBitmapFile(path.c_str(), block));
  FreePackedDib(block);
}
BENCHMARK(BM_WriteBitmapFile32)->Unit(benchmark::kMillisecond);

}  // namespace
