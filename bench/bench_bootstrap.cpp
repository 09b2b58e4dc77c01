// Cost of the Passing-Bablok bootstrap of pairs with its defaults (B = 1,999, seed 1): the
// resamples' fits, the fits without each pair, the BCa intervals of slope, intercept and
// two decision levels and the confidence band. The same column pair as bench_regression:
// readings from 50 to 500, the compared method 2 % higher plus 1, errors of 3 %.

#include "bootstrap.h"
#include "runbenchmarks.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <random>

namespace {

void passingBablokBootstrap(benchmark::State &state)
{
    const int n = int(state.range(0));
    std::mt19937_64 generator(20240614);
    std::uniform_real_distribution<double> truth(50.0, 500.0);
    std::normal_distribution<double> error(0.0, 0.03);
    const auto rounded = [](double value) { return std::round(value * 100) / 100; };
    QVector<double> reference;
    QVector<double> compared;
    for (int i = 0; i < n; ++i) {
        const double value = truth(generator);
        reference.append(rounded(value * (1 + error(generator))));
        compared.append(rounded((1.02 * value + 1) * (1 + error(generator))));
    }
    stats::RegressionOptions options;
    options.decisionLevels = {100, 300};
    const stats::BootstrapOptions bootstrap;
    for (auto _ : state)
        benchmark::DoNotOptimize(
            stats::passingBablokBootstrap(reference, compared, options, bootstrap));
    state.counters["resamples"] = bootstrap.resamples;
}

} // namespace

BENCHMARK(passingBablokBootstrap)->Arg(50)->Arg(200)->Arg(1000)->Unit(benchmark::kMillisecond);

int main(int argc, char **argv)
{
    return runBenchmarks(argc, argv);
}
