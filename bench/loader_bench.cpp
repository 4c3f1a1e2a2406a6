// Frame loading stages that do not need the converter.
#include <benchmark/benchmark.h>

#include <vector>

#include "capture/frame_loader.h"

namespace {

void BM_FlipRaster640x480(benchmark::State& state) {
  std::vector<uint32_t> pixels(640 * 480, 0x00808080u);
  for (auto _ : state) {
    FlipRaster(pixels.data(), 480, 640);
    benchmark::DoNotOptimize(pixels.data());
  }
}
BENCHMARK(BM_FlipRaster640x480);

}  // namespace
