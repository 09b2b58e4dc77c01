// Cost of the method-comparison regression of one compared column, with its confidence
// intervals, one decision level and (Passing-Bablok) the cusum test: Passing-Bablok up to
// the largest number of pairs it takes, Deming up to a million pairs, weighted Deming,
// whose jackknife refits every left-out set, up to the largest number it takes.
//
// Every case reports wall time and, as the counter peak_rss_MB, the process's peak
// resident memory while it ran (the high-water mark is reset before each case where the
// kernel allows it; baseline_rss_MB is what was resident before the case).

#include "regression.h"

#include <QFile>

#include "runbenchmarks.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <random>

#ifdef __GLIBC__
#include <malloc.h>
#endif

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

// Kilobytes of a "Vm..." line of /proc/self/status, or -1 where there is no such file.
double statusKilobytes(const char *field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray prefix = QByteArray(field) + ':';
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith(prefix))
            return line.mid(prefix.size()).trimmed().split(' ').first().toDouble();
    }
    return -1;
}

// Resets the peak resident memory to the current one (Linux 4.0 and later), after giving
// the heap left over by the previous case back to the system.
void resetPeakMemory()
{
#ifdef __GLIBC__
    malloc_trim(0);
#endif
    if (FILE *clearRefs = std::fopen("/proc/self/clear_refs", "w")) {
        std::fputs("5", clearRefs);
        std::fclose(clearRefs);
    }
}

void regressionOfOneColumn(benchmark::State &state, stats::RegressionMethod method)
{
    const ColumnPair pair = columnPair(int(state.range(0)));
    stats::RegressionOptions options;
    options.method = method;
    options.decisionLevels = {100};
    resetPeakMemory();
    const double baseline = statusKilobytes("VmRSS");
    for (auto _ : state)
        benchmark::DoNotOptimize(stats::regression(pair.reference, pair.compared, options));
    state.counters["baseline_rss_MB"] = baseline / 1024.0;
    state.counters["peak_rss_MB"] = statusKilobytes("VmHWM") / 1024.0;
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

} // namespace

BENCHMARK_CAPTURE(regressionOfOneColumn, passing_bablok, stats::RegressionMethod::PassingBablok)
    ->Arg(1000)
    ->Arg(2000)
    ->Arg(stats::maximumPassingBablokPairs)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(regressionOfOneColumn, deming, stats::RegressionMethod::Deming)
    ->Arg(1000)
    ->Arg(5000)
    ->Arg(100000)
    ->Arg(1000000)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(regressionOfOneColumn, weighted_deming, stats::RegressionMethod::WeightedDeming)
    ->Arg(1000)
    ->Arg(5000)
    ->Arg(stats::maximumWeightedDemingPairs)
    ->Unit(benchmark::kMillisecond);

int main(int argc, char **argv)
{
    return runBenchmarks(argc, argv);
}
