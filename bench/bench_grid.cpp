// Figures for the data grid at the size of a large import: building an empty view, filling
// every cell with text as the CSV import does, and reading one variable's values.

#include "dataviewwidget.h"
#include "diagnostics.h"

#include <QApplication>
#include <QStringList>
#include <QTableWidgetItem>

#include "runbenchmarks.h"

#include <benchmark/benchmark.h>

#include <memory>

namespace {

constexpr int columns = 10;

QStringList rowTexts(int row)
{
    QStringList texts;
    for (int column = 0; column < columns; ++column)
        texts.append(QString::number(row * 0.25 + column, 'f', 2));
    return texts;
}

QStringList variableNames()
{
    QStringList names;
    for (int column = 0; column < columns; ++column)
        names.append(QStringLiteral("V%1").arg(column));
    return names;
}

// What the CSV import does: a new item with the field's text per cell, through setItem.
void fill(DataViewWidget &view, int rows)
{
    for (int row = 0; row < rows; ++row) {
        const QStringList texts = rowTexts(row);
        for (int column = 0; column < columns; ++column)
            view.setItem(row, column, new QTableWidgetItem(texts.at(column)));
    }
}

void BM_BuildView(benchmark::State &state)
{
    const int rows = int(state.range(0));
    for (auto _ : state) {
        DataViewWidget view(rows, columns);
        benchmark::DoNotOptimize(view.rowCount());
    }
    state.SetComplexityN(rows);
    state.counters["cells"] = double(rows) * columns;
}

void BM_FillView(benchmark::State &state)
{
    const int rows = int(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        auto view = std::make_unique<DataViewWidget>(rows, columns);
        state.ResumeTiming();
        fill(*view, rows);
        state.PauseTiming();
        view.reset();
        state.ResumeTiming();
    }
    state.SetComplexityN(rows);
}

void BM_GetVarValues(benchmark::State &state)
{
    const int rows = int(state.range(0));
    DataViewWidget view(rows + 1, columns);
    fill(view, rows);
    view.setVarNames(variableNames());
    for (auto _ : state) {
        const QVector<QVariant> values = view.getVarValues(QStringLiteral("V3"));
        benchmark::DoNotOptimize(values.constData());
    }
    state.SetComplexityN(rows);
}

} // namespace

// Rows from 12,500 to 100,000 in doublings, so the fitted complexity shows whether the
// cost grows linearly with the grid.
#define CONCORDA_GRID_BENCHMARK(function)                                                          \
    BENCHMARK(function)                                                                            \
        ->RangeMultiplier(2)                                                                       \
        ->Range(12500, 100000)                                                                     \
        ->Unit(benchmark::kMillisecond)                                                            \
        ->Complexity(benchmark::oN)

CONCORDA_GRID_BENCHMARK(BM_BuildView);
CONCORDA_GRID_BENCHMARK(BM_FillView);
CONCORDA_GRID_BENCHMARK(BM_GetVarValues);

int main(int argc, char **argv)
{
    // The spare row's empty cell writes a diagnostic line on every read-out; keep it out of
    // the report.
    quietDiagnostics();
    // Widgets need an application object; the benchmark needs no screen.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    return runBenchmarks(argc, argv);
}
