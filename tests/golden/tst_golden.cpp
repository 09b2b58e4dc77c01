// Every analysis in every output format, on the example data with the option sets they
// support, held byte for byte against files written by an earlier build. A change to any
// report shows here first; CONCORDA_WRITE_GOLDEN=1 writes the files anew after a change
// that is meant (and the diff of the files then shows what changed).
#include "batchreport.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QtTest>

namespace {

const QString goldenDirectory = QStringLiteral(CONCORDA_SOURCE_DIR "/tests/golden/files");
const QString examples = QStringLiteral(CONCORDA_SOURCE_DIR "/examples/");

struct Case
{
    const char *name;
    QStringList arguments; // without the format and the file
    const char *file;
};

const QList<Case> &cases()
{
    static const QList<Case> all = {
        {"agreement-glucose", {"--gold", "LabGlucose"}, "glucose_meters.csv"},
        {"agreement-glucose-random", {"--gold", "LabGlucose", "--random"}, "glucose_meters.csv"},
        {"agreement-glucose-proportional",
         {"--gold", "LabGlucose", "--other", "MeterA,MeterB", "--proportional", "--tdi-allowance", "8"},
         "glucose_meters.csv"},
        {"agreement-hemoglobin",
         {"--gold", "SIGMA1", "--other", "HEMOCUE1,SIGMA2", "--tdi-allowance", "75", "--cp-allowance", "0.8",
          "--alpha", "0.1"},
         "hemoglobin_dclhb.csv"},
        {"agreement-peakflow-random-proportional",
         {"--gold", "Wright1", "--other", "MiniWright1,Wright2", "--random", "--proportional"},
         "peak_flow_bland_altman.csv"},
        {"agreement-hba1c", {"--delimiter", "semicolon", "--gold", "HPLC", "--other", "POC1,POC2"},
         "hba1c_analysers.csv"},
        {"blandaltman-peakflow",
         {"--analysis", "bland-altman", "--gold", "Wright1", "--other", "MiniWright1,Wright2"},
         "peak_flow_bland_altman.csv"},
        {"blandaltman-glucose-percentage-reference",
         {"--analysis", "bland-altman", "--gold", "LabGlucose", "--other", "MeterA,MeterB",
          "--differences", "percentage", "--x-axis", "reference", "--loa-coverage", "0.9"},
         "glucose_meters.csv"},
        {"blandaltman-hemoglobin-ratio-approximate",
         {"--analysis", "bland-altman", "--gold", "SIGMA1", "--other", "HEMOCUE1",
          "--differences", "ratio", "--loa-ci", "approximate", "--alpha", "0.1"},
         "hemoglobin_dclhb.csv"},
        {"blandaltman-hba1c",
         {"--analysis", "bland-altman", "--delimiter", "semicolon", "--gold", "HPLC"},
         "hba1c_analysers.csv"},
        {"regression-hba1c-passingbablok",
         {"--analysis", "regression", "--delimiter", "semicolon", "--gold", "HPLC",
          "--decision-levels", "6.5,7,8"},
         "hba1c_analysers.csv"},
        {"regression-hba1c-deming",
         {"--analysis", "regression", "--delimiter", "semicolon", "--gold", "HPLC", "--method",
          "deming", "--error-ratio", "1.5", "--decision-levels", "6.5,7", "--alpha", "0.1"},
         "hba1c_analysers.csv"},
        {"regression-glucose-weighted",
         {"--analysis", "regression", "--gold", "LabGlucose", "--other", "MeterA,MeterB",
          "--method", "weighted-deming", "--decision-levels", "4,11.1"},
         "glucose_meters.csv"},
        {"regression-hemoglobin-passingbablok",
         {"--analysis", "regression", "--gold", "SIGMA1", "--other", "HEMOCUE1"},
         "hemoglobin_dclhb.csv"},
        {"regression-peakflow-deming",
         {"--analysis", "regression", "--gold", "Wright1", "--method", "deming"},
         "peak_flow_bland_altman.csv"},
        {"blandaltman-hba1c-regression-limits",
         {"--analysis", "bland-altman", "--delimiter", "semicolon", "--gold", "HPLC", "--other",
          "POC1,POC2", "--loa-method", "regression"},
         "hba1c_analysers.csv"},
        {"blandaltman-peakflow-nonparametric-ratio",
         {"--analysis", "bland-altman", "--gold", "Wright1", "--other", "MiniWright1,Wright2",
          "--loa-method", "nonparametric", "--differences", "ratio"},
         "peak_flow_bland_altman.csv"},
        {"blandaltman-bloodpressure-exchangeable",
         {"--analysis", "bland-altman", "--gold", "S", "--other", "J,R", "--subject", "Subject"},
         "blood_pressure_replicates.csv"},
        {"blandaltman-bloodpressure-linked",
         {"--analysis", "bland-altman", "--gold", "S", "--other", "J", "--subject", "Subject",
          "--replicates", "linked", "--x-axis", "reference", "--alpha", "0.1"},
         "blood_pressure_replicates.csv"},
        {"blandaltman-simplyagree-exchangeable",
         {"--analysis", "bland-altman", "--gold", "y", "--other", "x", "--subject", "id"},
         "reps_simplyagree.csv"},
        {"regression-hemoglobin-replicates-deming",
         {"--analysis", "regression", "--gold", "Sigma", "--subject", "Subject", "--method",
          "deming", "--error-ratio", "replicates", "--decision-levels", "500"},
         "hemoglobin_dclhb_replicates.csv"},
        {"replicateagreement-hemoglobin",
         {"--analysis", "replicate-agreement", "--gold", "Sigma", "--subject", "Subject",
          "--tdi-allowance", "150", "--tdi-allowance-intra", "75"},
         "hemoglobin_dclhb_replicates.csv"},
        {"replicateagreement-hemoglobin-proportional",
         {"--analysis", "replicate-agreement", "--gold", "Sigma", "--subject", "Subject",
          "--proportional", "--tdi-allowance", "20", "--cp-allowance", "0.8", "--alpha", "0.1"},
         "hemoglobin_dclhb_replicates.csv"},
        {"replicateagreement-bloodpressure",
         {"--analysis", "replicate-agreement", "--gold", "S", "--other", "J,R", "--subject",
          "Subject", "--tdi-allowance-intra", "10", "--tdi-allowance-inter", "20",
          "--tdi-allowance-total", "20"},
         "blood_pressure_replicates.csv"},
        {"regression-bloodpressure-passingbablok",
         {"--analysis", "regression", "--gold", "S", "--other", "J", "--subject", "Subject",
          "--decision-levels", "120,140"},
         "blood_pressure_replicates.csv"},
    };
    return all;
}

QByteArray fileContents(const QString &fileName)
{
    QFile file(fileName);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class tst_Golden : public QObject
{
    Q_OBJECT

private slots:
    void outputs_data();
    void outputs();
};

void tst_Golden::outputs_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("goldenFile");
    for (const Case &c : cases()) {
        for (const char *format : {"html", "csv", "json"}) {
            const QString name = QStringLiteral("%1.%2").arg(QLatin1String(c.name), QLatin1String(format));
            QStringList arguments = QStringList{QStringLiteral("concorda-report")} + c.arguments;
            arguments << QStringLiteral("--format") << QLatin1String(format)
                      << examples + QLatin1String(c.file);
            QTest::newRow(qPrintable(name)) << arguments << goldenDirectory + QLatin1Char('/') + name;
        }
    }
}

void tst_Golden::outputs()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, goldenFile);
    QBuffer out;
    QBuffer err;
    out.open(QIODevice::WriteOnly);
    err.open(QIODevice::WriteOnly);
    const int exitCode = batch::runReport(arguments, &out, &err);
    QVERIFY2(exitCode == 0, err.data().constData());

    if (qEnvironmentVariableIntValue("CONCORDA_WRITE_GOLDEN") == 1) {
        QDir().mkpath(goldenDirectory);
        QFile file(goldenFile);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(out.data());
        return;
    }
    const QByteArray expected = fileContents(goldenFile);
    QVERIFY2(!expected.isEmpty(), qPrintable(goldenFile + QStringLiteral(" is missing")));
    if (out.data() != expected) {
        // The first line that differs, so that the failure says where.
        const QList<QByteArray> actualLines = out.data().split('\n');
        const QList<QByteArray> expectedLines = expected.split('\n');
        for (int i = 0; i < qMax(actualLines.size(), expectedLines.size()); ++i) {
            const QByteArray a = actualLines.value(i);
            const QByteArray e = expectedLines.value(i);
            if (a != e)
                QFAIL(qPrintable(QStringLiteral("line %1 differs:\n  now:    %2\n  golden: %3")
                                     .arg(i + 1)
                                     .arg(QString::fromUtf8(a.left(400)), QString::fromUtf8(e.left(400)))));
        }
    }
}

QTEST_GUILESS_MAIN(tst_Golden)
#include "tst_golden.moc"
