// Benchmarks of the vision code.
#include <benchmark/benchmark.h>
