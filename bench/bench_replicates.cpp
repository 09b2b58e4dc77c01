// Cost of the replicate analyses on 100,000 subjects x 3 readings of each method (300,000
// rows), the subject column numbers or texts, the rows of a subject spread over the file:
// grouping the rows by subject alone, and the whole analysis of one compared method
// (grouping, the readings of both designs, Bland–Altman exchangeable and linked, the
// repeatability of both methods, the error ratio and the subject means).
//
// Figures to compare a change with, CPU time in milliseconds, median of 5 repetitions
// (RelWithDebInfo build, 2-core machine shared with other builds at a load of about 8, so
// that wall time ran 2.5 to 3 times the CPU time):
//
//                              2026-12-07
//   grouping/numbers           64 ms
//   grouping/texts             123 ms
//   wholeAnalysis/numbers      169 ms
//   wholeAnalysis/texts        228 ms

#include "replicates.h"
#include "runbenchmarks.h"

#include <benchmark/benchmark.h>

#include <QVariant>

#include <random>

namespace {

struct ReplicateTable
{
    QStringList subjects;
    QVector<double> reference;
    QVector<double> compared;
};

// Three occasions per subject, written as three passes over the subjects as a study over
// three days would be; the compared method reads 2 higher, each reading with its own error.
ReplicateTable replicateTable(int subjects, bool textSubjects)
{
    std::mt19937_64 generator(20261208);
    std::normal_distribution<double> truth(100.0, 20.0);
    std::normal_distribution<double> error(0.0, 3.0);
    QVector<double> truths(subjects);
    for (double &value : truths)
        value = truth(generator);
    ReplicateTable table;
    for (int occasion = 0; occasion < 3; ++occasion) {
        for (int i = 0; i < subjects; ++i) {
            table.subjects.append(textSubjects ? QStringLiteral("S%1").arg(i) : QString::number(i + 1));
            table.reference.append(truths.at(i) + error(generator));
            table.compared.append(truths.at(i) + 2.0 + error(generator));
        }
    }
    return table;
}

void grouping(benchmark::State &state, bool textSubjects)
{
    const ReplicateTable table = replicateTable(int(state.range(0)), textSubjects);
    for (auto _ : state)
        benchmark::DoNotOptimize(stats::groupBySubject(table.subjects));
    state.SetItemsProcessed(state.iterations() * table.subjects.size());
}

void wholeAnalysis(benchmark::State &state, bool textSubjects)
{
    using namespace stats;
    const ReplicateTable table = replicateTable(int(state.range(0)), textSubjects);
    const ReplicateOptions options;
    const QString name = QStringLiteral("Compared");
    QString problem;
    for (auto _ : state) {
        const SubjectGroups groups = groupBySubject(table.subjects);
        for (ReplicateDesign design : {ReplicateDesign::Exchangeable, ReplicateDesign::Linked}) {
            const ReplicateReadings readings =
                replicateReadings(groups, table.reference, table.compared, design);
            benchmark::DoNotOptimize(replicateBlandAltman(readings, options, name, &problem));
            benchmark::DoNotOptimize(repeatability(readings.reference, options, name, &problem));
            benchmark::DoNotOptimize(repeatability(readings.compared, options, name, &problem));
            benchmark::DoNotOptimize(replicateErrorRatio(readings, name, &problem));
            benchmark::DoNotOptimize(subjectMeans(readings.reference));
            benchmark::DoNotOptimize(subjectMeans(readings.compared));
        }
    }
    state.SetItemsProcessed(state.iterations() * table.subjects.size());
}

} // namespace

BENCHMARK_CAPTURE(grouping, numbers, false)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(grouping, texts, true)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(wholeAnalysis, numbers, false)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(wholeAnalysis, texts, true)->Arg(100000)->Unit(benchmark::kMillisecond);

int main(int argc, char **argv)
{
    return runBenchmarks(argc, argv);
}
