#include "agreementreport.h"
#include "fuzzy.h"
#include "pairquantities.h"
#include "vectortoolkit.h"

#include <QtTest>

#include <cmath>
#include <stdexcept>

using namespace stats;

// Data and options at the edges of what the engine can be handed, among them faults found
// by fuzzing the agreement report.
class tst_ExtremeData : public QObject
{
    Q_OBJECT

private slots:
    void chiSquaredOneCdfLargeNonCentrality_data();
    void chiSquaredOneCdfLargeNonCentrality();
    void largeOffsetSmallSpread_data();
    void largeOffsetSmallSpread();
    void hugeReadings_data();
    void hugeReadings();
    void hugeTdiAllowance_data();
    void hugeTdiAllowance();
    void spinBoxEdges_data();
    void spinBoxEdges();
};

namespace {

QVector<QVariant> cells(const QVector<double> &values)
{
    QVector<QVariant> column;
    for (double value : values)
        column << value;
    return column;
}

// The outcome of a report as the user meets it: the document, or the message that names
// the cause of a library error.
struct Outcome
{
    bool completed = false;
    QString text;
};

Outcome reportOutcome(const QVector<QVariant> &other, const QVector<QVariant> &gold,
                      const AgreementOptions &options)
{
    Outcome outcome;
    try {
        outcome.text = agreementDocument({other}, gold, {"B"}, options);
        outcome.completed = true;
    } catch (const std::domain_error &error) {
        outcome.text = agreementErrorMessage(error, "B", other, gold, options);
    } catch (const std::overflow_error &error) {
        outcome.text = agreementErrorMessage(error, "B", other, gold, options);
    }
    return outcome;
}

const QVector<double> workedX = {10.1, 12.3, 9.8, 15.2, 11.0, 13.4, 8.9, 14.1, 12.2, 10.7};
const QVector<double> workedY = {10.6, 12.0, 10.5, 15.9, 11.8, 13.1, 9.6, 14.9, 12.4, 11.5};

} // namespace

// With one degree of freedom the variable is (Z + sqrt(lambda))^2, so at
// t = (sqrt(lambda) + z)^2 the distribution function is Phi(z) up to Phi(-2 sqrt(lambda) - z),
// which is below 1e-300 for every row here. Boost.Math alone threw a rounding_error from
// a lambda of about 4.3e9 on. Beyond 1e12 t no longer resolves z, so the largest
// non-centralities are checked far below and far above their mass.
void tst_ExtremeData::chiSquaredOneCdfLargeNonCentrality_data()
{
    QTest::addColumn<double>("lambda");
    QTest::addColumn<double>("t");
    QTest::addColumn<double>("expected");

    const double phiMinus2 = 0.022750131948179209;
    const double z95 = 1.6448536269514722;
    const struct
    {
        const char *name;
        double lambda;
    } lambdas[] = {{"1e5", 1e5}, {"1e7", 1e7}, {"5e9", 5e9}, {"1e12", 1e12}};
    const auto at = [](double lambda, double z) {
        const double root = std::sqrt(lambda) + z;
        return root * root;
    };
    for (const auto &row : lambdas) {
        QTest::addRow("lambda %s, lower tail", row.name) << row.lambda << at(row.lambda, -2.0) << phiMinus2;
        QTest::addRow("lambda %s, median", row.name) << row.lambda << at(row.lambda, 0.0) << 0.5;
        QTest::addRow("lambda %s, 95th percentile", row.name) << row.lambda << at(row.lambda, z95) << 0.95;
    }
    QTest::newRow("lambda 1e20, far below") << 1e20 << 1.0 << 0.0;
    QTest::newRow("lambda 1e20, far above") << 1e20 << 4e20 << 1.0;
    QTest::newRow("lambda 1e300, far below") << 1e300 << 1e299 << 0.0;
    QTest::newRow("lambda 1e300, far above") << 1e300 << 1e301 << 1.0;
}

void tst_ExtremeData::chiSquaredOneCdfLargeNonCentrality()
{
    QFETCH(double, lambda);
    QFETCH(double, t);
    QFETCH(double, expected);
    CONCORDA_FUZZY_COMPARE(chiSquaredOneCdf(t, lambda), expected, 1e-9);
}

// A compared method offset far beyond the spread of its differences: CP is 0 in both
// modes and the report completes, instead of ending in an error of the library.
void tst_ExtremeData::largeOffsetSmallSpread_data()
{
    QTest::addColumn<bool>("random");
    QTest::addColumn<bool>("proportional");
    QTest::newRow("fixed") << false << false;
    QTest::newRow("random") << true << false;
    QTest::newRow("fixed, proportional") << false << true;
    QTest::newRow("random, proportional") << true << true;
}

void tst_ExtremeData::largeOffsetSmallSpread()
{
    QFETCH(bool, random);
    QFETCH(bool, proportional);
    const QVector<double> x = {1, 2, 3, 4, 5, 6};
    const QVector<double> noise = {0, 1e-3, -1e-3, 2e-3, 0, -2e-3};
    QVector<QVariant> gold;
    QVector<QVariant> other;
    for (int i = 0; i < x.size(); ++i) {
        gold << x[i];
        other << (proportional ? x[i] * 1e5 * (1 + noise[i] * 1e-3) : x[i] + 1e5 + noise[i]);
    }
    AgreementOptions options;
    options.random = random;
    options.proportional = proportional;

    AgreementFigures figures;
    try {
        figures = agreementFigures(other, gold, options);
    } catch (const std::exception &error) {
        QFAIL(error.what());
    }
    QCOMPARE(figures.n, qint64(6));
    CONCORDA_FUZZY_COMPARE(figures.cp, 0.0, 1e-12);
    const QString html = agreementDocument({other}, gold, {"B"}, options);
    QVERIFY2(html.contains("<td>0.0000 ("), qPrintable(html));
}

// Readings whose squares overflow a double: the variances are infinite or NaN and CP cannot
// be formed. The message said the columns had no spread; it names the size of the readings.
// On the log scale of proportional the same readings give a report.
void tst_ExtremeData::hugeReadings_data()
{
    QTest::addColumn<double>("scale");
    QTest::addColumn<bool>("random");
    QTest::addColumn<bool>("proportional");
    QTest::addColumn<QString>("expected");

    const QString tooLarge = QStringLiteral("B or the Gold Standard holds a reading too large to compute with");
    QTest::newRow("1e300, fixed") << 1e300 << false << false << tooLarge;
    QTest::newRow("1e300, random") << 1e300 << true << false << tooLarge;
    QTest::newRow("1e160, fixed") << 1e160 << false << false << tooLarge;
    QTest::newRow("1e300, fixed, proportional") << 1e300 << false << true << QString();
    QTest::newRow("1e300, random, proportional") << 1e300 << true << true << QString();
}

void tst_ExtremeData::hugeReadings()
{
    QFETCH(double, scale);
    QFETCH(bool, random);
    QFETCH(bool, proportional);
    QFETCH(QString, expected);

    AgreementOptions options;
    options.random = random;
    options.proportional = proportional;
    const Outcome outcome = reportOutcome(cells(multiply(workedY, scale)),
                                          cells(multiply(workedX, scale)), options);
    QCOMPARE(outcome.completed, expected.isEmpty());
    if (!expected.isEmpty())
        QVERIFY2(outcome.text.contains(expected), qPrintable(outcome.text));
}

// A TDI Allowance whose square overflows, which only the batch tool can pass: the message
// named an exact linear relation or no cause at all.
void tst_ExtremeData::hugeTdiAllowance_data()
{
    QTest::addColumn<double>("tdiAllowance");
    QTest::addColumn<bool>("random");
    QTest::newRow("1e308, fixed") << 1e308 << false;
    QTest::newRow("1e308, random") << 1e308 << true;
    QTest::newRow("-1e200, random") << -1e200 << true;
}

void tst_ExtremeData::hugeTdiAllowance()
{
    QFETCH(double, tdiAllowance);
    QFETCH(bool, random);
    AgreementOptions options;
    options.tdiAllowance = tdiAllowance;
    options.random = random;
    const Outcome outcome = reportOutcome(cells(workedY), cells(workedX), options);
    QVERIFY(!outcome.completed);
    QVERIFY2(outcome.text.contains("TDI Allowance is too large to compute with"), qPrintable(outcome.text));
}

// The values of the dialog's spin boxes (0 to 99.99 in steps of 0.01) at the edges of what
// each option allows, the others at their defaults, in every mode: the report completes,
// or the message names that option. The fuzz target covers the values in between.
void tst_ExtremeData::spinBoxEdges_data()
{
    QTest::addColumn<int>("option");
    QTest::addColumn<double>("value");
    QTest::addColumn<bool>("random");
    QTest::addColumn<bool>("proportional");
    QTest::addColumn<QString>("cause");

    const QString cpCause = QStringLiteral("CP Allowance must lie strictly between -1 and 1");
    const QString alphaCause = QStringLiteral("Alpha must lie strictly between 0 and 1");
    const struct
    {
        const char *name;
        int option;
        double value;
        QString cause;
    } edges[] = {
        {"TDI Allowance", 0, 0.0, QString()},      {"TDI Allowance", 0, 0.01, QString()},
        {"TDI Allowance", 0, 99.99, QString()},    {"CP Allowance", 1, 0.0, QString()},
        {"CP Allowance", 1, 0.99, QString()},      {"CP Allowance", 1, 1.0, cpCause},
        {"CP Allowance", 1, 99.99, cpCause},       {"Alpha", 2, 0.0, alphaCause},
        {"Alpha", 2, 0.01, QString()},             {"Alpha", 2, 0.99, QString()},
        {"Alpha", 2, 1.0, alphaCause},             {"Alpha", 2, 99.99, alphaCause},
    };
    for (const auto &edge : edges) {
        for (int flags = 0; flags < 4; ++flags) {
            const bool random = flags & 1;
            const bool proportional = flags & 2;
            QTest::addRow("%s %g%s%s", edge.name, edge.value, random ? ", random" : ", fixed",
                          proportional ? ", proportional" : "")
                << edge.option << edge.value << random << proportional << edge.cause;
        }
    }
}

void tst_ExtremeData::spinBoxEdges()
{
    QFETCH(int, option);
    QFETCH(double, value);
    QFETCH(bool, random);
    QFETCH(bool, proportional);
    QFETCH(QString, cause);

    AgreementOptions options;
    options.random = random;
    options.proportional = proportional;
    double *const chosen[] = {&options.tdiAllowance, &options.cpAllowance, &options.alpha};
    *chosen[option] = value;
    const Outcome outcome = reportOutcome(cells(workedY), cells(workedX), options);
    QVERIFY2(outcome.completed == cause.isEmpty(), qPrintable(outcome.text.left(300)));
    if (!cause.isEmpty())
        QVERIFY2(outcome.text.contains(cause), qPrintable(outcome.text));
}

QTEST_MAIN(tst_ExtremeData)
#include "tst_extremedata.moc"
