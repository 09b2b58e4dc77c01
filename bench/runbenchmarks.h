#ifndef CONCORDA_BENCH_RUNBENCHMARKS_H
#define CONCORDA_BENCH_RUNBENCHMARKS_H

#include <benchmark/benchmark.h>

// The body of every benchmark program's main() once its set-up is done: Google
// Benchmark's own flags, the registered benchmarks, the exit code.
inline int runBenchmarks(int argc, char **argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

#endif
