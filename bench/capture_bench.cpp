// Benchmarks of the capture code: one 640 x 480 capture to a bitmap file on a
// private 24-bit X server, beside the same grab by ImageMagick's import.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "capture/screen_capture.h"
#include "support/temp_dir.h"
#include "support/xvfb_server.h"

namespace {

// One server for both benchmarks, started on first use; the capture opens the
// default display, so DISPLAY is pointed at it.
const XvfbServer& BenchServer() {
  static const std::unique_ptr<XvfbServer> server = [] {
    auto started = std::make_unique<XvfbServer>(640, 480, 24);
    setenv("DISPLAY", started->display().c_str(), 1);
    return started;
  }();
  return *server;
}

void BM_CaptureScreen640x480(benchmark::State& state) {
  BenchServer();
  TempDir dir;
  const std::string file = dir.File("x.bmp");
  for (auto _ : state) benchmark::DoNotOptimize(CaptureScreen(file.c_str()));
}
BENCHMARK(BM_CaptureScreen640x480)->Unit(benchmark::kMillisecond)->Repetitions(5);

void BM_ImportRoot640x480(benchmark::State& state) {
  BenchServer();
  TempDir dir;
  const std::string command =
      "cd '" + dir.path() + "' && import -window root -crop 640x480+0+0 x.bmp >/dev/null 2>&1";
  for (auto _ : state) {
    if (std::system(command.c_str()) != 0) {
      state.SkipWithError("import failed");
      break;
    }
  }
}
BENCHMARK(BM_ImportRoot640x480)->Unit(benchmark::kMillisecond)->Iterations(20)->Repetitions(3);

}  // namespace
