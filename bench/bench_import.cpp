// Figures for importing a large CSV file: 100,000 subjects by 10 variables, written to a
// temporary file at start-up. BM_ImportFile runs the import the program runs after the
// file dialog (read, decode, delimiter dialog, split, fill the grid); the other cases
// time its steps one by one, to show where the time goes.
//
// Every case reports wall time and, as the counter peak_rss_MB, the process's peak
// resident memory while it ran (the high-water mark is reset before each case where the
// kernel allows it; see baseline_rss_MB for what was resident before the case).

#include "csvtable.h"
#include "dataviewwidget.h"
#include "importexport.h"
#include "benchfiles.h"
#include "peakmemory.h"
#include "runbenchmarks.h"

#include <QApplication>
#include <QByteArray>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>

namespace {

constexpr int subjectCount = 100000;
constexpr int variableCount = 10;

QString csvFileName;

// Ten readings per subject with two decimals, like a laboratory export, and a final
// line feed, so the grid has subjectCount + 1 rows with the spare row.
QByteArray makeCsv()
{
    QByteArray csv;
    csv.reserve(subjectCount * variableCount * 8);
    for (int column = 0; column < variableCount; ++column) {
        csv += "Method" + QByteArray::number(column + 1);
        csv += column + 1 < variableCount ? ',' : '\n';
    }
    for (int subject = 0; subject < subjectCount; ++subject) {
        for (int column = 0; column < variableCount; ++column) {
            const double reading = 50.0 + (subject % 997) * 0.37 + column * 1.25;
            csv += QByteArray::number(reading, 'f', 2);
            csv += column + 1 < variableCount ? ',' : '\n';
        }
    }
    return csv;
}

QByteArray readCsv()
{
    return readBenchmarkFile(csvFileName);
}

void BM_ImportFile(benchmark::State &state)
{
    MemoryCounters memory(state);
    ImportExport importExport;
    for (auto _ : state) {
        // The delimiter dialog takes the comma, preselected, as soon as it runs.
        QTimer::singleShot(0, []() {
            if (QWidget *dialog = QApplication::activeModalWidget())
                dialog->close();
        });
        QStringList names;
        std::unique_ptr<DataViewWidget> view(importExport.importFile(csvFileName, names));
        if (!view || view->rowCount() != subjectCount + 1 || names.size() != variableCount)
            state.SkipWithError("the import did not give the expected grid");
        state.PauseTiming();
        view.reset();
        state.ResumeTiming();
    }
}

void BM_ReadAndDecode(benchmark::State &state)
{
    MemoryCounters memory(state);
    for (auto _ : state)
        benchmark::DoNotOptimize(csv::decodeText(readCsv()));
}

void BM_ParseTable(benchmark::State &state)
{
    const QString text = csv::decodeText(readCsv());
    MemoryCounters memory(state);
    for (auto _ : state)
        benchmark::DoNotOptimize(csv::parseTable(text, QLatin1Char(',')));
}

// The grid with its empty items, as the import creates it before filling it.
void BM_EmptyView(benchmark::State &state)
{
    MemoryCounters memory(state);
    for (auto _ : state) {
        std::unique_ptr<DataViewWidget> view(new DataViewWidget(subjectCount + 1, variableCount));
        state.PauseTiming();
        view.reset();
        state.ResumeTiming();
    }
}

void BM_DataViewFromTable(benchmark::State &state)
{
    const CsvTable table = csv::parseTable(csv::decodeText(readCsv()), QLatin1Char(','));
    MemoryCounters memory(state);
    for (auto _ : state) {
        std::unique_ptr<DataViewWidget> view(ImportExport::dataViewFromTable(table));
        state.PauseTiming();
        view.reset();
        state.ResumeTiming();
    }
}

// What replacing a large view by the next import costs.
void BM_DestroyView(benchmark::State &state)
{
    const CsvTable table = csv::parseTable(csv::decodeText(readCsv()), QLatin1Char(','));
    MemoryCounters memory(state);
    for (auto _ : state) {
        state.PauseTiming();
        std::unique_ptr<DataViewWidget> view(ImportExport::dataViewFromTable(table));
        state.ResumeTiming();
        view.reset();
    }
}

// A name line of a million columns: the header must be built in time linear in its length.
void BM_WideLine(benchmark::State &state)
{
    QString line;
    for (int column = 0; column < 1000000; ++column)
        line += column == 0 ? QStringLiteral("v") : QStringLiteral(",v");
    line += QLatin1Char('\n');
    for (auto _ : state) {
        QStringList names;
        std::unique_ptr<DataViewWidget> view(
            ImportExport::dataViewFromText(line, QLatin1Char(','), names));
        view->setVarNames(names);
        state.PauseTiming();
        view.reset();
        state.ResumeTiming();
    }
}

BENCHMARK(BM_ImportFile)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_ReadAndDecode)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK(BM_ParseTable)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK(BM_EmptyView)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_DataViewFromTable)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_DestroyView)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_WideLine)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(2);

} // namespace

int main(int argc, char **argv)
{
    // The grid is a widget, but nothing is shown: no display is needed.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);

    QTemporaryDir directory;
    if (!directory.isValid())
        qFatal("cannot create a temporary directory");
    csvFileName = directory.filePath(QStringLiteral("subjects_100000_by_10.csv"));
    QFile file(csvFileName);
    const QByteArray csv = makeCsv();
    if (!file.open(QIODevice::WriteOnly) || file.write(csv) != csv.size())
        qFatal("cannot write %s", qPrintable(csvFileName));
    file.close();
    std::printf("CSV file: %d subjects by %d variables, %.1f MB\n", subjectCount,
                variableCount, csv.size() / (1024.0 * 1024.0));

    return runBenchmarks(argc, argv);
}
