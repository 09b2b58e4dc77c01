// Cost of the method-comparison regression of one compared column, with its confidence
// intervals, one decision level and (Passing-Bablok) the cusum test: Passing-Bablok, which
// selects its slopes among the n(n - 1)/2 pairs, and Deming up to a million pairs; weighted
// Deming, whose jackknife refits every left-out set, up to 100,000.
//
// Every case reports wall time and, as the counter peak_rss_MB, the process's peak
// resident memory while it ran (the high-water mark is reset before each case where the
// kernel allows it; baseline_rss_MB is what was resident before the case).

#include "peakmemory.h"
#include "regression.h"
#include "runbenchmarks.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <random>

namespace {

struct ColumnPair
{
    QVector<double> reference;
    QVector<double> compared;
};

// Readings from 50 to 500 with two decimals, the compared method 2 % higher plus 1, each
// with an error of 3 % of the reading: a typical proportional-error comparison, with the
// ties that rounding brings.
ColumnPair columnPair(int n)
{
    std::mt19937_64 generator(20240614);
    std::uniform_real_distribution<double> truth(50.0, 500.0);
    std::normal_distribution<double> error(0.0, 0.03);
    const auto rounded = [](double value) { return std::round(value * 100) / 100; };
    ColumnPair pair;
    pair.reference.reserve(n);
    pair.compared.reserve(n);
    for (int i = 0; i < n; ++i) {
        const double value = truth(generator);
        pair.reference.append(rounded(value * (1 + error(generator))));
        pair.compared.append(rounded((1.02 * value + 1) * (1 + error(generator))));
    }
    return pair;
}

void regressionOfOneColumn(benchmark::State &state, stats::RegressionMethod method)
{
    const ColumnPair pair = columnPair(int(state.range(0)));
    stats::RegressionOptions options;
    options.method = method;
    options.decisionLevels = {100};
    {
        const MemoryCounters memory(state);
        for (auto _ : state)
            benchmark::DoNotOptimize(stats::regression(pair.reference, pair.compared, options));
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

} // namespace

BENCHMARK_CAPTURE(regressionOfOneColumn, passing_bablok, stats::RegressionMethod::PassingBablok)
    ->Arg(1000)
    ->Arg(10000)
    ->Arg(100000)
    ->Arg(1000000)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(regressionOfOneColumn, deming, stats::RegressionMethod::Deming)
    ->Arg(1000)
    ->Arg(5000)
    ->Arg(100000)
    ->Arg(1000000)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(regressionOfOneColumn, weighted_deming, stats::RegressionMethod::WeightedDeming)
    ->Arg(1000)
    ->Arg(10000)
    ->Arg(100000)
    ->Unit(benchmark::kMillisecond);

int main(int argc, char **argv)
{
    return runBenchmarks(argc, argv);
}
