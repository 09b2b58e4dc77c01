// Cost of one agreement report row on one column pair, random and fixed mode, for n from
// 1e3 to 1e6: reportRow runs the row as the report computes it (agreementFigures, which
// also pairs the cells and reads them as numbers); estimators calls every public estimator
// on its own, as a direct caller would, each one summarising the pair again.
//
// Figures to compare a change with, n = 1e6, milliseconds of CPU time (median of 5
// repetitions, Release build, 2-core Intel Xeon shared with other builds, load about 4), and
// instructions inside agreementFigures at n = 1e5 (valgrind --tool=callgrind
// --toggle-collect='stats::agreementFigures*', one iteration), which load does not change:
//
//                                    2026-12-07 before     2026-12-07 after
//   reportRow/random                 242 ms, 178.7e6 ins   11.3 ms, 12.4e6 ins
//   reportRow/fixed                  2085 ms, 774.2e6 ins  59.0 ms, 57.7e6 ins
//   reportRow/random_rendering_...   629 ms                401 ms
//   estimators/random                209 ms                16.3 ms
//   estimators/fixed                 2043 ms               96.5 ms
//
// Before: every estimator summarised the pair itself, squares through pow, Boost.Math's
// series for the non-central chi-squared CDF at every row of fixed mode, and the cell
// columns copied once more when agreementFigures cleared them. After: one summary per pair,
// the CDF in closed form, no vector per row.

#include "agreementreport.h"
#include "concordance.h"
#include "tdicp.h"

#include <QLoggingCategory>
#include <QVariant>
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

QVector<QVariant> cells(const QVector<double> &values)
{
    QVector<QVariant> column;
    column.reserve(values.size());
    for (double value : values)
        column.append(value);
    return column;
}

// Random-mode CP writes both columns to the diagnostics; when they are rendered, keep them
// off the terminal.
void discardMessage(QtMsgType, const QMessageLogContext &, const QString &)
{
}

// With the diagnostics on the random-mode diagnostic line is rendered too; with them off
// only the estimators are timed.
void showDiagnostics(bool render)
{
    QLoggingCategory::setFilterRules(render ? QStringLiteral("concorda.diagnostics=true")
                                            : QStringLiteral("concorda.diagnostics=false"));
}

// A bound of 1 puts CP near 0.8 for these data, so that its limit is computed too.
void reportRow(benchmark::State &state, stats::Mode mode, bool renderDiagnostic)
{
    showDiagnostics(renderDiagnostic);
    const ColumnPair pair = columnPair(int(state.range(0)));
    const QVector<QVariant> gold = cells(pair.reference);
    const QVector<QVariant> other = cells(pair.compared);
    stats::AgreementOptions options;
    options.tdiAllowance = 1.0;
    options.random = mode == stats::Mode::Random;
    for (auto _ : state)
        benchmark::DoNotOptimize(stats::agreementFigures(other, gold, options));
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void estimators(benchmark::State &state, stats::Mode mode)
{
    showDiagnostics(false);
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
BENCHMARK_CAPTURE(estimators, random, stats::Mode::Random)
    ->RangeMultiplier(10)
    ->Range(1000, 1000000)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(estimators, fixed, stats::Mode::Fixed)
    ->RangeMultiplier(10)
    ->Range(1000, 1000000)
    ->Unit(benchmark::kMillisecond);

int main(int argc, char **argv)
{
    qInstallMessageHandler(discardMessage);
    return runBenchmarks(argc, argv);
}
