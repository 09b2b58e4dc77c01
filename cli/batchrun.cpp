#include "batchrun.h"

#include "batchtext.h"
#include "blandaltmanreport.h"
#include "csvtable.h"
#include "numberreader.h"
#include "regressionreport.h"
#include "vectortoolkit.h"
#include "writers.h"

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
        else if (name.endsWith(QLatin1Char('\r')) && withoutFinalCarriageReturn(name) == wanted)
            lineEnd.append(column);
    }
    return exact.isEmpty() ? lineEnd : exact;
}

QString unknownColumn(const QString &wanted, const QStringList &names)
{
    QStringList available;
    for (const QString &name : names)
        available.append(quoted(withoutFinalCarriageReturn(name)));
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
                   ColumnChoice *choice, QString *error)
{
    choice->gold = uniqueColumn(names, gold, error);
    if (choice->gold < 0)
        return false;
    choice->others.clear();
    if (others.isEmpty()) {
        for (int column = 0; column < names.size(); ++column) {
            if (column != choice->gold)
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

bool readChosenColumns(const ReportRequest &request, ChosenColumns *columns, QString *error)
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
        if (!chooseColumns(names, request.gold, request.others, &choice, error))
            return false;
        numbers = reader.columns(QVector<int>{choice.gold} + choice.others);
    }

    // The file's bytes are gone before the cells are made.
    columns->gold = cellsOf(std::move(numbers[0]));
    columns->goldName = withoutFinalCarriageReturn(names.at(choice.gold));
    for (int i = 0; i < choice.others.size(); ++i) {
        columns->others.append(cellsOf(std::move(numbers[i + 1])));
        columns->labels.append(names.at(choice.others.at(i)));
        columns->names.append(withoutFinalCarriageReturn(columns->labels.last()));
    }
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

void agreementRun(const ReportRequest &request, const ChosenColumns &columns, Report *report)
{
    const stats::AgreementOptions &options = request.options;
    report->error = stats::catchAgreementError(
        [&](int *column) {
            if (request.format == Format::Html) {
                report->document = stats::agreementDocument(columns.others, columns.gold,
                                                            columns.labels, options, column)
                                       .toUtf8();
                return;
            }
            QVector<stats::AgreementFigures> figures;
            for (*column = 0; *column < columns.others.size(); ++*column)
                figures.append(
                    stats::agreementFigures(columns.others.at(*column), columns.gold, options));
            report->document = request.format == Format::Csv
                                   ? figuresCsv(columns.names, figures, options)
                                   : figuresJson(columns.names, figures, options);
        },
        columns.others, columns.gold, columns.names, options);
}

QString pngDataUri(const QByteArray &png)
{
    return QStringLiteral("data:image/png;base64,") + QString::fromLatin1(png.toBase64());
}

void blandAltmanRun(const ReportRequest &request, const ChosenColumns &columns,
                    const PlotRenderer &renderer, Report *report)
{
    const stats::BlandAltmanOptions &options = request.blandAltman;
    QVector<stats::BlandAltmanFigures> figures;
    for (int i = 0; i < columns.others.size(); ++i) {
        figures.append(stats::blandAltmanFigures(columns.others.at(i), columns.gold, options,
                                                 columns.names.at(i), &report->error));
        if (!report->error.isEmpty())
            return;
    }

    const bool plotting = bool(renderer.blandAltman);
    if (plotting && !request.plotDirectory.isEmpty()) {
        const QStringList fileNames =
            plotFileNames(columns.names, plotFormatSuffix(request.plotFormat));
        for (int i = 0; i < figures.size(); ++i)
            report->plots.append({fileNames.at(i),
                                  renderer.blandAltman(figures.at(i), options, columns.goldName,
                                                       columns.names.at(i), request.plotFormat)});
    }
    switch (request.format) {
    case Format::Html: {
        QStringList images;
        for (int i = 0; plotting && i < figures.size(); ++i)
            images.append(pngDataUri(renderer.blandAltman(figures.at(i), options, columns.goldName,
                                                          columns.names.at(i), PlotFormat::Png)));
        report->document = stats::blandAltmanDocument(columns.goldName, columns.names, figures,
                                                      options, images)
                               .toUtf8();
        break;
    }
    case Format::Csv:
        report->document = blandAltmanCsv(columns.names, figures);
        break;
    case Format::Json:
        report->document = blandAltmanJson(columns.goldName, columns.names, figures, options);
        break;
    }
}

void regressionRun(const ReportRequest &request, const ChosenColumns &columns,
                   const PlotRenderer &renderer, Report *report)
{
    const stats::RegressionOptions &options = request.regression;
    QVector<stats::RegressionFigures> figures;
    for (int i = 0; i < columns.others.size(); ++i) {
        figures.append(stats::regressionFigures(columns.others.at(i), columns.gold, options,
                                                columns.names.at(i), &report->error));
        if (!report->error.isEmpty())
            return;
    }

    const bool plotting = bool(renderer.regression);
    const bool plotFiles = plotting && !request.plotDirectory.isEmpty();
    const QStringList fileNames = plotFileNames(columns.names, plotFormatSuffix(request.plotFormat));
    QStringList images;
    for (int i = 0; plotting && i < figures.size(); ++i) {
        QVector<QVariant> reference = columns.gold;
        QVector<QVariant> compared = columns.others.at(i);
        stats::dropIncompletePairs(reference, compared);
        const QVector<double> x = stats::toNumbers(reference);
        const QVector<double> y = stats::toNumbers(compared);
        const auto render = [&](PlotFormat format) {
            return renderer.regression(x, y, figures.at(i), columns.goldName, columns.names.at(i), format);
        };
        if (plotFiles)
            report->plots.append({fileNames.at(i), render(request.plotFormat)});
        if (request.format == Format::Html)
            images.append(pngDataUri(render(PlotFormat::Png)));
    }
    switch (request.format) {
    case Format::Html:
        report->document = stats::regressionDocument(columns.goldName, columns.names, figures,
                                                     options, images)
                               .toUtf8();
        break;
    case Format::Csv:
        report->document = regressionCsv(columns.names, figures, options);
        break;
    case Format::Json:
        report->document = regressionJson(columns.goldName, columns.names, figures, options);
        break;
    }
}

} // namespace

Report buildReport(const ReportRequest &request, const PlotRenderer &renderer)
{
    Report report;
    ChosenColumns columns;
    if (!readChosenColumns(request, &columns, &report.error)) {
        report.exitCode = ExitUsage;
        return report;
    }
    switch (request.analysis) {
    case Analysis::BlandAltman:
        blandAltmanRun(request, columns, renderer, &report);
        break;
    case Analysis::Regression:
        regressionRun(request, columns, renderer, &report);
        break;
    case Analysis::Agreement:
        agreementRun(request, columns, &report);
        break;
    }
    if (!report.error.isEmpty()) {
        report.exitCode = ExitStatistics;
        report.document.clear();
        report.plots.clear();
    }
    return report;
}

} // namespace batch
