#include "bootstrap.h"

#include "fuzzy.h"
#include "statstesthelpers.h"
#include "vectortoolkit.h"

#include <QtTest>

#include <cmath>

using namespace stats;

Q_DECLARE_METATYPE(stats::RegressionMethod)

namespace {

// The data sets of bca_reference.py (beside this file), built the same way from readings in
// whole hundredths so that both hold the same doubles.
struct Pairs
{
    QVector<double> x;
    QVector<double> y;
};

Pairs referenceSet(const QString &kind, int n, quint64 seed)
{
    quint64 state = seed;
    const auto next = [&state]() {
        state = state * 6364136223846793005ULL + 1442695040888963407ULL;
        return qint64(state >> 33);
    };
    Pairs pairs;
    for (int i = 0; i < n; ++i) {
        qint64 x = 1000 + next() % 9000;
        qint64 y = 0;
        if (kind == QLatin1String("linear")) {
            y = x * 102 / 100 + 100 + next() % 401 - 200;
        } else if (kind == QLatin1String("skewed")) {
            const qint64 e = next() % 100;
            y = x + 50 + e * e * e / 200;
        } else if (kind == QLatin1String("falling")) {
            y = 12000 - x + next() % 801 - 400;
        } else {
            x = i < 3 ? 500 : 100 * (i + 4);
            y = x + next() % 201 - 100;
        }
        pairs.x.append(x / 100.0);
        pairs.y.append(y / 100.0);
    }
    return pairs;
}

// The band, the BCa intervals of the line at 61 x values, to the last bit.
QString printed(const PassingBablokBootstrap &b)
{
    QStringList figures{QString::number(b.failures)};
    for (const BandPoint &p : b.band)
        figures << QString::number(p.lower, 'g', 17) << QString::number(p.upper, 'g', 17);
    return figures.join(QLatin1Char(' '));
}

} // namespace

class tst_Bootstrap : public QObject
{
    Q_OBJECT

private slots:
    void bcaAgainstReference_data();
    void bcaAgainstReference();
    void skewedDataMoveTheInterval();
    void sameSeedSameFigures();
    void bandsMatchTheBiasIntervals_data();
    void bandsMatchTheBiasIntervals();
    void demingResidualsFollowTheFit();
    void passingBablokResidualsAgainstRanks();
};

// Each row: the data set; n, its seed, the bootstrap's seed, B, alpha and the decision
// level; the script's output (failures; slope, intercept and bias at the level as BCa
// lower and upper).
void tst_Bootstrap::bcaAgainstReference_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QVector<double>>("setup");
    QTest::addColumn<int>("failures");
    QTest::addColumn<QVector<double>>("ends");

    QTest::newRow("linear") << "linear" << QVector<double>{20, 11, 1, 1999, 0.05, 50} << 0
        << QVector<double>{0.98175317584162891, 1.0213409498982355, 0.92282999486388917,
                           3.411553610503276, 1.3766437615826188, 2.6038483004892057};
    QTest::newRow("skewed") << "skewed" << QVector<double>{30, 12, 1, 1999, 0.05, 50} << 0
        << QVector<double>{0.99287653786686958, 1.6864236663195633, -4.5811767708586215,
                           22.543213327813078, 7.5053936892442916, 30.818209884582377};
    // The line passes through the pair at 17.41, and so do about a fifth of the resampled
    // lines: their biases there equal the estimate but for rounding.
    QTest::newRow("level at a point on the line") << "linear"
        << QVector<double>{13, 13, 20240601, 999, 0.1, 17.41} << 0
        << QVector<double>{1.0031201248049939, 1.0496078788984133, -0.7232595104829499,
                           2.4305616224647366, 0.4801789745243531, 2.6574670295150544};
    QTest::newRow("falling") << "falling" << QVector<double>{40, 14, 1, 1999, 0.05, 50} << 0
        << QVector<double>{-1.0384073742158497, -0.97105985510585935, 119.09805963786101,
                           124.22680775347395, 19.444564707236452, 22.60556891627359};
    QTest::newRow("tied reference values") << "ties" << QVector<double>{6, 15, 7, 1999, 0.05, 6}
        << 196
        << QVector<double>{0.39999999999999991, 1.1066666666666665, -9.7299999999999986,
                           2.7574999999999994, -0.91000000000000014, 0.59666666666666646};
}

void tst_Bootstrap::bcaAgainstReference()
{
    QFETCH(QString, kind);
    QFETCH(QVector<double>, setup);
    QFETCH(int, failures);
    QFETCH(QVector<double>, ends);

    const Pairs pairs = referenceSet(kind, int(setup[0]), quint64(setup[1]));
    RegressionOptions options;
    options.alpha = setup[4];
    options.decisionLevels = {setup[5]};
    const PassingBablokBootstrap b = passingBablokBootstrap(pairs.x, pairs.y, options,
                                                            {int(setup[3]), quint64(setup[2])});
    QCOMPARE(b.failures, failures);
    const BootstrapInterval intervals[] = {b.slope, b.intercept, b.biasAt.value(0)};
    for (int k = 0; k < 3; ++k) {
        CONCORDA_FUZZY_COMPARE(intervals[k].lower, ends[2 * k], 1e-12);
        CONCORDA_FUZZY_COMPARE(intervals[k].upper, ends[2 * k + 1], 1e-12);
    }
}

// On right-skewed errors most resampled intercepts lie below the estimate (z0 = 0.11):
// BCa moves both ends up by about a twentieth of the width, where a missing correction
// would leave them at the percentile interval. (The reference rows check the size of the
// move to 1e-12, acceleration included.)
void tst_Bootstrap::skewedDataMoveTheInterval()
{
    const Pairs pairs = referenceSet(QStringLiteral("skewed"), 30, 12);
    const BootstrapInterval intercept =
        passingBablokBootstrap(pairs.x, pairs.y, RegressionOptions(), BootstrapOptions()).intercept;
    const double width = intercept.percentileUpper - intercept.percentileLower;
    QVERIFY(intercept.lower - intercept.percentileLower > 0.03 * width);
    QVERIFY(intercept.upper - intercept.percentileUpper > 0.03 * width);
}

void tst_Bootstrap::sameSeedSameFigures()
{
    const Pairs pairs = referenceSet(QStringLiteral("linear"), 25, 3);
    const QString first = printed(passingBablokBootstrap(pairs.x, pairs.y, {}, {500, 9}));
    QCOMPARE(printed(passingBablokBootstrap(pairs.x, pairs.y, {}, {500, 9})), first);
    QVERIFY(printed(passingBablokBootstrap(pairs.x, pairs.y, {}, {500, 10})) != first);
}

// At x = level each band is the interval of the bias there shifted by the level: for
// Passing-Bablok from the same bootstrap, for Deming against regression()'s own jackknife.
void tst_Bootstrap::bandsMatchTheBiasIntervals_data()
{
    QTest::addColumn<RegressionMethod>("method");
    QTest::newRow("Passing-Bablok") << RegressionMethod::PassingBablok;
    QTest::newRow("Deming") << RegressionMethod::Deming;
    QTest::newRow("weighted Deming") << RegressionMethod::WeightedDeming;
}

void tst_Bootstrap::bandsMatchTheBiasIntervals()
{
    QFETCH(RegressionMethod, method);
    RegressionOptions options;
    options.method = method;
    options.errorRatio = 1.5;
    const QVector<double> x = workedReference();
    const QVector<double> y = workedCompared();
    const bool bootstrap = method == RegressionMethod::PassingBablok;
    const QVector<BandPoint> band = bootstrap ? passingBablokBootstrap(x, y, options, {}).band
                                              : demingConfidenceBand(x, y, options);
    QCOMPARE(band.first().x, 8.9);
    QCOMPARE(band.last().x, 15.2);
    for (const BandPoint &point : band)
        options.decisionLevels.append(point.x);
    QVector<DecisionLevelBias> biasAt = regression(x, y, options).biasAt;
    const QVector<BootstrapInterval> resampled =
        bootstrap ? passingBablokBootstrap(x, y, options, {}).biasAt : QVector<BootstrapInterval>();
    for (int k = 0; k < resampled.size(); ++k)
        biasAt[k] = {biasAt[k].level, biasAt[k].bias, resampled[k].lower, resampled[k].upper};
    for (int k = 0; k < band.size(); ++k) {
        CONCORDA_FUZZY_COMPARE(band[k].fit - band[k].x, biasAt[k].bias, 1e-9);
        CONCORDA_FUZZY_COMPARE(band[k].lower - band[k].x, biasAt[k].lower, 1e-9);
        CONCORDA_FUZZY_COMPARE(band[k].upper - band[k].x, biasAt[k].upper, 1e-9);
        QVERIFY(band[k].lower < band[k].fit && band[k].fit < band[k].upper);
    }
}

// Swapping the methods turns the Deming line of y on x with lambda into that of x on y with
// 1 / lambda; the residual on the scale of the errors of y then becomes the one on the
// scale of the errors of x, -sqrt(lambda) times it for a rising line. Weighted Deming's
// residuals are relative, so they stay as they are when every reading is doubled.
void tst_Bootstrap::demingResidualsFollowTheFit()
{
    const auto residuals = [](const QVector<double> &x, const QVector<double> &y,
                              RegressionMethod method, double lambda) {
        RegressionOptions options;
        options.method = method;
        options.errorRatio = lambda;
        return regressionResiduals(x, y, regression(x, y, options));
    };
    const QVector<double> x = workedReference();
    const QVector<double> y = workedCompared();
    const ResidualPlot plot = residuals(x, y, RegressionMethod::Deming, 2);
    const ResidualPlot swapped = residuals(y, x, RegressionMethod::Deming, 0.5);
    const ResidualPlot relative = residuals(x, y, RegressionMethod::WeightedDeming, 2);
    const ResidualPlot doubled =
        residuals(multiply(x, 2.0), multiply(y, 2.0), RegressionMethod::WeightedDeming, 2);
    for (int i = 0; i < x.size(); ++i) {
        CONCORDA_FUZZY_COMPARE(swapped.residual[i], -std::sqrt(2.0) * plot.residual[i], 1e-9);
        CONCORDA_FUZZY_COMPARE(doubled.residual[i], relative.residual[i], 1e-9);
        CONCORDA_FUZZY_COMPARE(doubled.position[i], 2 * relative.position[i], 1e-9);
    }
}

// The line y = x + 1 worked by hand: pairs 2 and 4 share the mean 4.25 and so the rank 3.5.
void tst_Bootstrap::passingBablokResidualsAgainstRanks()
{
    RegressionFigures line;
    line.intercept = 1;
    line.slope = 1;
    const ResidualPlot plot = regressionResiduals({1, 4, 6, 3.5, 2}, {2.5, 4.5, 7, 5, 3}, line);
    QCOMPARE(plot.position, (QVector<double>{1, 3.5, 5, 3.5, 2}));
    QCOMPARE(plot.residual, (QVector<double>{0.5, -0.5, 0, 0.5, 0}));
}

QTEST_GUILESS_MAIN(tst_Bootstrap)
#include "tst_bootstrap.moc"
