// Benchmarks of the advice code: one move decision on a busy board, with the
// report lines thrown away so only the searches and the formatting are timed.
#include <benchmark/benchmark.h>

#include <cstring>
#include <iostream>
#include <streambuf>

#include "advice/target_choice.h"

namespace {

// Accepts and drops every character, as a console that never blocks would.
class NullBuffer : public std::streambuf {
 protected:
  int overflow(int c) override { return c; }
  std::streamsize xsputn(const char*, std::streamsize count) override { return count; }
};

// A red and yellow vitamin over uneven columns of mixed colours, each topped by
// a dim blue cell: neither a virus nor a stack fits, so the virus and stack
// searches walk every candidate column before the pair search decides, the
// slowest way through.
// clang-format off
const char kBusyBoard[kBoardRows][kBoardColumns + 1] = {
    "...ry...",
    "........",
    "........",
    "B.......",
    "Y......B",
    "y.....By",
    "YB....By",
    "rbB...yR",
    "yRr.B.By",
    "YYbBr.yy",
    "rrbYYBbY",
    "yrbRbRYy",
    "RBRBrybr",
    "brrbyrYB",
    "RRYrYBbr",
    "bBryryBy",
};
// clang-format on

void BM_ChooseMoveBusyBoard(benchmark::State& state) {
  uint8_t grid[kBoardCells];
  for (int row = 0; row < kBoardRows; ++row) {
    std::memcpy(grid + CellIndex(0, row), kBusyBoard[row], kBoardColumns);
  }
  NullBuffer sink;
  std::streambuf* const saved = std::cout.rdbuf(&sink);
  for (auto _ : state) {
    benchmark::DoNotOptimize(ChooseMove(grid, 3, 0, 4, 0));
  }
  std::cout.rdbuf(saved);
}
BENCHMARK(BM_ChooseMoveBusyBoard);

}  // namespace
