// Benchmarks of the capture code: one 640 x 480 capture to a bitmap file on a
// private 24-bit X server, beside the same grab by ImageMagick's import, and,
// when BOTTLEWATCH_DESKTOP_ENV names the env file of a running desktop,
// through that desktop: its screen-sharing portal (scripts/headless-gnome) or
// its screen copy (scripts/headless-sway).
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "capture/screen/screen_capture.h"
#include "support/desktop_session.h"
#include "support/temp_dir.h"
#include "support/xvfb_server.h"

namespace {

// One server for the X benchmarks, started on first use; the capture opens
// the default display, so each points DISPLAY at it.
const XvfbServer& BenchServer() {
  static const std::unique_ptr<XvfbServer> server = [] {
    return std::make_unique<XvfbServer>(640, 480, 24);
  }();
  return *server;
}

void BM_CaptureScreen640x480(benchmark::State& state) {
  CloseScreenCapture();
  setenv("DISPLAY", BenchServer().display().c_str(), 1);
  TempDir dir;
  const std::string file = dir.File("x.bmp");
  for (auto _ : state) benchmark::DoNotOptimize(CaptureScreen(file.c_str()));
}
BENCHMARK(BM_CaptureScreen640x480)->Unit(benchmark::kMillisecond)->Repetitions(5);

// The desktop's environment (NAME=value lines) into ours, so that the capture
// finds its Xwayland, its session bus and its portal. False without one.
bool UseDesktop() {
  const char* envFile = std::getenv("BOTTLEWATCH_DESKTOP_ENV");
  if (envFile == nullptr || *envFile == '\0') return false;
  const std::map<std::string, std::string> env = ReadEnvFile(envFile);
  for (const auto& [name, value] : env) setenv(name.c_str(), value.c_str(), 1);
  return !env.empty();
}

// Drops what the captures keep and points them at the desktop; false, with
// the benchmark marked, where no desktop is named.
bool StartOnDesktop(benchmark::State& state) {
  CloseScreenCapture();
  if (UseDesktop()) return true;
  state.SkipWithError("BOTTLEWATCH_DESKTOP_ENV names no desktop");
  return false;
}

// Through the desktop, after the first capture (which asks for the screen and,
// on GNOME, waits for its first picture): the portal's capture takes the newest
// picture the stream has delivered; the screen copy's waits for its copy, which
// the compositor makes at the output's next frame. Back to back (0) a copy
// waits a whole refresh; with the pause between captures (in milliseconds) that
// a frame cycle puts there, an idle output copies at once.
void BM_CaptureScreenOnDesktop(benchmark::State& state) {
  if (!StartOnDesktop(state)) return;
  TempDir dir;
  const std::string file = dir.File("x.bmp");
  CaptureScreen(file.c_str());
  for (auto _ : state) {
    benchmark::DoNotOptimize(CaptureScreen(file.c_str()));
    if (state.range(0) == 0) continue;
    state.PauseTiming();
    std::this_thread::sleep_for(std::chrono::milliseconds(state.range(0)));
    state.ResumeTiming();
  }
  CloseScreenCapture();
}
BENCHMARK(BM_CaptureScreenOnDesktop)
    ->Arg(0)
    ->Arg(100)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(50)
    ->Repetitions(5);

// A look's read of the whole screen through the desktop: every output copied
// whole (the screen copy), or the newest picture of the stream turned into
// pixels (the portal). Start the desktop at the size to measure, say
// scripts/headless-gnome --monitor 3840x2160, or sway's output set to
// 3840x2160 with swaymsg. Wall time includes the compositor's copy; CPU time
// is the advisor's alone.
void BM_LookOnDesktop(benchmark::State& state) {
  if (!StartOnDesktop(state)) return;
  TempDir dir;
  CaptureScreen(dir.File("x.bmp").c_str());
  const ScreenRegion screen = ScreenBounds();
  std::vector<uint32_t> pixels;
  for (auto _ : state) benchmark::DoNotOptimize(CaptureScreenPixels(screen, pixels));
  state.counters["pixels"] = static_cast<double>(screen.width) * screen.height;
  CloseScreenCapture();
}
BENCHMARK(BM_LookOnDesktop)->Unit(benchmark::kMillisecond)->Iterations(20)->Repetitions(3);

// A start's first capture on the desktop, connection and set-up included
// (on GNOME the share dialog too, so meant for sway).
void BM_FirstCaptureOnDesktop(benchmark::State& state) {
  if (!StartOnDesktop(state)) return;
  TempDir dir;
  const std::string file = dir.File("x.bmp");
  for (auto _ : state) {
    benchmark::DoNotOptimize(CaptureScreen(file.c_str()));
    state.PauseTiming();
    CloseScreenCapture();
    state.ResumeTiming();
  }
}
BENCHMARK(BM_FirstCaptureOnDesktop)->Unit(benchmark::kMillisecond)->Iterations(20)->Repetitions(3);

void BM_ImportRoot640x480(benchmark::State& state) {
  setenv("DISPLAY", BenchServer().display().c_str(), 1);
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
