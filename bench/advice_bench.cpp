// Benchmarks of the advice code.
#include <benchmark/benchmark.h>
