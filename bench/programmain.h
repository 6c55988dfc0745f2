#pragma once

#include "platform/hashing.h"

#include <benchmark/benchmark.h>

// The main() of a benchmark of the model: string hashing set up as the program sets it, before any table
// exists, then the benchmarks as Google Benchmark runs them.
#define QTM_BENCHMARK_MAIN()                                                                                           \
    int main(int argc, char** argv) {                                                                                  \
        UseFastStringHashing();                                                                                        \
        benchmark::Initialize(&argc, argv);                                                                            \
        benchmark::RunSpecifiedBenchmarks();                                                                           \
        benchmark::Shutdown();                                                                                         \
        return 0;                                                                                                      \
    }
