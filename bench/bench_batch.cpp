// Figures for concorda-report on a file of 1e6 subjects by 2 methods (about 20 MB), written
// to a temporary file at start-up: reading the chosen columns the data view's way (decode,
// split into texts, cellNumber per cell) and with the number reader, and the whole report
// in memory (buildReport) in random and fixed mode. Wall time, and as peak_rss_MB the
// process's peak resident memory while a case ran.
//
// Figures to compare a change with (Release build, 2-core Intel Xeon shared with other
// builds). concorda-report --gold Reference --tdi-allowance 1 on a file like this one
// (1e6 rows, 19.7 MB), wall time and peak memory by /usr/bin/time:
//
//                      2026-12-07 before (load 1)   2026-12-07 after (load 4 to 5)
//   --random           0.87 s, 263 MB               0.18 to 0.23 s, 58 MB
//   fixed mode         2.70 s, 263 MB               0.19 to 0.29 s, 58 MB
//
// and this program after (load 4): BM_DataViewColumns 695 ms, peak 277 MB;
// BM_NumberReaderColumns 75 ms, peak 64 MB; BM_BuildReport/random 117 ms, /fixed 164 ms,
// peak 80 MB (the file's 20 MB held by the program itself are in every baseline).
// Before, the tool read through the data view's steps (BM_DataViewColumns) and the engine
// was the one described in bench_stats.cpp.

#include "batchrun.h"
#include "cellvalues.h"
#include "csvtable.h"
#include "diagnostics.h"
#include "numberreader.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include "benchfiles.h"
#include "peakmemory.h"
#include "runbenchmarks.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <random>

namespace {

constexpr int subjectCount = 1000000;

QString csvFileName;

// Two methods with six decimals, like an instrument export, and a final line feed.
QByteArray makeCsv()
{
    std::mt19937_64 generator(15);
    std::normal_distribution<double> truth(12.0, 2.0);
    std::normal_distribution<double> noise(0.0, 0.5);
    QByteArray csv("Reference,Compared\n");
    csv.reserve(subjectCount * 20);
    for (int subject = 0; subject < subjectCount; ++subject) {
        const double value = truth(generator);
        csv += QByteArray::number(value + noise(generator), 'f', 6) + ','
               + QByteArray::number(value + 0.3 + noise(generator), 'f', 6) + '\n';
    }
    return csv;
}

QByteArray readCsv()
{
    return readBenchmarkFile(csvFileName);
}

void BM_DataViewColumns(benchmark::State &state)
{
    MemoryCounters memory(state);
    for (auto _ : state) {
        const CsvTable table = csv::parseTable(csv::decodeText(readCsv()), QLatin1Char(','));
        benchmark::DoNotOptimize(csv::tableColumnValues(table, 0));
        benchmark::DoNotOptimize(csv::tableColumnValues(table, 1));
    }
}

void BM_NumberReaderColumns(benchmark::State &state)
{
    MemoryCounters memory(state);
    for (auto _ : state)
        benchmark::DoNotOptimize(csv::NumberReader(readCsv(), QLatin1Char(',')).columns({0, 1}));
}

// A bound of 1 puts CP near 0.8 for these data, so that its limit is computed too.
void BM_BuildReport(benchmark::State &state, bool random)
{
    batch::ReportRequest request;
    request.analysis = stats::findAnalysis(QLatin1String(stats::agreementId));
    request.fileName = csvFileName;
    request.gold = QStringLiteral("Reference");
    request.options = stats::defaultOptionValues(request.analysis->options());
    request.options.set(QStringLiteral("tdi-allowance"), 1.0);
    request.options.set(QStringLiteral("random"), random);
    MemoryCounters memory(state);
    for (auto _ : state) {
        const batch::Outcome report = batch::buildReport(request);
        if (report.exitCode != batch::ExitSuccess)
            state.SkipWithError(qPrintable(report.error));
    }
}

BENCHMARK(BM_DataViewColumns)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(2);
BENCHMARK(BM_NumberReaderColumns)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK_CAPTURE(BM_BuildReport, random, true)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(5);
BENCHMARK_CAPTURE(BM_BuildReport, fixed, false)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(5);

} // namespace

int main(int argc, char **argv)
{
    quietDiagnostics();
    QCoreApplication application(argc, argv);

    QTemporaryDir directory;
    if (!directory.isValid())
        qFatal("cannot create a temporary directory");
    csvFileName = directory.filePath(QStringLiteral("subjects_1000000_by_2.csv"));
    QFile file(csvFileName);
    const QByteArray csv = makeCsv();
    if (!file.open(QIODevice::WriteOnly) || file.write(csv) != csv.size())
        qFatal("cannot write %s", qPrintable(csvFileName));
    file.close();
    std::printf("CSV file: %d subjects by 2 methods, %.1f MB\n", subjectCount,
                csv.size() / (1024.0 * 1024.0));

    return runBenchmarks(argc, argv);
}
