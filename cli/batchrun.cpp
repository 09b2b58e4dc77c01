#include "batchrun.h"

#include "batchtext.h"
#include "csvtable.h"
#include "numberreader.h"

#include <QByteArray>
#include <QDir>

#include <cmath>
#include <utility>

namespace batch {

namespace {

// Every column that `wanted` names, in file order: the columns of that very name, or else
// those whose name is `wanted` followed by a carriage return.
QVector<int> columnsNamed(const QStringList &names, const QString &wanted)
{
    QVector<int> exact;
    QVector<int> lineEnd;
    for (int column = 0; column < names.size(); ++column) {
        const QString &name = names.at(column);
        if (name == wanted)
            exact.append(column);
        else if (name.endsWith(QLatin1Char('\r')) && csv::withoutFinalCarriageReturn(name) == wanted)
            lineEnd.append(column);
    }
    return exact.isEmpty() ? lineEnd : exact;
}

QString unknownColumn(const QString &wanted, const QStringList &names)
{
    QStringList available;
    for (const QString &name : names)
        available.append(quoted(csv::withoutFinalCarriageReturn(name)));
    return BatchReport::tr("there is no column %1; the columns are %2")
        .arg(quoted(wanted), available.join(QLatin1String(", ")));
}

// The desktop program reads the leftmost of two columns of one name; the tool refuses to
// guess which one the user means.
QString repeatedColumn(const QString &wanted, const QVector<int> &columns)
{
    QStringList positions;
    for (int column : columns)
        positions.append(QString::number(column + 1));
    return BatchReport::tr("%1 columns are named %2 (columns %3); give each column a name of "
                           "its own")
        .arg(columns.size())
        .arg(quoted(wanted), positions.join(QLatin1String(", ")));
}

// The one column `wanted` names, or -1 with *error saying why there is none.
int uniqueColumn(const QStringList &names, const QString &wanted, QString *error)
{
    const QVector<int> columns = columnsNamed(names, wanted);
    if (columns.size() == 1)
        return columns.first();
    *error = columns.isEmpty() ? unknownColumn(wanted, names) : repeatedColumn(wanted, columns);
    return -1;
}

bool readFileBytes(const QString &fileName, QByteArray *bytes, QString *error)
{
    QString reason;
    if (csv::readFile(fileName, bytes, &reason))
        return true;
    *error = BatchReport::tr("%1 could not be read: %2")
                 .arg(QDir::toNativeSeparators(fileName), reason);
    return false;
}

// The cells of a column as the analysis takes them: a number, or an invalid variant for a
// missing value (NaN, which no cell reads as).
QVector<QVariant> cellsOf(QVector<double> numbers)
{
    QVector<QVariant> cells;
    cells.reserve(numbers.size());
    for (double value : numbers)
        cells.append(std::isnan(value) ? QVariant() : QVariant(value));
    return cells;
}

} // namespace

bool chooseColumns(const QStringList &names, const QString &gold, const QStringList &others,
                   const QString &subject, ColumnChoice *choice, QString *error)
{
    choice->gold = uniqueColumn(names, gold, error);
    if (choice->gold < 0)
        return false;
    choice->subject = -1;
    if (!subject.isEmpty()) {
        choice->subject = uniqueColumn(names, subject, error);
        if (choice->subject < 0)
            return false;
    }
    choice->others.clear();
    if (others.isEmpty()) {
        for (int column = 0; column < names.size(); ++column) {
            if (column != choice->gold && column != choice->subject)
                choice->others.append(column);
        }
        if (choice->others.isEmpty()) {
            *error = BatchReport::tr("the file has no column to compare with %1").arg(quoted(gold));
            return false;
        }
        return true;
    }
    for (const QString &value : others) {
        // A column whose name holds a comma can still be chosen by its whole name.
        const QStringList wanted = columnsNamed(names, value).isEmpty()
                                       ? value.split(QLatin1Char(','))
                                       : QStringList(value);
        for (const QString &name : wanted) {
            const int column = uniqueColumn(names, name, error);
            if (column < 0)
                return false;
            choice->others.append(column);
        }
    }
    return true;
}

bool readInput(const ReportRequest &request, stats::AnalysisInput *input, QString *error)
{
    QVector<QVector<double>> numbers;
    QStringList names;
    ColumnChoice choice;
    {
        QByteArray bytes;
        if (!readFileBytes(request.fileName, &bytes, error))
            return false;
        const csv::NumberReader reader(bytes, request.delimiter);
        names = reader.names();
        if (!chooseColumns(names, request.gold, request.others, request.subject, &choice, error))
            return false;
        numbers = reader.columns(QVector<int>{choice.gold} + choice.others);
        if (choice.subject >= 0)
            input->subject = reader.texts(choice.subject);
    }

    // The file's bytes are gone before the cells are made.
    input->reference = cellsOf(std::move(numbers[0]));
    input->referenceName = csv::withoutFinalCarriageReturn(names.at(choice.gold));
    for (int i = 0; i < choice.others.size(); ++i) {
        input->compared.append(cellsOf(std::move(numbers[i + 1])));
        input->labels.append(names.at(choice.others.at(i)));
        input->names.append(csv::withoutFinalCarriageReturn(input->labels.last()));
    }
    if (choice.subject >= 0)
        input->subjectName = csv::withoutFinalCarriageReturn(names.at(choice.subject));
    input->options = request.options;
    return true;
}

QStringList plotFileNames(const QStringList &names, const QString &suffix)
{
    QStringList fileNames;
    for (const QString &name : names) {
        QString base;
        for (const QChar c : name)
            base += c.isLetterOrNumber() || c == QLatin1Char('-') || c == QLatin1Char('.') ? c : QLatin1Char('_');
        // No hidden files and no "." or "..".
        if (base.isEmpty() || base.startsWith(QLatin1Char('.')))
            base.prepend(QStringLiteral("plot"));
        QString fileName = base + QLatin1Char('.') + suffix;
        for (int copy = 2; fileNames.contains(fileName, Qt::CaseInsensitive); ++copy)
            fileName = QStringLiteral("%1-%2.%3").arg(base).arg(copy).arg(suffix);
        fileNames.append(fileName);
    }
    return fileNames;
}

namespace {

QByteArray document(const stats::AnalysisResult &result, const ReportRequest &request,
                    const QVector<stats::PlotModel> &plots, const PlotRenderer &renderer)
{
    switch (request.format) {
    case Format::Csv:
        return stats::fieldsCsv(result.fields());
    case Format::Json:
        return stats::fieldsJson(result.fields());
    case Format::Html:
        break;
    }
    QStringList images;
    for (const stats::PlotModel &plot : plots)
        images.append(stats::pngDataUri(renderer(plot, stats::PlotFormat::Png)));
    return result.document(images).toUtf8();
}

} // namespace

Outcome buildReport(const ReportRequest &request, const PlotRenderer &renderer,
                    const stats::ProgressCallback &progress)
{
    Outcome outcome;
    stats::AnalysisInput input;
    if (!readInput(request, &input, &outcome.error)) {
        outcome.exitCode = ExitUsage;
        return outcome;
    }
    input.progress = progress;
    input.plots = renderer && (request.format == Format::Html || !request.plotDirectory.isEmpty());
    stats::Problem problem;
    const std::unique_ptr<stats::AnalysisResult> result =
        stats::runAnalysis(*request.analysis, input, stats::OptionNames::CommandLine, &problem);
    if (!result) {
        outcome.exitCode = ExitStatistics;
        outcome.error = problem.message;
        return outcome;
    }

    const QVector<stats::PlotModel> plots = renderer ? result->plots() : QVector<stats::PlotModel>();
    outcome.document = document(*result, request, plots, renderer);
    if (!request.plotDirectory.isEmpty()) {
        QStringList names;
        for (const stats::PlotModel &plot : plots)
            names.append(plot.name);
        const QStringList fileNames = plotFileNames(names, stats::plotFormatSuffix(request.plotFormat));
        for (int i = 0; i < plots.size(); ++i)
            outcome.plots.append({fileNames.at(i), renderer(plots.at(i), request.plotFormat)});
    }
    return outcome;
}

} // namespace batch
