#include "batchreport.h"

#include "cellvalues.h"
#include "csvtable.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QIODevice>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>
#include <QPair>
#include <QSaveFile>

#include <cmath>
#include <exception>

namespace batch {

namespace {

// The translation context of the tool's messages.
class BatchReport
{
    Q_DECLARE_TR_FUNCTIONS(BatchReport)
};

const char programName[] = "concorda-report";

struct Choice
{
    const char *name;
    int value;
};

const Choice delimiterChoices[] = {{"comma", ','}, {"semicolon", ';'}, {"space", ' '}, {"tab", '\t'}};
const Choice formatChoices[] = {{"html", int(Format::Html)},
                                {"csv", int(Format::Csv)},
                                {"json", int(Format::Json)}};

template <std::size_t Count>
bool lookUp(const Choice (&choices)[Count], const QString &name, int *value)
{
    for (const Choice &choice : choices) {
        if (name == QLatin1String(choice.name)) {
            *value = choice.value;
            return true;
        }
    }
    return false;
}

// Numbers on the command line are written the same way whatever the user's locale is. A
// group separator is refused, or "1,000" would read as a thousand.
bool readNumber(const QString &text, double *value)
{
    QLocale c = QLocale::c();
    c.setNumberOptions(QLocale::RejectGroupSeparator);
    bool ok = false;
    *value = c.toDouble(text, &ok);
    return ok;
}

QString quoted(const QString &name)
{
    return QLatin1Char('"') + name + QLatin1Char('"');
}

// The tool promises one line per error on standard error.
QString oneLine(QString text)
{
    text.replace(QLatin1String("\r\n"), QLatin1String(" "));
    text.replace(QLatin1Char('\n'), QLatin1Char(' '));
    text.replace(QLatin1Char('\r'), QLatin1Char(' '));
    return text.trimmed();
}

QString withoutFinalCarriageReturn(const QString &name)
{
    return name.endsWith(QLatin1Char('\r')) ? name.chopped(1) : name;
}

int columnIndex(const QStringList &names, const QString &wanted)
{
    const int exact = names.indexOf(wanted);
    if (exact >= 0)
        return exact;
    for (int column = 0; column < names.size(); ++column) {
        if (names.at(column).endsWith(QLatin1Char('\r'))
            && withoutFinalCarriageReturn(names.at(column)) == wanted)
            return column;
    }
    return -1;
}

QString unknownColumn(const QString &wanted, const QStringList &names)
{
    QStringList available;
    for (const QString &name : names)
        available.append(quoted(withoutFinalCarriageReturn(name)));
    return BatchReport::tr("there is no column %1; the columns are %2")
        .arg(quoted(wanted), available.join(QLatin1String(", ")));
}

// The delimiter and format values, then the numbers, then what the statistics can take.
bool readOptionValues(const QCommandLineParser &parser, ReportRequest *request, QString *error)
{
    int choice = 0;
    const QString delimiter = parser.value(QStringLiteral("delimiter"));
    if (!lookUp(delimiterChoices, delimiter, &choice)) {
        *error = BatchReport::tr("--delimiter must be comma, semicolon, space or tab, not %1")
                     .arg(quoted(delimiter));
        return false;
    }
    request->delimiter = QLatin1Char(char(choice));

    const QString format = parser.value(QStringLiteral("format"));
    if (!lookUp(formatChoices, format, &choice)) {
        *error = BatchReport::tr("--format must be html, csv or json, not %1").arg(quoted(format));
        return false;
    }
    request->format = Format(choice);

    const struct
    {
        const char *option;
        double *value;
    } numbers[] = {{"tdi-allowance", &request->options.tdiAllowance},
                   {"cp-allowance", &request->options.cpAllowance},
                   {"alpha", &request->options.alpha}};
    for (const auto &number : numbers) {
        const QString text = parser.value(QLatin1String(number.option));
        if (!readNumber(text, number.value)) {
            *error = BatchReport::tr("--%1 must be a number written with a decimal point, not %2")
                         .arg(QLatin1String(number.option), quoted(text));
            return false;
        }
    }
    request->options.proportional = parser.isSet(QStringLiteral("proportional"));
    request->options.random = parser.isSet(QStringLiteral("random"));
    request->options.sample = true;
    *error = optionsError(request->options);
    return error->isEmpty();
}

void addOptions(QCommandLineParser *parser)
{
    parser->setApplicationDescription(BatchReport::tr(
        "Writes the agreement report of every compared column of a CSV file with the Gold "
        "Standard column: accuracy, precision, CCC, TDI, CP and RBS with one-sided "
        "confidence limits, and the number of complete pairs.\n"
        "Exit codes: 0 done, 2 usage or input error, 3 statistics error, 4 output not "
        "written."));
    parser->addOptions({
        {QStringLiteral("delimiter"), BatchReport::tr("The field delimiter of the file."),
         QStringLiteral("comma|semicolon|space|tab"), QStringLiteral("comma")},
        {QStringLiteral("gold"), BatchReport::tr("The Gold Standard column (required)."),
         QStringLiteral("NAME")},
        {QStringLiteral("other"),
         BatchReport::tr("The compared columns, separated by commas (default: every column "
                         "but the Gold Standard, in file order)."),
         QStringLiteral("NAME[,NAME...]")},
        {QStringLiteral("tdi-allowance"),
         BatchReport::tr("The bound for which CP is computed (a percentage with "
                         "--proportional)."),
         QStringLiteral("X"), QStringLiteral("10")},
        {QStringLiteral("cp-allowance"),
         BatchReport::tr("The proportion for which TDI is computed."), QStringLiteral("P"),
         QStringLiteral("0.9")},
        {QStringLiteral("alpha"),
         BatchReport::tr("The significance level of the one-sided limits."), QStringLiteral("A"),
         QStringLiteral("0.05")},
        {QStringLiteral("proportional"), BatchReport::tr("Compare on the logarithmic scale.")},
        {QStringLiteral("random"),
         BatchReport::tr("Random-mode confidence limits (fixed-mode without it).")},
        {QStringLiteral("format"), BatchReport::tr("The report format."),
         QStringLiteral("html|csv|json"), QStringLiteral("html")},
        {QStringLiteral("output"),
         BatchReport::tr("Write the report to FILE, only when it is complete (default: "
                         "standard output)."),
         QStringLiteral("FILE")},
    });
    parser->addPositionalArgument(QStringLiteral("FILE.csv"),
                                  BatchReport::tr("The data: the first line names the columns."));
}

QString numberText(double value)
{
    if (std::isnan(value))
        return QStringLiteral("NaN");
    if (std::isinf(value))
        return value > 0 ? QStringLiteral("Inf") : QStringLiteral("-Inf");
    // The shortest text that reads back as the same double.
    return QString::number(value, 'g', QLocale::FloatingPointShortest);
}

QString booleanText(bool value)
{
    return value ? QStringLiteral("true") : QStringLiteral("false");
}

QString csvField(const QString &text)
{
    if (!text.contains(QLatin1Char(',')) && !text.contains(QLatin1Char('"'))
        && !text.contains(QLatin1Char('\n')) && !text.contains(QLatin1Char('\r')))
        return text;
    QString escaped = text;
    escaped.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return quoted(escaped);
}

QJsonValue jsonNumber(double value)
{
    return std::isfinite(value) ? QJsonValue(value) : QJsonValue(QJsonValue::Null);
}

// Estimates and their limits in the order of the report's columns; the names are the
// CSV header and the JSON keys.
QVector<QPair<QString, double>> namedFigures(const stats::AgreementFigures &f)
{
    return {{QStringLiteral("accuracy"), f.accuracy},
            {QStringLiteral("accuracy_lower"), f.accuracyLimit},
            {QStringLiteral("precision"), f.precision},
            {QStringLiteral("precision_lower"), f.precisionLimit},
            {QStringLiteral("ccc"), f.ccc},
            {QStringLiteral("ccc_lower"), f.cccLimit},
            {QStringLiteral("tdi"), f.tdi},
            {QStringLiteral("tdi_upper"), f.tdiLimit},
            {QStringLiteral("cp"), f.cp},
            {QStringLiteral("cp_lower"), f.cpLimit},
            {QStringLiteral("rbs"), f.rbs}};
}

bool writeAll(QIODevice *device, const QByteArray &bytes)
{
    return device->write(bytes) == bytes.size();
}

bool writeDocument(const QByteArray &document, const QString &outputFile,
                   QIODevice *standardOutput, QString *error)
{
    if (outputFile.isEmpty()) {
        if (writeAll(standardOutput, document))
            return true;
        *error = BatchReport::tr("the report could not be written to standard output: %1")
                     .arg(standardOutput->errorString());
        return false;
    }
    // Written beside the target and renamed over it on commit, so that no half-written
    // report is ever left under that name.
    QSaveFile file(outputFile);
    if (file.open(QIODevice::WriteOnly) && writeAll(&file, document) && file.commit())
        return true;
    *error = BatchReport::tr("the report could not be written to %1: %2")
                 .arg(QDir::toNativeSeparators(outputFile), file.errorString());
    return false;
}

void reportError(QIODevice *standardError, const QString &message)
{
    standardError->write(QStringLiteral("%1: %2\n")
                             .arg(QLatin1String(programName), oneLine(message))
                             .toLocal8Bit());
}

} // namespace

QString optionsError(const stats::AgreementOptions &options)
{
    // Written so that NaN fails every check.
    if (!(options.alpha > 0 && options.alpha < 1))
        return BatchReport::tr("--alpha must lie strictly between 0 and 1, not %1")
            .arg(options.alpha);
    if (!(options.cpAllowance > -1 && options.cpAllowance < 1))
        return BatchReport::tr("--cp-allowance must lie strictly between -1 and 1, not %1")
            .arg(options.cpAllowance);
    if (!std::isfinite(options.tdiAllowance))
        return BatchReport::tr("--tdi-allowance must be a finite number, not %1")
            .arg(options.tdiAllowance);
    if (options.proportional && !(options.tdiAllowance > -100))
        return BatchReport::tr("--tdi-allowance is a percentage under --proportional and must be "
                               "greater than -100, not %1")
            .arg(options.tdiAllowance);
    return QString();
}

CommandLine parseCommandLine(const QStringList &arguments)
{
    QCommandLineParser parser;
    const QCommandLineOption helpOption = parser.addHelpOption();
    const QCommandLineOption versionOption = parser.addVersionOption();
    addOptions(&parser);

    CommandLine line;
    if (!parser.parse(arguments)) {
        line.text = parser.errorText();
        return line;
    }
    if (parser.isSet(helpOption)) {
        line.action = CommandLine::ShowHelp;
        line.text = parser.helpText();
        return line;
    }
    if (parser.isSet(versionOption)) {
        line.action = CommandLine::ShowVersion;
        line.text = QStringLiteral("%1 %2\n").arg(QLatin1String(programName),
                                                  QStringLiteral(CONCORDA_VERSION));
        return line;
    }

    const QStringList files = parser.positionalArguments();
    if (files.size() != 1) {
        line.text = files.isEmpty()
                        ? BatchReport::tr("no CSV file given (see --help)")
                        : BatchReport::tr("one CSV file expected, %1 given").arg(files.size());
        return line;
    }
    if (!parser.isSet(QStringLiteral("gold"))) {
        line.text = BatchReport::tr("--gold NAME is required: the Gold Standard column");
        return line;
    }
    if (parser.isSet(QStringLiteral("output")) && parser.value(QStringLiteral("output")).isEmpty()) {
        line.text = BatchReport::tr("--output needs a file name");
        return line;
    }

    ReportRequest &request = line.request;
    request.fileName = files.first();
    request.gold = parser.value(QStringLiteral("gold"));
    request.others = parser.values(QStringLiteral("other"));
    request.outputFile = parser.value(QStringLiteral("output"));
    if (!readOptionValues(parser, &request, &line.text))
        return line;
    line.action = CommandLine::Run;
    return line;
}

bool chooseColumns(const QStringList &names, const QString &gold, const QStringList &others,
                   ColumnChoice *choice, QString *error)
{
    choice->gold = columnIndex(names, gold);
    if (choice->gold < 0) {
        *error = unknownColumn(gold, names);
        return false;
    }
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
        const QStringList wanted = columnIndex(names, value) >= 0
                                       ? QStringList(value)
                                       : value.split(QLatin1Char(','));
        for (const QString &name : wanted) {
            const int column = columnIndex(names, name);
            if (column < 0) {
                *error = unknownColumn(name, names);
                return false;
            }
            choice->others.append(column);
        }
    }
    return true;
}

bool readTable(const QString &fileName, QChar delimiter, CsvTable *table, QString *error)
{
    QByteArray bytes;
    QString reason;
    if (!csv::readFile(fileName, &bytes, &reason)) {
        *error = BatchReport::tr("%1 could not be read: %2")
                     .arg(QDir::toNativeSeparators(fileName), reason);
        return false;
    }
    *table = csv::parseTable(csv::decodeText(bytes), delimiter);
    return true;
}

QVector<QVariant> tableColumnValues(const CsvTable &table, int column)
{
    int rows = table.rows.size();
    if (rows > 0 && isSpareRow(table.rows.last()))
        --rows;
    QStringList texts;
    texts.reserve(rows);
    // A short row has no field for the column: its cell is empty, as in the data view.
    for (int row = 0; row < rows; ++row)
        texts.append(table.rows.at(row).value(column));
    return columnValues(texts);
}

QByteArray figuresCsv(const QStringList &names, const QVector<stats::AgreementFigures> &figures,
                      const stats::AgreementOptions &options)
{
    const QStringList optionFields = {numberText(options.tdiAllowance),
                                      numberText(options.cpAllowance),
                                      numberText(options.alpha), booleanText(options.proportional),
                                      booleanText(options.random)};
    QStringList header = {QStringLiteral("name"), QStringLiteral("n")};
    for (const auto &figure : namedFigures(stats::AgreementFigures()))
        header.append(figure.first);
    header << QStringLiteral("tdi_allowance") << QStringLiteral("cp_allowance")
           << QStringLiteral("alpha") << QStringLiteral("proportional") << QStringLiteral("random");

    QString text = header.join(QLatin1Char(',')) + QLatin1Char('\n');
    for (int i = 0; i < figures.size(); ++i) {
        QStringList fields = {csvField(names.value(i)), QString::number(figures.at(i).n)};
        for (const auto &figure : namedFigures(figures.at(i)))
            fields.append(numberText(figure.second));
        fields.append(optionFields);
        text += fields.join(QLatin1Char(',')) + QLatin1Char('\n');
    }
    return text.toUtf8();
}

QByteArray figuresJson(const QStringList &names, const QVector<stats::AgreementFigures> &figures,
                       const stats::AgreementOptions &options)
{
    const QJsonObject optionObject{{QStringLiteral("tdi_allowance"), options.tdiAllowance},
                                   {QStringLiteral("cp_allowance"), options.cpAllowance},
                                   {QStringLiteral("alpha"), options.alpha},
                                   {QStringLiteral("proportional"), options.proportional},
                                   {QStringLiteral("random"), options.random}};
    QJsonArray results;
    for (int i = 0; i < figures.size(); ++i) {
        QJsonObject result{{QStringLiteral("name"), names.value(i)},
                           {QStringLiteral("n"), figures.at(i).n}};
        for (const auto &figure : namedFigures(figures.at(i)))
            result.insert(figure.first, jsonNumber(figure.second));
        results.append(result);
    }
    const QJsonObject document{{QStringLiteral("options"), optionObject},
                               {QStringLiteral("results"), results}};
    return QJsonDocument(document).toJson(QJsonDocument::Indented);
}

Report buildReport(const ReportRequest &request)
{
    Report report;
    CsvTable table;
    ColumnChoice choice;
    if (!readTable(request.fileName, request.delimiter, &table, &report.error)
        || !chooseColumns(table.names, request.gold, request.others, &choice, &report.error)) {
        report.exitCode = ExitUsage;
        return report;
    }

    const QVector<QVariant> gold = tableColumnValues(table, choice.gold);
    QVector<QVector<QVariant>> others;
    // The HTML row labels are the desktop program's, carriage return and all; records and
    // messages carry the names without the line end's leftover.
    QStringList labels;
    QStringList names;
    for (int column : choice.others) {
        others.append(tableColumnValues(table, column));
        labels.append(table.names.at(column));
        names.append(withoutFinalCarriageReturn(labels.last()));
    }

    const stats::AgreementOptions &o = request.options;
    int failedColumn = -1;
    try {
        if (request.format == Format::Html) {
            report.document = stats::agreementReport(others, gold, labels, o.tdiAllowance,
                                                     o.cpAllowance, o.alpha, o.proportional,
                                                     o.random, o.sample, &failedColumn)
                                  .toUtf8();
            return report;
        }
        QVector<stats::AgreementFigures> figures;
        for (failedColumn = 0; failedColumn < others.size(); ++failedColumn)
            figures.append(stats::agreementFigures(others.at(failedColumn), gold, o));
        report.document = request.format == Format::Csv ? figuresCsv(names, figures, o)
                                                        : figuresJson(names, figures, o);
    } catch (const std::exception &error) {
        const int column = qBound(0, failedColumn, others.size() - 1);
        report.exitCode = ExitStatistics;
        report.error = stats::agreementErrorMessage(error, names.value(column),
                                                    others.value(column), gold, o);
        report.document.clear();
    }
    return report;
}

int runReport(const QStringList &arguments, QIODevice *standardOutput, QIODevice *standardError)
{
    const CommandLine line = parseCommandLine(arguments);
    if (line.action == CommandLine::Fail) {
        reportError(standardError, line.text);
        return ExitUsage;
    }
    if (line.action != CommandLine::Run)
        return writeAll(standardOutput, line.text.toLocal8Bit()) ? ExitSuccess : ExitOutput;

    const Report report = buildReport(line.request);
    if (report.exitCode != ExitSuccess) {
        reportError(standardError, report.error);
        return report.exitCode;
    }
    QString error;
    if (!writeDocument(report.document, line.request.outputFile, standardOutput, &error)) {
        reportError(standardError, error);
        return ExitOutput;
    }
    return ExitSuccess;
}

} // namespace batch
