#include "deming.h"

#include "randompairs.h"

#include <QtTest>

#include <cmath>

using namespace stats;

class tst_WeightedDeming : public QObject
{
    Q_OBJECT

private slots:
    void jackknifeSameAsRefits_data();
    void jackknifeSameAsRefits();
    void jackknifeStopsWhenAsked();
};

namespace {

// Proportional errors of `spread` about a line, the true values uniform in [low, high] or,
// with `logScale`, log-uniform; scaled as regression() scales them, largest below 1.
void proportionalPairs(randompairs::Generator &g, int n, double low, double high, bool logScale,
                       double spread, QVector<double> &x, QVector<double> &y)
{
    const double slope = 0.8 + 0.4 * g.uniform();
    for (int i = 0; i < n; ++i) {
        const double truth = logScale ? low * std::pow(high / low, g.uniform())
                                      : low + (high - low) * g.uniform();
        x << truth * (1 + spread * g.normal());
        y << (1 + slope * truth) * (1 + spread * g.normal());
    }
    double largest = 0;
    for (int i = 0; i < n; ++i)
        largest = std::max({largest, std::fabs(x[i]), std::fabs(y[i])});
    int exponent = 0;
    std::frexp(largest, &exponent);
    for (int i = 0; i < n; ++i) {
        x[i] = std::ldexp(x[i], -exponent);
        y[i] = std::ldexp(y[i], -exponent);
    }
}

} // namespace

// The jackknife's refits against weightedDemingFit's, one left-out pair at a time, on seeded
// data sets from 3 to 2,000 pairs: the same lines up to rounding (intercepts measured
// against the largest reading, which is near 1).
void tst_WeightedDeming::jackknifeSameAsRefits_data()
{
    QTest::addColumn<double>("low");
    QTest::addColumn<double>("high");
    QTest::addColumn<bool>("logScale");
    QTest::addColumn<double>("lambda");

    QTest::newRow("50 to 500") << 50.0 << 500.0 << false << 1.0;
    QTest::newRow("50 to 500, lambda 0.25") << 50.0 << 500.0 << false << 0.25;
    QTest::newRow("0.5 to 500, log scale, lambda 4") << 0.5 << 500.0 << true << 4.0;
    QTest::newRow("a few readings near 0") << 0.01 << 500.0 << true << 1.0;
}

void tst_WeightedDeming::jackknifeSameAsRefits()
{
    QFETCH(double, low);
    QFETCH(double, high);
    QFETCH(bool, logScale);
    QFETCH(double, lambda);
    for (int set = 0; set < 40; ++set) {
        randompairs::Generator g(0xde000000u + std::uint64_t(set));
        const int n = int(3 * std::pow(2000 / 3.0, g.uniform()));
        QVector<double> x;
        QVector<double> y;
        proportionalPairs(g, n, low, high, logScale, 0.01 + 0.1 * g.uniform(), x, y);
        const double tolerance = 1e-6;
        const WeightedDemingJackknife jackknife =
            weightedDemingLinesLeavingOneOut(x, y, lambda, tolerance);
        QCOMPARE(jackknife.lines.size(), n);
        for (int i = 0; i < n; ++i) {
            const Line refit = weightedDemingFit(x, y, lambda, tolerance, i).line;
            const Line line = jackknife.lines[i];
            const QString context = QStringLiteral("set %1, n = %2, pair %3: slope %4 against %5, "
                                                   "intercept %6 against %7")
                                        .arg(set)
                                        .arg(n)
                                        .arg(i)
                                        .arg(line.slope, 0, 'g', 17)
                                        .arg(refit.slope, 0, 'g', 17)
                                        .arg(line.intercept, 0, 'g', 17)
                                        .arg(refit.intercept, 0, 'g', 17);
            QVERIFY2(std::fabs(line.slope - refit.slope) <= 1e-12 * std::fabs(refit.slope)
                         && std::fabs(line.intercept - refit.intercept) <= 1e-12,
                     qPrintable(context));
        }
    }
}

void tst_WeightedDeming::jackknifeStopsWhenAsked()
{
    randompairs::Generator g(11);
    QVector<double> x;
    QVector<double> y;
    proportionalPairs(g, 1000, 50, 500, false, 0.03, x, y);
    int calls = 0;
    const WeightedDemingJackknife stopped =
        weightedDemingLinesLeavingOneOut(x, y, 1, 1e-6, [&calls](double done) {
            return done < 0.5 && ++calls > 0;
        });
    QVERIFY(stopped.stopped);
    QVERIFY(stopped.lines.isEmpty());
    QVERIFY(calls >= 2);
}

QTEST_GUILESS_MAIN(tst_WeightedDeming)
#include "tst_weighteddeming.moc"
