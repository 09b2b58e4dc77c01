#include "agreementreport.h"
#include "desktopcolumns.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

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

QTEST_MAIN(tst_ConcordaReport)
#include "tst_concordareport.moc"
