#include "loamethods.h"

#include "fuzzy.h"
#include "randompairs.h"

#include <QtTest>

#include <cmath>
#include <limits>

using namespace stats;

class tst_LoaMethods : public QObject
{
    Q_OBJECT

private slots:
    void regressionLimitsByHand();
    void regressionLimitsRecoverTheirModel();
    void nonparametricByHand_data();
    void nonparametricByHand();
    void problems_data();
    void problems();
};

// A = 1..5, d = 1, 3, 2, 5, 4 by hand. Means 3 and 3, Saa = 10, Sad = 8: b1 = 0.8, b0 = 0.6;
// residuals -0.4, 0.8, -1, 1.2, -0.6 with squares summing to 3.6, s^2 = 3.6 / 3 = 1.2,
// SE(b1) = sqrt(1.2 / 10), SE(b0) = sqrt(1.2 (1/5 + 9/10)). |r| has mean 0.8 and
// Sa|r| = 0.8: c1 = 0.08, c0 = 0.56; its residuals -0.24, 0.08, 0.2, 0.32, -0.36 have
// squares summing to 0.336, s^2 = 0.112. t(0.975, 3) = 3.182446305284263, and
// z sqrt(pi / 2) = 1.959963984540054 * 1.2533141373155003.
void tst_LoaMethods::regressionLimitsByHand()
{
    QString problem;
    const RegressionLimits l = regressionLimits({5, 1, 3, 2, 4}, {4, 1, 2, 3, 5},
                                                BlandAltmanOptions(), QStringLiteral("B"), &problem);
    const double t = 3.182446305284263;
    const double expected[] = {0.6, 0.6 - t * std::sqrt(1.32), 0.6 + t * std::sqrt(1.32),
                               0.8, 0.8 - t * std::sqrt(0.12), 0.8 + t * std::sqrt(0.12),
                               0.56, 0.56 - t * std::sqrt(0.1232), 0.56 + t * std::sqrt(0.1232),
                               0.08, 0.08 - t * std::sqrt(0.0112), 0.08 + t * std::sqrt(0.0112)};
    const double actual[] = {l.bias.intercept, l.bias.interceptLower, l.bias.interceptUpper,
                             l.bias.slope, l.bias.slopeLower, l.bias.slopeUpper,
                             l.spread.intercept, l.spread.interceptLower, l.spread.interceptUpper,
                             l.spread.slope, l.spread.slopeLower, l.spread.slopeUpper};
    for (int k = 0; k < 12; ++k)
        CONCORDA_FUZZY_COMPARE(actual[k], expected[k], 1e-12);

    const double zRoot = 1.959963984540054 * 1.2533141373155003;
    const double at[][3] = {{1, 1.4, 0.64}, {3, 3.0, 0.8}, {5, 4.6, 0.96}}; // A, bias, spread
    for (int k = 0; k < 3; ++k) {
        QCOMPARE(l.limitsAt[k].x, at[k][0]);
        CONCORDA_FUZZY_COMPARE(l.limitsAt[k].bias, at[k][1], 1e-12);
        CONCORDA_FUZZY_COMPARE(l.limitsAt[k].lower, at[k][1] - zRoot * at[k][2], 1e-12);
        CONCORDA_FUZZY_COMPARE(l.limitsAt[k].upper, at[k][1] + zRoot * at[k][2], 1e-12);
    }
    QVERIFY(!l.spreadNotPositive);
}

// d = 2 + 0.05 A + e, e normal with SD 1 + 0.02 A, A uniform on [10, 100]: the bias slope
// is 0.05 and E|r| = sqrt(2 / pi) SD, a spread slope of 0.02 sqrt(2 / pi). Both 95 %
// intervals are to hold them in at least 90 % of 200 samples of 80. (Least squares takes the
// spread as constant, so the bias slope's interval holds it less often than 95 %: 185 times.)
void tst_LoaMethods::regressionLimitsRecoverTheirModel()
{
    const double spreadSlope = 0.02 * 0.7978845608028654; // sqrt(2 / pi)
    int biasCovered = 0;
    int spreadCovered = 0;
    for (int run = 0; run < 200; ++run) {
        randompairs::Generator generator(quint64(run) + 1);
        QVector<double> a(80);
        QVector<double> d(80);
        for (int i = 0; i < 80; ++i) {
            a[i] = 10 + 90 * generator.uniform();
            d[i] = 2 + 0.05 * a[i] + (1 + 0.02 * a[i]) * generator.normal();
        }
        QString problem;
        const RegressionLimits l =
            regressionLimits(a, d, BlandAltmanOptions(), QStringLiteral("B"), &problem);
        biasCovered += l.bias.slopeLower < 0.05 && 0.05 < l.bias.slopeUpper;
        spreadCovered += l.spread.slopeLower < spreadSlope && spreadSlope < l.spread.slopeUpper;
    }
    QVERIFY2(biasCovered >= 180, qPrintable(QString::number(biasCovered)));
    QVERIFY2(spreadCovered >= 180, qPrintable(QString::number(spreadCovered)));
}

// The differences v_k = 0.1 k + 0.001 k^2 (k = 1..n) in the scrambled order k = 7i mod n + 1,
// so that the order statistic of rank r is v_r. Quantiles by hand from h = (n + 1) p,
// coverage 0.95: n = 20 puts h at 0.525 and 20.475, past both ends; n = 40 at 1.025, 20.5
// and 39.975, so v_1 + 0.025 (v_2 - v_1) = 0.103575, (2.4 + 2.541) / 2 and
// 5.421 + 0.975 (5.6 - 5.421); n = 120 at 3.025, 60.5 and 117.975. The ranks of the
// intervals come from the binomial distribution in exact rational arithmetic (rank 0 and
// n + 1: the data do not bound that end).
void tst_LoaMethods::nonparametricByHand_data()
{
    QTest::addColumn<int>("n");
    QTest::addColumn<double>("alpha");
    QTest::addColumn<QVector<double>>("quantiles"); // lower limit, median, upper limit
    QTest::addColumn<QVector<int>>("ranks");        // l and u of each, in the same order

    QTest::newRow("n = 20") << 20 << 0.05 << QVector<double>{0.101, 1.1605, 2.4}
                            << QVector<int>{0, 3, 6, 15, 18, 21};
    QTest::newRow("n = 40") << 40 << 0.05 << QVector<double>{0.103575, 2.4705, 5.595525}
                            << QVector<int>{0, 4, 14, 27, 37, 41};
    QTest::newRow("n = 120, alpha 0.1") << 120 << 0.1 << QVector<double>{0.311675, 9.7105, 25.715625}
                                        << QVector<int>{1, 7, 51, 70, 114, 120};
}

void tst_LoaMethods::nonparametricByHand()
{
    QFETCH(int, n);
    QFETCH(double, alpha);
    QFETCH(QVector<double>, quantiles);
    QFETCH(QVector<int>, ranks);

    const auto v = [n](int k) {
        const double infinity = std::numeric_limits<double>::infinity();
        return k == 0 ? -infinity : k == n + 1 ? infinity : 0.1 * k + 0.001 * k * k;
    };
    QVector<double> differences;
    for (int i = 0; i < n; ++i)
        differences.append(v(7 * i % n + 1));
    BlandAltmanOptions options;
    options.alpha = alpha;
    QString problem;
    const NonparametricLimits l = nonparametricLimits(differences, options, QString(), &problem);
    QCOMPARE(l.limitsAtExtremes, n == 20);
    const QuantileInterval intervals[] = {l.lower, l.median, l.upper};
    for (int k = 0; k < 3; ++k) {
        CONCORDA_FUZZY_COMPARE(intervals[k].estimate, quantiles[k], 1e-12);
        QCOMPARE(intervals[k].lowerRank, ranks[2 * k]);
        QCOMPARE(intervals[k].upperRank, ranks[2 * k + 1]);
        QCOMPARE(intervals[k].lower, v(ranks[2 * k]));
        QCOMPARE(intervals[k].upper, v(ranks[2 * k + 1]));
        QVERIFY(intervals[k].confidence >= 1 - alpha);
    }
}

void tst_LoaMethods::problems_data()
{
    QTest::addColumn<QVector<double>>("axis");
    QTest::addColumn<QVector<double>>("differences");
    QTest::addColumn<QString>("problem"); // of the regression-based limits; "" if none

    QTest::newRow("two differences") << QVector<double>{1, 2} << QVector<double>{0.5, 0.7}
        << "The limits of agreement of B could not be computed: B has 2 differences with the "
           "Gold Standard, and the limits need at least 3.";
    QTest::newRow("one X axis value") << QVector<double>{4, 4, 4} << QVector<double>{1, 2, 4}
        << "The limits of agreement of B could not be computed: the X axis values are the same "
           "in every pair, so limits that follow the level of B cannot be fitted.";
    // Worked in exact fractions: c0 + c1 A = 5738/5329 - 726/5329 A is -70/5329 at A = 8.
    QTest::newRow("spread below 0 at one end") << QVector<double>{1, 2, 3, 4, 8}
                                               << QVector<double>{-3, -1, -3, -2, -2} << "";
}

void tst_LoaMethods::problems()
{
    QFETCH(QVector<double>, axis);
    QFETCH(QVector<double>, differences);
    QFETCH(QString, problem);

    QString actual;
    const RegressionLimits l =
        regressionLimits(axis, differences, BlandAltmanOptions(), QStringLiteral("B"), &actual);
    QCOMPARE(actual, problem);
    QCOMPARE(l.limitsAt.isEmpty(), !problem.isEmpty());
    QCOMPARE(l.spreadNotPositive, problem.isEmpty());
    nonparametricLimits(differences, BlandAltmanOptions(), QStringLiteral("B"), &actual);
    QCOMPARE(actual.isEmpty(), problem.isEmpty() || problem.contains(QLatin1String("X axis")));
}

QTEST_GUILESS_MAIN(tst_LoaMethods)
#include "tst_loamethods.moc"
