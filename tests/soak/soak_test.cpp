// A long run of the advisor against screen-sim with the real converter:
// memory and descriptors must stay flat, and nothing it prints may disagree
// with what the simulator drew. SOAK_SECONDS sets the length (default 600).
// Once, half way, the converter's output is replaced with a damaged copy.
#include <dirent.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <thread>

#include "support/advisor_output.h"
#include "support/advisor_run.h"
#include "support/subprocess.h"
#include "support/temp_dir.h"
#include "support/xvfb_server.h"

namespace {

struct Usage {
  long residentKiB = -1;
  int descriptors = -1;
};

Usage UsageNow(int pid) {
  Usage usage;
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  for (std::string line; std::getline(status, line);) {
    if (line.rfind("VmRSS:", 0) == 0) usage.residentKiB = std::atol(line.c_str() + 6);
  }
  if (DIR* fds = opendir(("/proc/" + std::to_string(pid) + "/fd").c_str())) {
    usage.descriptors = 0;
    while (readdir(fds) != nullptr) ++usage.descriptors;
    closedir(fds);
    usage.descriptors -= 2;  // "." and ".."
  }
  return usage;
}

// The least of a few samples a short while apart: the advisor holds a file or
// its display connection open for part of every frame, so one sample may
// catch one descriptor more; a leak raises the least of them too.
Usage UsageOf(int pid) {
  Usage least = UsageNow(pid);
  for (int i = 0; i < 20; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(7));
    const Usage now = UsageNow(pid);
    least.residentKiB = std::min(least.residentKiB, now.residentKiB);
    least.descriptors = std::min(least.descriptors, now.descriptors);
  }
  return least;
}

int LineCount(const std::string& path) {
  std::ifstream in(path);
  int lines = 0;
  for (std::string line; std::getline(in, line);) ++lines;
  return lines;
}

// A damaged copy of a frame: its header survives, the middle is noise.
void DamageInPlace(const std::string& frame) {
  std::string bytes = ReadFile(frame);
  if (bytes.size() < 64) return;
  std::mt19937 random(3);
  for (size_t i = bytes.size() / 4; i < bytes.size() * 3 / 4; ++i) {
    bytes[i] = static_cast<char>(random());
  }
  WriteFile(frame + ".damaged", bytes);
  std::rename((frame + ".damaged").c_str(), frame.c_str());
}

TEST(Soak, FlatMemoryAndNoDisagreement) {
  const char* setting = std::getenv("SOAK_SECONDS");
  const int seconds = setting ? std::max(10, std::atoi(setting)) : 600;
  const std::string converter = RealConverter();
  ASSERT_FALSE(converter.empty()) << "no converter on PATH";

  XvfbServer screen(640, 480, 24);
  TempDir dir;
  mkdir(dir.File("bin").c_str(), 0755);
  const std::string calls = dir.File("converter-calls");
  WriteFile(dir.File("bin/convert"),
            "#!/bin/sh\necho >> '" + calls + "'\nexec '" + converter + "' \"$@\"\n");
  chmod(dir.File("bin/convert").c_str(), 0755);

  const std::string log = dir.File("states.log");
  BackgroundProcess sim(
      {ScreenSimBinary(), "--hold", "1.5", "--rate", "3", "--seed", "9", "--log", log}, dir.path(),
      {{"DISPLAY", screen.display()}});
  ASSERT_TRUE(WaitForContent(log, 10));
  const char* path = std::getenv("PATH");
  const std::string output = dir.File("advisor.out");
  BackgroundProcess advisor(
      {AdvisorBinary()}, dir.path(),
      {{"DISPLAY", screen.display()}, {"PATH", dir.File("bin") + ":" + (path ? path : "")}},
      output);

  // Start-up's one-time work (the first frame, libraries) is done once the
  // field is reported and the converter has run a few frames more.
  ASSERT_TRUE(WaitForText(output, "with width", 60)) << "no field reported";
  const auto settling = std::chrono::steady_clock::now();
  while (LineCount(calls) < 4 &&
         std::chrono::steady_clock::now() - settling < std::chrono::seconds(60)) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  const Usage start = UsageOf(advisor.pid());
  const int callsAtStart = LineCount(calls);
  const auto begin = std::chrono::steady_clock::now();
  bool damaged = false;
  while (std::chrono::steady_clock::now() - begin < std::chrono::seconds(seconds)) {
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    ASSERT_GE(UsageNow(advisor.pid()).descriptors, 0) << "the advisor has ended";
    if (!damaged && std::chrono::steady_clock::now() - begin > std::chrono::seconds(seconds / 2)) {
      DamageInPlace(dir.File("x.tif"));
      damaged = true;
    }
  }
  const Usage end = UsageOf(advisor.pid());
  const int frames = LineCount(calls) - callsAtStart;
  advisor.Stop();
  sim.Stop();

  const OutputCheck check = CheckAgainstSimLog(ReadFile(output), ReadFile(log));
  std::printf("soak: %d s, %d frames (%.1f a second), %d simulator steps\n", seconds, frames,
              frames / static_cast<double>(seconds), LineCount(log));
  std::printf("soak: resident memory %ld KiB at start, %ld KiB at end\n", start.residentKiB,
              end.residentKiB);
  std::printf("soak: open descriptors %d at start, %d at end\n", start.descriptors,
              end.descriptors);
  std::printf(
      "soak: %d redraws, %d vitamin lines, %zu disagreeing with the simulator, %zu where the "
      "boards cannot tell (one cell filling alone in row 0)\n",
      check.redraws, check.vitaminLines, check.problems.size(), check.ambiguous.size());
  for (const std::string& problem : check.problems) std::printf("  %s\n", problem.c_str());

  EXPECT_EQ(end.descriptors, start.descriptors);
  // A page or two of allocator slack is not growth; a leak per frame would be
  // thousands of KiB over a run.
  EXPECT_LE(end.residentKiB, start.residentKiB + 256);
  EXPECT_TRUE(check.problems.empty());
  EXPECT_GT(check.vitaminLines, 0);
}

}  // namespace
