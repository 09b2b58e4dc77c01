#include "agreementreport.h"
#include "blandaltman.h"
#include "regression.h"
#include "desktopcolumns.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>

Q_DECLARE_METATYPE(stats::AgreementOptions)

// concorda-report run as a user runs it: a separate process without any display, checked
// against the desktop program's own import and report.
namespace {

const QString examples = QStringLiteral(CONCORDA_SOURCE_DIR "/examples/");
const QString constantDifference =
    QStringLiteral(CONCORDA_SOURCE_DIR "/tests/cli/constant_difference.csv");
const QByteArray previousReport = "the previous report\n";

struct Run
{
    QProcess::ExitStatus status = QProcess::CrashExit;
    int exitCode = -1;
    QByteArray standardOutput;
    QByteArray standardError;
};

Run runTool(const QStringList &arguments, const QString &standardOutputFile = QString())
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char *display : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        environment.remove(QLatin1String(display));
    process.setProcessEnvironment(environment);
    if (!standardOutputFile.isEmpty())
        process.setStandardOutputFile(standardOutputFile);
    process.start(QStringLiteral(CONCORDA_REPORT_EXE), arguments);
    Run run;
    if (!process.waitForFinished(120000))
        return run;
    run.status = process.exitStatus();
    run.exitCode = process.exitCode();
    run.standardOutput = process.readAllStandardOutput();
    run.standardError = process.readAllStandardError();
    return run;
}

stats::AgreementOptions options(double tdiAllowance, double cpAllowance, double alpha,
                                bool proportional, bool random)
{
    return {tdiAllowance, cpAllowance, alpha, proportional, random, true};
}

QByteArray fileContents(const QString &fileName)
{
    QFile file(fileName);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(no file)");
}

} // namespace

class tst_ConcordaReport : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void htmlAsDesktop_data();
    void htmlAsDesktop();
    void failures_data();
    void failures();
    void fullStandardOutput();
    void helpAndVersion_data();
    void helpAndVersion();
    void blandAltmanAsDesktop_data();
    void blandAltmanAsDesktop();
    void blandAltmanPlotFiles();
    void regressionAsDesktop_data();
    void regressionAsDesktop();

private:
    std::unique_ptr<QTemporaryDir> scratch;
};

void tst_ConcordaReport::init()
{
    scratch.reset(new QTemporaryDir);
    QVERIFY(scratch->isValid());
}

void tst_ConcordaReport::htmlAsDesktop_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("delimiter");
    QTest::addColumn<QString>("gold");
    QTest::addColumn<QStringList>("others");
    QTest::addColumn<stats::AgreementOptions>("options");
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<bool>("toFile");

    QTest::newRow("comma, every other column")
        << "glucose_meters.csv" << "," << "LabGlucose"
        << QStringList{"Subject", "MeterA", "MeterB"} << options(10, 0.9, 0.05, false, false)
        << QStringList{"--gold", "LabGlucose"} << false;
    QTest::newRow("comma, random, proportional, to a file")
        << "glucose_meters.csv" << "," << "LabGlucose" << QStringList{"MeterB", "MeterA"}
        << options(15, 0.8, 0.1, true, true)
        << QStringList{"--gold", "LabGlucose", "--other", "MeterB,MeterA", "--random",
                       "--proportional", "--tdi-allowance", "15", "--cp-allowance", "0.8",
                       "--alpha", "0.1", "--format", "html"}
        << true;
    QTest::newRow("semicolon, decimal commas")
        << "hba1c_analysers.csv" << ";" << "HPLC" << QStringList{"POC1", "POC2"}
        << options(10, 0.9, 0.05, false, false)
        << QStringList{"--delimiter", "semicolon", "--gold", "HPLC", "--other", "POC1,POC2"}
        << true;
    QTest::newRow("semicolon, random, small alpha")
        << "hba1c_analysers.csv" << ";" << "HPLC" << QStringList{"POC2"}
        << options(0.5, 0.95, 0.01, false, true)
        << QStringList{"--delimiter=semicolon", "--gold=HPLC", "--other=POC2", "--random",
                       "--tdi-allowance=0.5", "--cp-allowance=0.95", "--alpha=0.01"}
        << false;
    // The row label keeps the carriage return that CR LF lines leave on the last name.
    QTest::newRow("CR LF line ends")
        << CONCORDA_SOURCE_DIR "/tests/cli/crlf_line_ends.csv" << "," << "Ref"
        << QStringList{"Dev\r"} << options(10, 0.9, 0.05, false, false)
        << QStringList{"--gold", "Ref"} << false;
}

void tst_ConcordaReport::htmlAsDesktop()
{
    QFETCH(QString, file);
    QFETCH(QString, delimiter);
    QFETCH(QString, gold);
    QFETCH(QStringList, others);
    QFETCH(stats::AgreementOptions, options);
    QFETCH(QStringList, arguments);
    QFETCH(bool, toFile);

    const QString output = scratch->filePath(QStringLiteral("report.html"));
    if (toFile)
        arguments << QStringLiteral("--output") << output;
    const Run run = runTool(arguments << QDir(examples).filePath(file));
    QCOMPARE(run.status, QProcess::NormalExit);
    QCOMPARE(run.standardError, QByteArray());
    QCOMPARE(run.exitCode, 0);

    const DesktopColumns desktop = desktopColumns(QDir(examples).filePath(file), delimiter.at(0), gold, others);
    const QString expected = stats::agreementDocument(desktop.others, desktop.gold, others, options);
    QVERIFY(expected.contains(QStringLiteral("<td><b>%1</b></td>").arg(others.last())));
    QCOMPARE(toFile ? fileContents(output) : run.standardOutput, expected.toUtf8());
    if (toFile)
        QCOMPARE(run.standardOutput, QByteArray());
}

void tst_ConcordaReport::failures_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("message");

    const QString data = constantDifference;
    // The plain-words cause, then the library's own text on the same line.
    const QString shifted = QStringLiteral(
        "The agreement of Shifted with the Gold Standard could not be computed: the "
        "differences between Shifted and the Gold Standard have no spread, so CP cannot be "
        "computed. Error in function ");

    QTest::newRow("missing file") << QStringList{"--gold", "Ref", "/nonexistent/data.csv"} << 2
                                  << "/nonexistent/data.csv could not be read: No such file";
    QTest::newRow("directory") << QStringList{"--gold", "Ref", CONCORDA_SOURCE_DIR "/examples"}
                               << 2 << "could not be read: It is a directory, not a file.";
    QTest::newRow("unknown gold")
        << QStringList{"--gold", "Reference", data} << 2
        << "there is no column \"Reference\"; the columns are \"Ref\", \"Good\", \"Shifted\"";
    QTest::newRow("unknown compared column")
        << QStringList{"--gold", "Ref", "--other", "Good,Bad", data} << 2
        << "there is no column \"Bad\"; the columns are \"Ref\", \"Good\", \"Shifted\"";
    QTest::newRow("no gold") << QStringList{"--other", "Good", data} << 2
                             << "--gold NAME is required";
    QTest::newRow("unknown option") << QStringList{"--gold", "Ref", "--fast", data} << 2
                                    << "Unknown option 'fast'.";
    QTest::newRow("non-numeric option")
        << QStringList{"--gold", "Ref", "--alpha", "0.05x", data} << 2
        << "--alpha must be a number written with a decimal point, not \"0.05x\"";
    QTest::newRow("alpha out of range") << QStringList{"--gold", "Ref", "--alpha", "0", data} << 2
                                        << "--alpha must lie strictly between 0 and 1, not 0";
    QTest::newRow("unknown format") << QStringList{"--gold", "Ref", "--format", "xml", data} << 2
                                    << "--format must be html, csv or json, not \"xml\"";
    QTest::newRow("statistics, html") << QStringList{"--gold", "Ref", data} << 3 << shifted;
    QTest::newRow("statistics, csv, random")
        << QStringList{"--gold", "Ref", "--other", "Good,Shifted", "--format", "csv", "--random",
                       data}
        << 3 << shifted;
    QTest::newRow("statistics, json")
        << QStringList{"--gold", "Ref", "--other", "Shifted,Good", "--format", "json", data}
        << 3 << shifted;
    QTest::newRow("bland-altman, no spread")
        << QStringList{"--analysis", "bland-altman", "--gold", "Ref", data} << 3
        << "The Bland–Altman analysis of Shifted could not be computed: the differences between "
           "Shifted and the Gold Standard are the same in every pair";
    QTest::newRow("bland-altman, agreement option")
        << QStringList{"--analysis", "bland-altman", "--gold", "Ref", "--random", data} << 2
        << "--random does not apply to --analysis bland-altman";
    QTest::newRow("agreement, bland-altman option")
        << QStringList{"--gold", "Ref", "--x-axis", "reference", data} << 2
        << "--x-axis does not apply to --analysis agreement";
    QTest::newRow("agreement has no plots")
        << QStringList{"--gold", "Ref", "--plot-dir", "plots", data} << 2
        << "--analysis agreement has no plots";
    QTest::newRow("unknown analysis") << QStringList{"--analysis", "deming", "--gold", "Ref", data}
                                      << 2 << "--analysis must be agreement, replicate-agreement, bland-altman or regression, not \"deming\"";
    QTest::newRow("coverage out of range")
        << QStringList{"--analysis", "bland-altman", "--gold", "Ref", "--loa-coverage", "95", data}
        << 2 << "--loa-coverage must lie strictly between 0 and 1, not 95";
    QTest::newRow("unknown plot format")
        << QStringList{"--analysis", "bland-altman", "--gold", "Ref", "--plot-format", "gif", data}
        << 2 << "--plot-format must be svg, png or pdf, not \"gif\"";
    QTest::newRow("plot folder is a file")
        << QStringList{"--analysis", "bland-altman", "--gold", "Ref", "--other", "Good",
                       "--plot-dir", data, data}
        << 4 << "the plot folder " + data + " could not be made";
    QTest::newRow("regression, level out of range")
        << QStringList{"--analysis", "regression", "--gold", "Ref", "--other", "Good",
                       "--decision-levels", "1e400", data}
        << 2 << "--decision-levels must be numbers written with a decimal point and separated by "
                "commas, not \"1e400\"";
    QTest::newRow("regression, lambda for Passing-Bablok")
        << QStringList{"--analysis", "regression", "--gold", "Ref", "--error-ratio", "2", data} << 2
        << "--error-ratio applies to --method deming or weighted-deming, not to passing-bablok";
    QTest::newRow("regression, lambda 0")
        << QStringList{"--analysis", "regression", "--method", "deming", "--error-ratio", "0",
                       "--gold", "Ref", data}
        << 2 << "--error-ratio must lie between 0.0001 and 10000, not 0";
    QTest::newRow("regression, unknown method")
        << QStringList{"--analysis", "regression", "--method", "ols", "--gold", "Ref", data} << 2
        << "--method must be passing-bablok, deming or weighted-deming, not \"ols\"";
    QTest::newRow("bland-altman, regression option")
        << QStringList{"--analysis", "bland-altman", "--method", "deming", "--gold", "Ref", data} << 2
        << "--method does not apply to --analysis bland-altman";
    QTest::newRow("output folder missing")
        << QStringList{"--gold", "Ref", "--other", "Good", "--output",
                       "/nonexistent/folder/report.html", data}
        << 4 << "the report could not be written to /nonexistent/folder/report.html: ";
}

// Every failure is one line on standard error, and neither standard output nor the
// --output file receives anything; an older file of that name stays as it was.
void tst_ConcordaReport::failures()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QString, message);

    const QString output = scratch->filePath(QStringLiteral("report.out"));
    {
        QFile previous(output);
        QVERIFY(previous.open(QIODevice::WriteOnly));
        previous.write(previousReport);
    }
    // A later --output in a row wins over this one.
    const QStringList toFile = QStringList{"--output", output} + arguments;
    for (const QStringList &runArguments : {toFile, arguments}) {
        const Run run = runTool(runArguments);
        QCOMPARE(run.status, QProcess::NormalExit);
        QCOMPARE(run.exitCode, exitCode);
        const QString error = QString::fromLocal8Bit(run.standardError);
        QVERIFY2(error.startsWith(QStringLiteral("concorda-report: ")) && error.endsWith('\n')
                     && error.count('\n') == 1 && error.contains(message),
                 qPrintable(error));
        QCOMPARE(run.standardOutput, QByteArray());
    }
    QCOMPARE(fileContents(output), previousReport);
    QCOMPARE(QDir(scratch->path()).entryList(QDir::Files | QDir::Hidden),
             QStringList{"report.out"});
}

// A report that did not reach its reader is not a success.
void tst_ConcordaReport::fullStandardOutput()
{
    if (!QFile::exists(QStringLiteral("/dev/full")))
        QSKIP("needs /dev/full");
    const Run run = runTool({"--gold", "Ref", "--other", "Good", constantDifference},
                            QStringLiteral("/dev/full"));
    QCOMPARE(run.status, QProcess::NormalExit);
    QCOMPARE(run.exitCode, 4);
    QVERIFY2(run.standardError.startsWith(
                 "concorda-report: the report could not be written to standard output"),
             run.standardError.constData());
}

void tst_ConcordaReport::helpAndVersion_data()
{
    QTest::addColumn<QString>("option");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("help") << "--help"
                          << QStringList{"[options] FILE.csv", "--gold <NAME>",
                                         "--tdi-allowance <X>", "--format <html|csv|json>",
                                         "Exit codes: 0 done, 2 usage or input error, 3 "
                                         "statistics error, 4 output not written."};
    QTest::newRow("version") << "--version" << QStringList{"concorda-report " CONCORDA_VERSION "\n"};
}

void tst_ConcordaReport::helpAndVersion()
{
    QFETCH(QString, option);
    QFETCH(QStringList, expected);
    const Run run = runTool({option});
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.standardError, QByteArray());
    for (const QString &text : expected)
        QVERIFY2(run.standardOutput.contains(text.toUtf8()), run.standardOutput.constData());
}

// The figures in JSON, unrounded, are the very doubles the desktop program computes from
// its own import of the file.
void tst_ConcordaReport::blandAltmanAsDesktop_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("scale");
    QTest::addColumn<int>("axis");
    QTest::addColumn<int>("interval");

    QTest::newRow("defaults") << QStringList() << int(stats::DifferenceScale::Absolute)
                              << int(stats::DifferenceAxis::PairMean) << int(stats::LimitInterval::Exact);
    QTest::newRow("ratio on the reference, approximate")
        << QStringList{"--differences", "ratio", "--x-axis", "reference", "--loa-ci", "approximate",
                       "--loa-coverage", "0.9", "--alpha", "0.1"}
        << int(stats::DifferenceScale::Ratio) << int(stats::DifferenceAxis::Reference)
        << int(stats::LimitInterval::Approximate);
}

void tst_ConcordaReport::blandAltmanAsDesktop()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, scale);
    QFETCH(int, axis);
    QFETCH(int, interval);
    const QString file = examples + "glucose_meters.csv";
    const Run run = runTool(QStringList{"--analysis", "bland-altman", "--gold", "LabGlucose",
                                        "--other", "MeterA,MeterB", "--format", "json"}
                            + arguments + QStringList{file});
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.standardError, QByteArray());
    const QJsonObject json = QJsonDocument::fromJson(run.standardOutput).object();
    QCOMPARE(json.value("analysis").toString(), QStringLiteral("bland-altman"));

    stats::BlandAltmanOptions options;
    options.differences = stats::DifferenceScale(scale);
    options.axis = stats::DifferenceAxis(axis);
    options.limitInterval = stats::LimitInterval(interval);
    if (!arguments.isEmpty()) {
        options.coverage = 0.9;
        options.alpha = 0.1;
    }
    const QStringList names = {"MeterA", "MeterB"};
    const DesktopColumns desktop = desktopColumns(file, QLatin1Char(','), "LabGlucose", names);
    const QJsonArray results = json.value("results").toArray();
    QCOMPARE(results.size(), 2);
    for (int i = 0; i < 2; ++i) {
        QString problem;
        const stats::BlandAltmanFigures f = stats::blandAltmanFigures(desktop.others.at(i), desktop.gold,
                                                                      options, names.at(i), &problem);
        QVERIFY2(problem.isEmpty(), qPrintable(problem));
        const QJsonObject result = results.at(i).toObject();
        QCOMPARE(result.value("name").toString(), names.at(i));
        QCOMPARE(qint64(result.value("n").toDouble()), f.n);
        const QPair<const char *, double> figures[] = {
            {"bias", f.bias}, {"bias_lower", f.biasLower}, {"bias_upper", f.biasUpper}, {"sd", f.sd},
            {"loa_lower", f.loaLower}, {"loa_lower_ci_lower", f.loaLowerCiLower},
            {"loa_lower_ci_upper", f.loaLowerCiUpper}, {"loa_upper", f.loaUpper},
            {"loa_upper_ci_lower", f.loaUpperCiLower}, {"loa_upper_ci_upper", f.loaUpperCiUpper},
            {"slope", f.slope}, {"slope_lower", f.slopeLower}, {"slope_upper", f.slopeUpper},
            {"slope_p", f.slopeP}};
        for (const auto &figure : figures)
            QVERIFY2(result.value(QLatin1String(figure.first)).toDouble() == figure.second,
                     figure.first);
    }
}

// One plot file per compared column, named after it, holding the axis titles; the HTML
// report on standard output carries the same plots as images.
void tst_ConcordaReport::blandAltmanPlotFiles()
{
    const QString plots = scratch->filePath(QStringLiteral("new/plots"));
    const Run run = runTool({"--analysis", "bland-altman", "--gold", "LabGlucose", "--other",
                             "MeterA,MeterB", "--plot-dir", plots, examples + "glucose_meters.csv"});
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.standardError, QByteArray());
    QCOMPARE(QDir(plots).entryList(QDir::Files), QStringList({"MeterA.svg", "MeterB.svg"}));
    const QByteArray svg = fileContents(QDir(plots).filePath("MeterB.svg"));
    QVERIFY(svg.contains(QStringLiteral(">MeterB − LabGlucose</text>").toUtf8()));
    QVERIFY(svg.contains(">Mean of LabGlucose and MeterB</text>"));
    QCOMPARE(run.standardOutput.count("<img src=\"data:image/png;base64,"), 2);
}

// The regression in JSON: the desktop program's figures, decision levels and all, with null
// where the method has no such figure.
void tst_ConcordaReport::regressionAsDesktop_data()
{
    QTest::addColumn<QString>("method");
    QTest::addColumn<int>("expected");
    QTest::newRow("Passing-Bablok") << "passing-bablok" << int(stats::RegressionMethod::PassingBablok);
    QTest::newRow("Deming") << "deming" << int(stats::RegressionMethod::Deming);
    QTest::newRow("weighted Deming") << "weighted-deming" << int(stats::RegressionMethod::WeightedDeming);
}

void tst_ConcordaReport::regressionAsDesktop()
{
    QFETCH(QString, method);
    QFETCH(int, expected);
    const QString file = examples + "hba1c_analysers.csv";
    QStringList arguments{"--analysis", "regression", "--method", method, "--delimiter", "semicolon",
                          "--gold", "HPLC", "--other", "POC1,POC2", "--decision-levels", "6.5,8",
                          "--format", "json", file};
    stats::RegressionOptions options;
    options.method = stats::RegressionMethod(expected);
    options.decisionLevels = {6.5, 8};
    if (options.method != stats::RegressionMethod::PassingBablok) {
        arguments.insert(4, "--error-ratio");
        arguments.insert(5, "1.5");
        options.errorRatio = 1.5;
    }
    const Run run = runTool(arguments);
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.standardError, QByteArray());
    const QJsonObject json = QJsonDocument::fromJson(run.standardOutput).object();
    QCOMPARE(json.value("analysis").toString(), QStringLiteral("regression"));
    QCOMPARE(json.value("options").toObject().value("method").toString(), method);

    const QStringList names = {"POC1", "POC2"};
    const DesktopColumns desktop = desktopColumns(file, QLatin1Char(';'), "HPLC", names);
    const QJsonArray results = json.value("results").toArray();
    QCOMPARE(results.size(), 2);
    const auto same = [](const QJsonValue &value, double figure) {
        return std::isfinite(figure) ? value.toDouble() == figure : value.isNull();
    };
    for (int i = 0; i < 2; ++i) {
        QString problem;
        const stats::RegressionFigures f =
            stats::regressionFigures(desktop.others.at(i), desktop.gold, options, names.at(i), &problem);
        QVERIFY2(problem.isEmpty(), qPrintable(problem));
        const QJsonObject result = results.at(i).toObject();
        QCOMPARE(result.value("name").toString(), names.at(i));
        QCOMPARE(qint64(result.value("n").toDouble()), f.n);
        const QPair<const char *, double> figures[] = {
            {"slope", f.slope}, {"slope_lower", f.slopeLower}, {"slope_upper", f.slopeUpper},
            {"intercept", f.intercept}, {"intercept_lower", f.interceptLower},
            {"intercept_upper", f.interceptUpper}};
        for (const auto &figure : figures)
            QVERIFY2(same(result.value(QLatin1String(figure.first)), figure.second), figure.first);
        const bool passingBablok = options.method == stats::RegressionMethod::PassingBablok;
        QCOMPARE(result.value("cusum_h").isNull(), !passingBablok);
        QCOMPARE(result.value("linear").isNull(), !passingBablok);
        if (passingBablok) {
            QVERIFY(same(result.value("cusum_h"), f.cusumH));
            QCOMPARE(result.value("linear").toBool(), f.linear);
        }
        const QJsonArray biasAt = result.value("bias_at").toArray();
        QCOMPARE(biasAt.size(), 2);
        for (int level = 0; level < 2; ++level) {
            const QJsonObject bias = biasAt.at(level).toObject();
            QCOMPARE(bias.value("level").toDouble(), options.decisionLevels.at(level));
            QVERIFY(same(bias.value("bias"), f.biasAt.at(level).bias));
            if (!passingBablok) {
                QVERIFY(same(bias.value("lower"), f.biasAt.at(level).lower));
                QVERIFY(same(bias.value("upper"), f.biasAt.at(level).upper));
                continue;
            }
            // Passing–Bablok's interval comes from the bootstrap: around the bias.
            QVERIFY(bias.value("lower").toDouble() <= f.biasAt.at(level).bias);
            QVERIFY(bias.value("upper").toDouble() >= f.biasAt.at(level).bias);
        }
    }
}

QTEST_MAIN(tst_ConcordaReport)
#include "tst_concordareport.moc"
