#include "agreementreport.h"
#include "batchreport.h"
#include "blandaltman.h"
#include "csvtable.h"
#include "desktopcolumns.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QtTest>

#include <cmath>
#include <limits>

using batch::Format;

Q_DECLARE_METATYPE(stats::OptionValues)

Q_DECLARE_METATYPE(QVector<int>)

namespace {

const double notANumber = std::numeric_limits<double>::quiet_NaN();
const double infinity = std::numeric_limits<double>::infinity();

const QString glucoseFile = QStringLiteral(CONCORDA_SOURCE_DIR "/examples/glucose_meters.csv");
const QString crlfFile = QStringLiteral(CONCORDA_SOURCE_DIR "/tests/cli/crlf_line_ends.csv");

// Figures are written unrounded, so they must read back as the very same doubles.
bool sameDouble(double actual, double expected)
{
    return actual == expected || (std::isnan(actual) && std::isnan(expected));
}

#define COMPARE_EXACTLY(actual, expected, what)                                                    \
    QVERIFY2(sameDouble((actual), (expected)),                                                     \
             qPrintable(QStringLiteral("%1: %2, engine %3")                                        \
                            .arg(what)                                                             \
                            .arg(actual, 0, 'g', 17)                                               \
                            .arg(expected, 0, 'g', 17)))

const stats::Analysis &agreement()
{
    return *stats::findAnalysis(QLatin1String(stats::agreementId));
}

stats::OptionValues options(bool proportional, bool random, double tdiAllowance = 10)
{
    stats::OptionValues o = stats::defaultOptionValues(agreement().options());
    o.set(QStringLiteral("proportional"), proportional);
    o.set(QStringLiteral("random"), random);
    o.set(QStringLiteral("tdi-allowance"), tdiAllowance);
    return o;
}

stats::AgreementOptions engineOptions(const stats::OptionValues &values)
{
    stats::AgreementOptions o;
    o.tdiAllowance = values.number(QStringLiteral("tdi-allowance"));
    o.cpAllowance = values.number(QStringLiteral("cp-allowance"));
    o.alpha = values.number(QStringLiteral("alpha"));
    o.proportional = values.flag(QStringLiteral("proportional"));
    o.random = values.flag(QStringLiteral("random"));
    return o;
}

// Cell values in a form QCOMPARE can show: the number, or "missing".
QStringList asTexts(const QVector<QVariant> &values)
{
    QStringList texts;
    for (const QVariant &value : values)
        texts.append(value.isValid() ? QString::number(value.toDouble(), 'g', 17)
                                     : QStringLiteral("missing"));
    return texts;
}

} // namespace

class tst_BatchReport : public QObject
{
    Q_OBJECT

private slots:
    void parseAccepts_data();
    void parseAccepts();
    void parseRefuses_data();
    void parseRefuses();
    void optionsError_data();
    void optionsError();
    void chooseColumns_data();
    void chooseColumns();
    void columnValuesAsDataView_data();
    void columnValuesAsDataView();
    void figuresMatchEngine_data();
    void figuresMatchEngine();
    void writersKeepEveryValue();
    void blandAltmanCommandLine();
    void plotFileNames_data();
    void plotFileNames();
};

void tst_BatchReport::parseAccepts_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("delimiter");
    QTest::addColumn<QStringList>("others");
    QTest::addColumn<double>("tdiAllowance");
    QTest::addColumn<double>("cpAllowance");
    QTest::addColumn<double>("alpha");
    QTest::addColumn<bool>("proportional");
    QTest::addColumn<bool>("random");
    QTest::addColumn<int>("format");
    QTest::addColumn<QString>("output");

    QTest::newRow("defaults") << QStringList{"--gold", "Ref", "data.csv"} << "," << QStringList()
                              << 10.0 << 0.9 << 0.05 << false << false << int(Format::Html)
                              << QString();
    QTest::newRow("every option")
        << QStringList{"--delimiter", "tab", "--gold", "Ref", "--other", "A,B", "--other", "C",
                       "--tdi-allowance", "-2.5e1", "--cp-allowance", "0.95", "--alpha", "0.1",
                       "--proportional", "--random", "--format", "json", "--output", "r.json",
                       "data.csv"}
        << "\t" << QStringList{"A,B", "C"} << -25.0 << 0.95 << 0.1 << true << true
        << int(Format::Json) << "r.json";
}

void tst_BatchReport::parseAccepts()
{
    QFETCH(QStringList, arguments);
    arguments.prepend(QStringLiteral("concorda-report"));
    const batch::CommandLine line = batch::parseCommandLine(arguments);
    QVERIFY2(line.action == batch::CommandLine::Run, qPrintable(line.text));

    const batch::ReportRequest &request = line.request;
    QCOMPARE(request.fileName, QStringLiteral("data.csv"));
    QCOMPARE(request.gold, QStringLiteral("Ref"));
    QFETCH(QString, delimiter);
    QCOMPARE(QString(request.delimiter), delimiter);
    QTEST(request.others, "others");
    QCOMPARE(request.analysis, &agreement());
    QTEST(request.options.number("tdi-allowance"), "tdiAllowance");
    QTEST(request.options.number("cp-allowance"), "cpAllowance");
    QTEST(request.options.number("alpha"), "alpha");
    QTEST(request.options.flag("proportional"), "proportional");
    QTEST(request.options.flag("random"), "random");
    QTEST(int(request.format), "format");
    QTEST(request.outputFile, "output");
}

void tst_BatchReport::parseRefuses_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("message");

    QTest::newRow("no file") << QStringList{"--gold", "Ref"} << "no CSV file given";
    QTest::newRow("two files") << QStringList{"--gold", "Ref", "a.csv", "b.csv"}
                               << "one CSV file expected, 2 given";
    QTest::newRow("option without value") << QStringList{"data.csv", "--gold"}
                                          << "Missing value after '--gold'";
    QTest::newRow("delimiter") << QStringList{"--gold", "Ref", "--delimiter", ";", "data.csv"}
                               << "--delimiter must be comma, semicolon, space or tab, not \";\"";
    QTest::newRow("decimal comma")
        << QStringList{"--gold", "Ref", "--cp-allowance", "0,9", "data.csv"}
        << "--cp-allowance must be a number written with a decimal point, not \"0,9\"";
    QTest::newRow("group separator")
        << QStringList{"--gold", "Ref", "--tdi-allowance", "1,000", "data.csv"}
        << "--tdi-allowance must be a number written with a decimal point, not \"1,000\"";
    QTest::newRow("empty output") << QStringList{"--gold", "Ref", "--output", "", "data.csv"}
                                  << "--output needs a file name";
    QTest::newRow("subject for the agreement")
        << QStringList{"--gold", "Ref", "--subject", "Id", "data.csv"}
        << "--subject does not apply to --analysis agreement";
    QTest::newRow("design of replicates without them")
        << QStringList{"--analysis", "bland-altman", "--gold", "Ref", "--replicates", "linked", "data.csv"}
        << "--replicates applies only with --subject";
    QTest::newRow("interval of single readings with replicates")
        << QStringList{"--analysis", "bland-altman", "--gold", "Ref", "--subject", "Id", "--loa-ci",
                       "approximate", "data.csv"}
        << "--loa-ci does not apply with --subject";
    QTest::newRow("error ratio from replicates without them")
        << QStringList{"--analysis", "regression", "--method", "deming", "--error-ratio",
                       "replicates", "--gold", "Ref", "data.csv"}
        << "--error-ratio replicates needs --subject NAME";
    QTest::newRow("error ratio neither number nor name")
        << QStringList{"--analysis", "regression", "--method", "deming", "--error-ratio", "many",
                       "--gold", "Ref", "data.csv"}
        << "--error-ratio must be a number written with a decimal point or replicates, not \"many\"";
}

void tst_BatchReport::parseRefuses()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, message);
    arguments.prepend(QStringLiteral("concorda-report"));
    const batch::CommandLine line = batch::parseCommandLine(arguments);
    QCOMPARE(line.action, batch::CommandLine::Fail);
    QVERIFY2(line.text.contains(message), qPrintable(line.text));
}

void tst_BatchReport::optionsError_data()
{
    QTest::addColumn<double>("tdiAllowance");
    QTest::addColumn<double>("cpAllowance");
    QTest::addColumn<double>("alpha");
    QTest::addColumn<bool>("proportional");
    QTest::addColumn<QString>("error");

    QTest::newRow("defaults") << 10.0 << 0.9 << 0.05 << false << QString();
    QTest::newRow("near the bounds") << -1e6 << -0.999 << 0.999 << false << QString();
    QTest::newRow("percentage above -100") << -99.9 << 0.9 << 1e-9 << true << QString();
    QTest::newRow("alpha 0") << 10.0 << 0.9 << 0.0 << false
                             << "--alpha must lie strictly between 0 and 1, not 0";
    QTest::newRow("alpha 1") << 10.0 << 0.9 << 1.0 << false
                             << "--alpha must lie strictly between 0 and 1, not 1";
    QTest::newRow("alpha nan") << 10.0 << 0.9 << notANumber << false
                               << "--alpha must lie strictly between 0 and 1, not nan";
    QTest::newRow("proportion 1") << 10.0 << 1.0 << 0.05 << false
                                  << "--cp-allowance must lie strictly between -1 and 1, not 1";
    QTest::newRow("proportion -1") << 10.0 << -1.0 << 0.05 << false
                                   << "--cp-allowance must lie strictly between -1 and 1, not -1";
    QTest::newRow("proportion nan") << 10.0 << notANumber << 0.05 << false
                                    << "--cp-allowance must lie strictly between -1 and 1, not nan";
    QTest::newRow("bound infinite") << infinity << 0.9 << 0.05 << false
                                    << "--tdi-allowance must be a finite number, not inf";
    QTest::newRow("bound nan") << notANumber << 0.9 << 0.05 << true
                               << "--tdi-allowance must be a finite number, not nan";
    QTest::newRow("bound whose square overflows") << 1e200 << 0.9 << 0.05 << false
                                                  << "--tdi-allowance is too large to compute with, not 1e+200";
    QTest::newRow("same bound as a percentage") << 1e200 << 0.9 << 0.05 << true << QString();
    QTest::newRow("two faults: the proportion is named first") << 10.0 << 2.0 << 0.0 << false
        << "--cp-allowance must lie strictly between -1 and 1, not 2";
    QTest::newRow("percentage -100") << -100.0 << 0.9 << 0.05 << true
                                     << "--tdi-allowance is a percentage under --proportional "
                                        "and must be greater than -100, not -100";
}

// The declarations' checks and the agreement's own check across its options give the
// messages of the engine's one check of them.
void tst_BatchReport::optionsError()
{
    QFETCH(double, tdiAllowance);
    QFETCH(double, cpAllowance);
    QFETCH(double, alpha);
    QFETCH(bool, proportional);
    stats::OptionValues o = options(proportional, false, tdiAllowance);
    o.set(QStringLiteral("cp-allowance"), cpAllowance);
    o.set(QStringLiteral("alpha"), alpha);
    QTEST(stats::optionsProblem(agreement(), o, stats::OptionNames::CommandLine), "error");
    QTEST(stats::agreementOptionsProblem(engineOptions(o), stats::OptionNames::CommandLine), "error");
}

void tst_BatchReport::chooseColumns_data()
{
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QString>("gold");
    QTest::addColumn<QStringList>("others");
    QTest::addColumn<int>("goldColumn");
    QTest::addColumn<QVector<int>>("otherColumns");
    QTest::addColumn<QString>("error");

    const QStringList names{"Subject", "Ref", "A", "B"};
    QTest::newRow("every other column in file order")
        << names << "Ref" << QStringList() << 1 << QVector<int>{0, 2, 3} << QString();
    QTest::newRow("list order kept") << names << "Ref" << QStringList{"B,A"} << 1
                                     << QVector<int>{3, 2} << QString();
    QTest::newRow("repeated option") << names << "Ref" << QStringList{"B", "Subject"} << 1
                                     << QVector<int>{3, 0} << QString();
    QTest::newRow("name holding a comma") << QStringList{"Ref", "A,B", "A", "B"} << "Ref"
                                          << QStringList{"A,B"} << 0 << QVector<int>{1}
                                          << QString();
    QTest::newRow("compared name on two columns")
        << QStringList{"A", "Ref", "A"} << "Ref" << QStringList{"A"} << 1 << QVector<int>()
        << "2 columns are named \"A\" (columns 1, 3); give each column a name of its own";
    QTest::newRow("gold name on two columns, one with a line end's carriage return")
        << QStringList{"Ref", "A", "Ref\r"} << "Ref" << QStringList() << 0 << QVector<int>{1, 2}
        << QString();
    QTest::newRow("gold name on three columns")
        << QStringList{"Ref", "Ref", "A", "Ref"} << "Ref" << QStringList() << -1 << QVector<int>()
        << "3 columns are named \"Ref\" (columns 1, 2, 4); give each column a name of its own";
    QTest::newRow("two carriage-return names")
        << QStringList{"A\r", "Ref", "A\r"} << "Ref" << QStringList{"A"} << 1 << QVector<int>()
        << "2 columns are named \"A\" (columns 1, 3); give each column a name of its own";
    QTest::newRow("carriage return of CR LF lines") << QStringList{"Ref", "A", "B\r"} << "B"
                                                    << QStringList{"A"} << 2 << QVector<int>{1}
                                                    << QString();
    QTest::newRow("unknown gold")
        << QStringList{"Ref", "A", "B\r"} << "ref" << QStringList() << -1 << QVector<int>()
        << "there is no column \"ref\"; the columns are \"Ref\", \"A\", \"B\"";
    QTest::newRow("unknown in list") << names << "Ref" << QStringList{"A,C"} << 1 << QVector<int>()
                                     << "there is no column \"C\"; the columns are \"Subject\", "
                                        "\"Ref\", \"A\", \"B\"";
    QTest::newRow("nothing to compare") << QStringList{"Ref"} << "Ref" << QStringList() << 0
                                        << QVector<int>()
                                        << "the file has no column to compare with \"Ref\"";
}

void tst_BatchReport::chooseColumns()
{
    QFETCH(QStringList, names);
    QFETCH(QString, gold);
    QFETCH(QStringList, others);
    QFETCH(QString, error);
    batch::ColumnChoice choice;
    QString message;
    QCOMPARE(batch::chooseColumns(names, gold, others, QString(), &choice, &message), error.isEmpty());
    QCOMPARE(message, error);
    QTEST(choice.gold, "goldColumn");
    if (error.isEmpty())
        QTEST(choice.others, "otherColumns");
}

// Any drift between the tool's read-out and the data view's would change the figures.
void tst_BatchReport::columnValuesAsDataView_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("delimiter");

    QTest::newRow("final line feed") << "A,B\n1,2\n3,4\n" << ",";
    QTest::newRow("no final line feed") << "A,B\n1,2\n3,4" << ",";
    QTest::newRow("last row half empty") << "A,B\n1,2\n,4" << ",";
    QTest::newRow("short and long rows") << "A,B\n1\n3,4,5\n" << ",";
    QTest::newRow("empty line inside") << "A,B\n1,2\n\n3,4\n" << ",";
    QTest::newRow("decimal commas") << "A;B\n1,5;2\n3;x\n" << ";";
    QTest::newRow("CR LF line ends") << "A\tB\r\n1\t2\r\n3 \t 4\r\n" << "\t";
    QTest::newRow("names only") << "A,B" << ",";
    QTest::newRow("names and one empty row") << "A,B\n" << ",";
}

void tst_BatchReport::columnValuesAsDataView()
{
    QFETCH(QString, text);
    QFETCH(QString, delimiter);
    const QChar separator = delimiter.at(0);
    const CsvTable table = csv::parseTable(text, separator);
    const DesktopColumns desktop = desktopColumnsOfText(text, separator, table.names.first(),
                                                        table.names);
    for (int column = 0; column < table.names.size(); ++column)
        QCOMPARE(asTexts(csv::tableColumnValues(table, column)),
                 asTexts(desktop.others.at(column)));
}

void tst_BatchReport::figuresMatchEngine_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("gold");
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QStringList>("desktopNames");
    QTest::addColumn<int>("format");
    QTest::addColumn<stats::OptionValues>("options");

    // With the default TDI allowance of 10 every glucose difference lies inside it: CP is 1
    // and its limit does not exist. An allowance of 0.5 puts CP below 1.
    const QStringList meters{"MeterB", "MeterA"};
    QTest::newRow("csv, fixed, CP 1") << glucoseFile << "LabGlucose" << meters << meters
                                      << int(Format::Csv) << options(false, false);
    QTest::newRow("csv, fixed, CP below 1") << glucoseFile << "LabGlucose" << meters << meters
                                            << int(Format::Csv) << options(false, false, 0.5);
    QTest::newRow("csv, random, proportional") << glucoseFile << "LabGlucose" << meters << meters
                                               << int(Format::Csv) << options(true, true);
    QTest::newRow("json, fixed, proportional") << glucoseFile << "LabGlucose" << meters << meters
                                               << int(Format::Json) << options(true, false);
    QTest::newRow("json, fixed, CP 1") << glucoseFile << "LabGlucose" << meters << meters
                                       << int(Format::Json) << options(false, false);
    QTest::newRow("json, fixed, CP below 1") << glucoseFile << "LabGlucose" << meters << meters
                                             << int(Format::Json) << options(false, false, 0.5);
    QTest::newRow("json, random") << glucoseFile << "LabGlucose" << meters << meters
                                  << int(Format::Json) << options(false, true, 0.5);
    // The last name of a CR LF file ends with the carriage return in the data view.
    QTest::newRow("csv, CR LF line ends") << crlfFile << "Ref" << QStringList{"Dev"}
                                          << QStringList{"Dev\r"} << int(Format::Csv)
                                          << options(false, false);
    QTest::newRow("json, CR LF line ends") << crlfFile << "Ref" << QStringList{"Dev"}
                                           << QStringList{"Dev\r"} << int(Format::Json)
                                           << options(false, true);
}

void tst_BatchReport::figuresMatchEngine()
{
    QFETCH(QString, file);
    QFETCH(QString, gold);
    QFETCH(QStringList, names);
    QFETCH(QStringList, desktopNames);
    QFETCH(int, format);
    QFETCH(stats::OptionValues, options);

    batch::ReportRequest request;
    request.analysis = &agreement();
    request.fileName = file;
    request.gold = gold;
    request.others = QStringList{names.join(QLatin1Char(','))};
    request.options = options;
    request.format = Format(format);
    const batch::Outcome report = batch::buildReport(request);
    QVERIFY2(report.exitCode == batch::ExitSuccess, qPrintable(report.error));

    // Rows of field name to value, whichever the format.
    QVector<QHash<QString, QString>> records;
    QHash<QString, QJsonValue> jsonOptions;
    if (request.format == Format::Csv) {
        QStringList lines = QString::fromUtf8(report.document).split(QLatin1Char('\n'));
        QCOMPARE(lines.takeLast(), QString());
        const QStringList header = lines.takeFirst().split(QLatin1Char(','));
        for (const QString &line : lines) {
            const QStringList fields = line.split(QLatin1Char(','));
            QCOMPARE(fields.size(), header.size());
            QHash<QString, QString> record;
            for (int i = 0; i < fields.size(); ++i)
                record.insert(header.at(i), fields.at(i));
            records.append(record);
        }
    } else {
        QJsonParseError parseError;
        const QJsonObject json = QJsonDocument::fromJson(report.document, &parseError).object();
        QCOMPARE(parseError.error, QJsonParseError::NoError);
        for (const QJsonValue &result : json.value(QStringLiteral("results")).toArray()) {
            QHash<QString, QString> record;
            const QJsonObject object = result.toObject();
            // null, for a figure that does not exist, reads as the CSV's empty field.
            for (auto it = object.begin(); it != object.end(); ++it)
                record.insert(it.key(), it.value().isString() ? it.value().toString()
                                        : it.value().isNull() ? QString()
                                                              : QString::number(it.value().toDouble(), 'g', 17));
            const QJsonObject used = json.value(QStringLiteral("options")).toObject();
            for (auto it = used.begin(); it != used.end(); ++it)
                record.insert(it.key(), it.value().isBool()
                                            ? QString(it.value().toBool() ? "true" : "false")
                                            : QString::number(it.value().toDouble(), 'g', 17));
            records.append(record);
        }
    }

    const DesktopColumns desktop = desktopColumns(file, QLatin1Char(','), gold, desktopNames);
    const stats::AgreementOptions engine = engineOptions(options);
    QCOMPARE(records.size(), names.size());
    for (int i = 0; i < names.size(); ++i) {
        const QHash<QString, QString> &record = records.at(i);
        const stats::AgreementFigures expected =
            stats::agreementFigures(desktop.others.at(i), desktop.gold, engine);
        QCOMPARE(record.value("name"), names.at(i));
        QCOMPARE(record.value("n").toLongLong(), expected.n);
        const QVector<QPair<const char *, double>> figures = {
            {"accuracy", expected.accuracy},   {"accuracy_lower", expected.accuracyLimit},
            {"precision", expected.precision}, {"precision_lower", expected.precisionLimit},
            {"ccc", expected.ccc},             {"ccc_lower", expected.cccLimit},
            {"tdi", expected.tdi},             {"tdi_upper", expected.tdiLimit},
            {"cp", expected.cp},               {"rbs", expected.rbs},
            {"tdi_allowance", engine.tdiAllowance},
            {"cp_allowance", engine.cpAllowance}, {"alpha", engine.alpha}};
        for (const auto &figure : figures) {
            QVERIFY2(record.contains(figure.first), figure.first);
            COMPARE_EXACTLY(record.value(figure.first).toDouble(), figure.second, figure.first);
        }
        // The engine's -1 for a CP limit that does not exist stays out of the files.
        QVERIFY(record.contains("cp_lower"));
        if (expected.cp >= 1.0)
            QCOMPARE(record.value("cp_lower"), QString());
        else
            COMPARE_EXACTLY(record.value("cp_lower").toDouble(), expected.cpLimit, "cp_lower");
        QCOMPARE(record.value("proportional"), QString(engine.proportional ? "true" : "false"));
        QCOMPARE(record.value("random"), QString(engine.random ? "true" : "false"));
    }
}

// Names that need RFC 4180 quoting, values JSON cannot carry as numbers, figures that do
// not exist, and a list spread over columns of its own.
void tst_BatchReport::writersKeepEveryValue()
{
    stats::FieldOutput output;
    output.analysis = QStringLiteral("test");
    output.options = {{QStringLiteral("random"), true}, {QStringLiteral("cp_allowance"), 0.9}};
    output.rowSuffix = {{QStringLiteral("alpha"), 0.05}};
    const QString name = QStringLiteral("Meter \"A\", lot 2\r");
    output.results.push_back(
        {{QStringLiteral("name"), name},
         {QStringLiteral("n"), stats::FieldValue::count(3)},
         {QStringLiteral("accuracy"), 0.1},
         {QStringLiteral("precision"), notANumber},
         {QStringLiteral("rbs"), infinity},
         {QStringLiteral("cp_lower"), -infinity},
         {QStringLiteral("cusum_h"), stats::FieldValue()},
         {QStringLiteral("bias_at"),
          stats::FieldValue::list({{{QStringLiteral("level"), 6.5}, {QStringLiteral("bias"), 0.25},
                                    {QStringLiteral("lower"), stats::FieldValue()}}},
                                  QStringLiteral("level"), QStringLiteral("bias"))}});

    QCOMPARE(QString::fromUtf8(stats::fieldsCsv(output)),
             QStringLiteral("name,n,accuracy,precision,rbs,cp_lower,cusum_h,bias_at_6.5,"
                            "bias_at_6.5_lower,alpha\n"
                            "\"Meter \"\"A\"\", lot 2\r\",3,0.1,NaN,Inf,-Inf,,0.25,,0.05\n"));

    const QJsonObject json = QJsonDocument::fromJson(stats::fieldsJson(output)).object();
    QCOMPARE(json.value("analysis").toString(), QStringLiteral("test"));
    const QJsonObject result = json.value("results").toArray().at(0).toObject();
    QCOMPARE(result.value("name").toString(), name);
    QCOMPARE(result.value("n").toInt(), 3);
    QCOMPARE(result.value("accuracy").toDouble(), 0.1);
    for (const char *key : {"precision", "rbs", "cp_lower", "cusum_h"})
        QVERIFY2(result.value(key).isNull(), key);
    QVERIFY(!result.contains("alpha"));
    const QJsonObject bias = result.value("bias_at").toArray().at(0).toObject();
    QCOMPARE(bias.value("level").toDouble(), 6.5);
    QVERIFY(bias.value("lower").isNull());
    QCOMPARE(json.value("options").toObject().value("random").toBool(), true);
    QCOMPARE(json.value("options").toObject().value("cp_allowance").toDouble(), 0.9);
}

void tst_BatchReport::blandAltmanCommandLine()
{
    const batch::CommandLine line = batch::parseCommandLine(
        {"concorda-report", "--analysis=bland-altman", "--gold", "Ref", "--differences", "percentage",
         "--x-axis", "reference", "--loa-coverage", "0.9", "--alpha", "0.01", "--loa-ci",
         "approximate", "--plot-dir", "out", "--plot-format", "pdf", "data.csv"});
    QVERIFY2(line.action == batch::CommandLine::Run, qPrintable(line.text));
    const batch::ReportRequest &request = line.request;
    QCOMPARE(request.analysis->id(), QStringLiteral("bland-altman"));
    QCOMPARE(request.options.choice("differences"), int(stats::DifferenceScale::Percentage));
    QCOMPARE(request.options.choice("x-axis"), int(stats::DifferenceAxis::Reference));
    QCOMPARE(request.options.number("loa-coverage"), 0.9);
    QCOMPARE(request.options.number("alpha"), 0.01);
    QCOMPARE(request.options.choice("loa-ci"), int(stats::LimitInterval::Approximate));
    QCOMPARE(request.plotDirectory, QStringLiteral("out"));
    QCOMPARE(request.plotFormat, stats::PlotFormat::Pdf);
    QCOMPARE(stats::plotFormatSuffix(request.plotFormat), QStringLiteral("pdf"));

    const batch::CommandLine defaults =
        batch::parseCommandLine({"concorda-report", "--analysis", "bland-altman", "--gold", "Ref", "d.csv"});
    QCOMPARE(defaults.request.options.number("loa-coverage"), 0.95);
    QCOMPARE(defaults.request.options.choice("loa-ci"), int(stats::LimitInterval::Exact));
    QCOMPARE(defaults.request.plotFormat, stats::PlotFormat::Svg);
    QVERIFY(defaults.request.plotDirectory.isEmpty());
}

// A column's name becomes a file name that stays inside the plot folder and is not hidden;
// two columns never share a file, whatever their names and the file system's case rules.
void tst_BatchReport::plotFileNames_data()
{
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QStringList>("fileNames");
    QTest::newRow("plain") << QStringList{"MeterA", "Meter-B.2"} << QStringList{"MeterA.svg", "Meter-B.2.svg"};
    QTest::newRow("paths and spaces")
        << QStringList{"../etc/passwd", "a b/c", "x\\y"} << QStringList{"plot.._etc_passwd.svg", "a_b_c.svg", "x_y.svg"};
    QTest::newRow("empty and dot names") << QStringList{"", ".", ".."} << QStringList{"plot.svg", "plot..svg", "plot...svg"};
    QTest::newRow("clashes") << QStringList{"A/B", "A_B", "a_b", "A_B"}
                             << QStringList{"A_B.svg", "A_B-2.svg", "a_b-3.svg", "A_B-4.svg"};
    QTest::newRow("letters of other scripts kept") << QStringList{QStringLiteral(u"Größe µg")}
                                                   << QStringList{QStringLiteral(u"Größe_µg.svg")};
}

void tst_BatchReport::plotFileNames()
{
    QFETCH(QStringList, names);
    QTEST(batch::plotFileNames(names, QStringLiteral("svg")), "fileNames");
}

QTEST_MAIN(tst_BatchReport)
#include "tst_batchreport.moc"
