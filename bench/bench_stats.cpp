// Cost of one report row: every estimator the agreement report calls for one column
// pair, in the report's order, for n from 1e3 to 1e6 in random and fixed mode.

#include "concordance.h"
#include "tdicp.h"

#include <QLoggingCategory>
#include <QtGlobal>

#include "runbenchmarks.h"

#include <benchmark/benchmark.h>

#include <random>

namespace {

struct ColumnPair
{
    QVector<double> reference;
    QVector<double> compared;
};

// A reference method around 12 with spread 2, and a compared method reading 0.3 higher
// with its own noise: the shape of a typical method-comparison study.
ColumnPair columnPair(int n)
{
    std::mt19937_64 generator(20240601);
    std::normal_distribution<double> truth(12.0, 2.0);
    std::normal_distribution<double> noise(0.0, 0.5);
    ColumnPair pair;
    pair.reference.reserve(n);
    pair.compared.reserve(n);
    for (int i = 0; i < n; ++i) {
        const double value = truth(generator);
        pair.reference.append(value + noise(generator));
        pair.compared.append(value + 0.3 + noise(generator));
    }
    return pair;
}

// Random-mode CP writes both columns to the diagnostics; when they are rendered, keep them
// off the terminal.
void discardMessage(QtMsgType, const QMessageLogContext &, const QString &)
{
}

// renderDiagnostic switches the diagnostics on or off: with them off the random-mode
// diagnostic line is not even rendered, and only the estimators are timed.
void reportRow(benchmark::State &state, stats::Mode mode, bool renderDiagnostic)
{
    QLoggingCategory::setFilterRules(renderDiagnostic ? QStringLiteral("concorda.diagnostics=true")
                                                      : QStringLiteral("concorda.diagnostics=false"));
    const ColumnPair pair = columnPair(int(state.range(0)));
    const QVector<double> &x = pair.reference;
    const QVector<double> &y = pair.compared;
    const double tdiAllowance = 1.0;
    const double cpAllowance = 0.9;
    const double alpha = 0.05;
    const bool proportional = false;
    for (auto _ : state) {
        benchmark::DoNotOptimize(stats::accuracy(x, y));
        benchmark::DoNotOptimize(stats::precision(x, y, true));
        benchmark::DoNotOptimize(stats::tdi(x, y, cpAllowance, proportional));
        benchmark::DoNotOptimize(stats::rbs(x, y));
        benchmark::DoNotOptimize(stats::cp(x, y, tdiAllowance, proportional, mode));
        benchmark::DoNotOptimize(stats::accuracyLimit(x, y, alpha, mode));
        benchmark::DoNotOptimize(stats::precisionLimit(x, y, alpha, true, mode));
        benchmark::DoNotOptimize(stats::cccLimit(x, y, alpha, mode));
        benchmark::DoNotOptimize(stats::tdiLimit(x, y, cpAllowance, proportional, alpha, mode));
        benchmark::DoNotOptimize(
            stats::cpLimit(x, y, tdiAllowance, proportional, alpha, mode));
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

} // namespace

BENCHMARK_CAPTURE(reportRow, random, stats::Mode::Random, false)
    ->RangeMultiplier(10)
    ->Range(1000, 1000000)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(reportRow, random_rendering_diagnostic, stats::Mode::Random, true)
    ->RangeMultiplier(10)
    ->Range(1000, 1000000)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(reportRow, fixed, stats::Mode::Fixed, false)
    ->RangeMultiplier(10)
    ->Range(1000, 1000000)
    ->Unit(benchmark::kMillisecond);

int main(int argc, char **argv)
{
    qInstallMessageHandler(discardMessage);
    return runBenchmarks(argc, argv);
}
