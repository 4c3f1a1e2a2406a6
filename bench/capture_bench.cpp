// Benchmarks of the capture code.
#include <benchmark/benchmark.h>
