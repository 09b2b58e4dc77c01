#include "agreementreport.h"
#include "fuzzy.h"
#include "pairquantities.h"

#include <QtTest>

#include <cmath>
#include <stdexcept>

using namespace stats;

// Data at the edges of what the engine can be handed: faults found by fuzzing the
// agreement report, kept as cases.
class tst_ExtremeData : public QObject
{
    Q_OBJECT

private slots:
    void chiSquaredOneCdfLargeNonCentrality_data();
    void chiSquaredOneCdfLargeNonCentrality();
    void largeOffsetSmallSpread_data();
    void largeOffsetSmallSpread();
};

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
    const QString html = agreementReport({other}, gold, {"B"}, options.tdiAllowance,
                                         options.cpAllowance, options.alpha, proportional,
                                         random, options.sample);
    QVERIFY2(html.contains("<td>0.0000 ("), qPrintable(html));
}

QTEST_MAIN(tst_ExtremeData)
#include "tst_extremedata.moc"
