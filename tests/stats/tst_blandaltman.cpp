#include "blandaltman.h"
#include "fuzzy.h"
#include "testdata.h"

#include <QFile>
#include <QtTest>

#include <cmath>

using namespace stats;

Q_DECLARE_METATYPE(stats::BlandAltmanOptions)

namespace {

// Peak expiratory flow (l/min) of 17 subjects, first readings (Bland and Altman, Lancet
// 1986): the reference is the mini Wright meter, the compared method the Wright meter, so
// the differences are Wright - mini Wright as published.
struct PeakFlow
{
    QVector<double> miniWright;
    QVector<double> wright;
};

PeakFlow peakFlow()
{
    PeakFlow data;
    QFile file(QStringLiteral(CONCORDA_SOURCE_DIR "/examples/peak_flow_bland_altman.csv"));
    if (!file.open(QIODevice::ReadOnly))
        return data;
    file.readLine();
    while (!file.atEnd()) {
        const QList<QByteArray> fields = file.readLine().trimmed().split(',');
        if (fields.size() == 5) {
            data.wright.append(fields.at(1).toDouble());
            data.miniWright.append(fields.at(3).toDouble());
        }
    }
    return data;
}

BlandAltmanFigures analysed(const QVector<double> &x, const QVector<double> &y,
                            const BlandAltmanOptions &options = BlandAltmanOptions())
{
    QString problem;
    const BlandAltmanFigures figures = blandAltman(x, y, options, QStringLiteral("B"), &problem);
    if (!problem.isEmpty())
        qWarning("%s", qPrintable(problem));
    return figures;
}

} // namespace

class tst_BlandAltman : public QObject
{
    Q_OBJECT

private slots:
    void publishedPeakFlow();
    void peakFlowAgainstIndependentFigures_data();
    void peakFlowAgainstIndependentFigures();
    void exactIntervalsLieOutside();
    void scalesWorkedByHand_data();
    void scalesWorkedByHand();
    void swappingMethods_data();
    void swappingMethods();
    void invariances_data();
    void invariances();
    void problems_data();
    void problems();
    void missingCellsDropPairwise();
    void extremeInputsNeverThrow();
};

// The published figures: mean difference -2.1, SD 38.8 (divisor n - 1; n would give 37.6),
// limits mean +- 2 SD = -79.7 to 75.5. The paper rounds mean and SD first and forms the
// limits from the rounded figures, so the unrounded limits lie within 0.1 of them.
void tst_BlandAltman::publishedPeakFlow()
{
    const PeakFlow data = peakFlow();
    QCOMPARE(data.wright.size(), 17);
    BlandAltmanOptions options;
    // z = 2 exactly: the coverage is P(|Z| < 2) = erf(2 / sqrt(2)).
    options.coverage = std::erf(2.0 / std::sqrt(2.0));
    CONCORDA_FUZZY_COMPARE(agreementLimitQuantile(options.coverage), 2.0, 1e-12);
    const BlandAltmanFigures f = analysed(data.miniWright, data.wright, options);

    QCOMPARE(f.n, qint64(17));
    QCOMPARE(QString::number(f.bias, 'f', 1), QStringLiteral("-2.1"));
    QCOMPARE(QString::number(f.sd, 'f', 1), QStringLiteral("38.8"));
    QVERIFY2(std::fabs(f.sd - 37.6) > 1.0, "the SD must use the divisor n - 1");
    QCOMPARE(QString::number(-2.1 - 2 * 38.8, 'f', 1), QStringLiteral("-79.7"));
    QVERIFY(std::fabs(f.loaLower - -79.7) < 0.1);
    QVERIFY(std::fabs(f.loaUpper - 75.5) < 0.1);
    CONCORDA_FUZZY_COMPARE(f.loaLower, f.bias - 2 * f.sd, 1e-14);
}

// Coverage 0.95, alpha 0.05. The expected figures come from a short Python script written
// for this test, without any statistics library: the t and non-central t quantiles are
// found by bisection on their distribution functions, each an integral over the
// chi-squared density by Simpson's rule (40,000 intervals, checked against the tabled
// t(0.975, 16) = 2.119905 to 12 digits):
//   F(t; k, delta) = integral_0^inf Phi(t sqrt(u / k) - delta) f_chi2(u; k) du
// It printed t(0.975, 16) = 2.119905299221612, the non-central t quantiles with 16 degrees
// of freedom and non-centrality 1.959964 sqrt(17) 5.42200499778639 and 12.980655683841537,
// and the figures below.
void tst_BlandAltman::peakFlowAgainstIndependentFigures_data()
{
    QTest::addColumn<int>("interval");
    QTest::addColumn<QVector<double>>("expected");

    const QVector<double> common = {-2.1176470588235294, 38.76512987360738,  -22.048837696648526,
                                    17.81354357900147,   -78.0959054671117, 73.86061134946463,
                                    0.02868744515254921, -0.15932006368397397, 0.21669495398907238,
                                    0.749498533649311};
    QTest::newRow("exact") << int(LimitInterval::Exact)
                           << (common + QVector<double>{-124.16079829468734, -53.09493141666751,
                                                        48.85963729902045, 119.92550417704027});
    QTest::newRow("approximate") << int(LimitInterval::Approximate)
                                 << (common + QVector<double>{-112.85155313931669, -43.34025779490672,
                                                              39.10496367725965, 108.61625902166962});
}

void tst_BlandAltman::peakFlowAgainstIndependentFigures()
{
    QFETCH(int, interval);
    QFETCH(QVector<double>, expected);
    const PeakFlow data = peakFlow();
    BlandAltmanOptions options;
    options.limitInterval = LimitInterval(interval);
    const BlandAltmanFigures f = analysed(data.miniWright, data.wright, options);

    const double actual[] = {f.bias,       f.sd,          f.biasLower,       f.biasUpper,
                             f.loaLower,   f.loaUpper,    f.slope,           f.slopeLower,
                             f.slopeUpper, f.slopeP,      f.loaLowerCiLower, f.loaLowerCiUpper,
                             f.loaUpperCiLower, f.loaUpperCiUpper};
    const char *const names[] = {"bias", "sd", "bias lower", "bias upper", "lower limit",
                                 "upper limit", "slope", "slope lower", "slope upper", "p",
                                 "lower limit CI lower", "lower limit CI upper",
                                 "upper limit CI lower", "upper limit CI upper"};
    for (int i = 0; i < expected.size(); ++i)
        QVERIFY2(fuzzyEqual(actual[i], expected.at(i), 1e-9),
                 qPrintable(QStringLiteral("%1: %2, expected %3")
                                .arg(QLatin1String(names[i]))
                                .arg(actual[i], 0, 'g', 17)
                                .arg(expected.at(i), 0, 'g', 17)));
    // The plotted points: Wright - mini Wright against the pair's mean, in row order.
    QCOMPARE(f.differences.size(), 17);
    QCOMPARE(f.differences.first(), 494.0 - 512.0);
    QCOMPARE(f.axisValues.first(), (494.0 + 512.0) / 2);
}

// The exact intervals are skewed outwards: the far end of each lies beyond the far end of
// the approximate interval, for small and large samples alike.
void tst_BlandAltman::exactIntervalsLieOutside()
{
    const PeakFlow data = peakFlow();
    for (int n : {3, 5, 17}) {
        const QVector<double> x = data.miniWright.mid(0, n);
        const QVector<double> y = data.wright.mid(0, n);
        BlandAltmanOptions options;
        const BlandAltmanFigures exact = analysed(x, y, options);
        options.limitInterval = LimitInterval::Approximate;
        const BlandAltmanFigures approximate = analysed(x, y, options);
        QVERIFY2(exact.loaUpperCiUpper > approximate.loaUpperCiUpper, qPrintable(QString::number(n)));
        QVERIFY2(exact.loaLowerCiLower < approximate.loaLowerCiLower, qPrintable(QString::number(n)));
        QVERIFY(exact.loaUpperCiLower < exact.loaUpper && exact.loaUpper < exact.loaUpperCiUpper);
        QCOMPARE(exact.loaUpper, approximate.loaUpper);
    }
}

// Worked by hand:
// - percentage: the pairs (9, 11), (11, 9), (45, 55), (55, 45) differ by 200 (y - x) / (x + y)
//   = +20, -20, +20, -20 percent: bias 0, SD 20 sqrt(4/3) = 23.0940108, limits
//   +-1.959964 x 23.0940108 = +-45.2634294; the differences do not change with the pair
//   mean (10, 10, 50, 50), so the slope is 0 and p is 1;
// - ratio: y / x = 2, 1/2, 2, 1/2 for (1, 2), (2, 1), (3, 6), (4, 2): the log ratios are
//   +-ln 2, their mean 0 (a ratio of 1), SD ln 2 sqrt(4/3) = 0.80037742 on the log scale,
//   limits exp(+-1.959964 x 0.80037742) = 4.8004560 and 0.20831354.
void tst_BlandAltman::scalesWorkedByHand_data()
{
    QTest::addColumn<int>("scale");
    QTest::addColumn<QVector<double>>("x");
    QTest::addColumn<QVector<double>>("y");
    QTest::addColumn<double>("bias");
    QTest::addColumn<double>("sd");
    QTest::addColumn<double>("lower");
    QTest::addColumn<double>("upper");
    QTest::addColumn<QVector<double>>("points");

    QTest::newRow("percentage") << int(DifferenceScale::Percentage) << QVector<double>{9, 11, 45, 55}
                                << QVector<double>{11, 9, 55, 45} << 0.0 << 23.094010767585031
                                << -45.2634294 << 45.2634294 << QVector<double>{20, -20, 20, -20};
    QTest::newRow("ratio") << int(DifferenceScale::Ratio) << QVector<double>{1, 2, 3, 4}
                           << QVector<double>{2, 1, 6, 2} << 1.0 << 0.8003774225686291
                           << 0.20831354 << 4.8004560 << QVector<double>{2, 0.5, 2, 0.5};
}

void tst_BlandAltman::scalesWorkedByHand()
{
    QFETCH(int, scale);
    QFETCH(QVector<double>, x);
    QFETCH(QVector<double>, y);
    QFETCH(double, bias);
    QFETCH(double, sd);
    QFETCH(double, lower);
    QFETCH(double, upper);
    QFETCH(QVector<double>, points);
    BlandAltmanOptions options;
    options.differences = DifferenceScale(scale);
    const BlandAltmanFigures f = analysed(x, y, options);
    QVERIFY(std::fabs(f.bias - bias) < 1e-12);
    CONCORDA_FUZZY_COMPARE(f.sd, sd, 1e-12);
    CONCORDA_FUZZY_COMPARE(f.loaLower, lower, 1e-7);
    CONCORDA_FUZZY_COMPARE(f.loaUpper, upper, 1e-7);
    for (int i = 0; i < points.size(); ++i)
        CONCORDA_FUZZY_COMPARE(f.differences.at(i), points.at(i), 1e-12);
    if (options.differences == DifferenceScale::Percentage) {
        QVERIFY(std::fabs(f.slope) < 1e-12);
        CONCORDA_FUZZY_COMPARE(f.slopeP, 1.0, 1e-9);
    }
}

// Exchanging the two methods turns every difference around: the bias changes sign (ratios
// become their reciprocals), the limits and their intervals swap over, the SD and p stay.
void tst_BlandAltman::swappingMethods_data()
{
    QTest::addColumn<int>("scale");
    QTest::newRow("absolute") << int(DifferenceScale::Absolute);
    QTest::newRow("percentage") << int(DifferenceScale::Percentage);
    QTest::newRow("ratio") << int(DifferenceScale::Ratio);
}

void tst_BlandAltman::swappingMethods()
{
    QFETCH(int, scale);
    const PeakFlow data = peakFlow();
    BlandAltmanOptions options;
    options.differences = DifferenceScale(scale);
    const BlandAltmanFigures f = analysed(data.miniWright, data.wright, options);
    const BlandAltmanFigures s = analysed(data.wright, data.miniWright, options);
    const bool ratio = options.differences == DifferenceScale::Ratio;
    const auto mirrored = [ratio](double value) { return ratio ? 1.0 / value : -value; };
    CONCORDA_FUZZY_COMPARE(s.bias, mirrored(f.bias), 1e-12);
    CONCORDA_FUZZY_COMPARE(s.sd, f.sd, 1e-12);
    CONCORDA_FUZZY_COMPARE(s.loaLower, mirrored(f.loaUpper), 1e-12);
    CONCORDA_FUZZY_COMPARE(s.loaLowerCiLower, mirrored(f.loaUpperCiUpper), 1e-12);
    CONCORDA_FUZZY_COMPARE(s.loaUpperCiLower, mirrored(f.loaLowerCiUpper), 1e-12);
    CONCORDA_FUZZY_COMPARE(s.biasLower, mirrored(f.biasUpper), 1e-12);
    CONCORDA_FUZZY_COMPARE(s.slope, -f.slope, 1e-12);
    CONCORDA_FUZZY_COMPARE(s.slopeP, f.slopeP, 1e-12);
}

// Absolute differences do not change when both methods read the same amount higher;
// percentages and ratios do not change when both read in other units.
void tst_BlandAltman::invariances_data()
{
    QTest::addColumn<int>("scale");
    QTest::addColumn<double>("factor");
    QTest::addColumn<double>("shift");
    QTest::newRow("absolute, shifted by 1e4") << int(DifferenceScale::Absolute) << 1.0 << 1e4;
    QTest::newRow("percentage, times 1e-6") << int(DifferenceScale::Percentage) << 1e-6 << 0.0;
    QTest::newRow("ratio, times 1e9") << int(DifferenceScale::Ratio) << 1e9 << 0.0;
}

void tst_BlandAltman::invariances()
{
    QFETCH(int, scale);
    QFETCH(double, factor);
    QFETCH(double, shift);
    const PeakFlow data = peakFlow();
    BlandAltmanOptions options;
    options.differences = DifferenceScale(scale);
    options.axis = DifferenceAxis::Reference;
    QVector<double> x;
    QVector<double> y;
    for (int i = 0; i < data.wright.size(); ++i) {
        x << data.miniWright.at(i) * factor + shift;
        y << data.wright.at(i) * factor + shift;
    }
    const BlandAltmanFigures original = analysed(data.miniWright, data.wright, options);
    const BlandAltmanFigures moved = analysed(x, y, options);
    CONCORDA_FUZZY_COMPARE(moved.bias, original.bias, 1e-9);
    CONCORDA_FUZZY_COMPARE(moved.sd, original.sd, 1e-9);
    CONCORDA_FUZZY_COMPARE(moved.loaUpperCiUpper, original.loaUpperCiUpper, 1e-9);
    CONCORDA_FUZZY_COMPARE(moved.slope * factor, original.slope, 1e-9);
    CONCORDA_FUZZY_COMPARE(moved.slopeP, original.slopeP, 1e-9);
}

void tst_BlandAltman::problems_data()
{
    QTest::addColumn<QVector<double>>("x");
    QTest::addColumn<QVector<double>>("y");
    QTest::addColumn<BlandAltmanOptions>("options");
    QTest::addColumn<QString>("message");

    const QVector<double> x = {1, 2, 3, 4};
    const auto with = [](DifferenceScale scale, DifferenceAxis axis = DifferenceAxis::PairMean) {
        BlandAltmanOptions options;
        options.differences = scale;
        options.axis = axis;
        return options;
    };
    const QString prefix = QStringLiteral("The Bland–Altman analysis of B could not be computed: ");
    QTest::newRow("two pairs") << QVector<double>{1, 2} << QVector<double>{1.5, 2.5}
                               << BlandAltmanOptions()
                               << prefix + "B has 2 complete pairs with the Gold Standard, and the analysis needs at least 3.";
    QTest::newRow("no pair") << QVector<double>() << QVector<double>() << BlandAltmanOptions()
                             << prefix + "B has 0 complete pairs with the Gold Standard, and the analysis needs at least 3.";
    QTest::newRow("ratio, one zero reading")
        << x << QVector<double>{1, 0, 3, 5} << with(DifferenceScale::Ratio)
        << prefix + "ratio differences take the logarithm of every reading, so every reading "
                    "must be greater than 0, but 1 pair of B and the Gold Standard hold a zero "
                    "or negative reading.";
    QTest::newRow("ratio, two negative readings")
        << QVector<double>{-1, 2, -3, 4} << QVector<double>{1, 2, 3, 5} << with(DifferenceScale::Ratio)
        << prefix + "ratio differences take the logarithm of every reading, so every reading "
                    "must be greater than 0, but 2 pairs of B and the Gold Standard hold a zero "
                    "or negative reading.";
    QTest::newRow("percentage, a pair mean of 0")
        << QVector<double>{-1, 2, 3, 4} << QVector<double>{1, 2.5, 3, 5} << with(DifferenceScale::Percentage)
        << prefix + "percentage differences divide by the mean of each pair, but 1 pair of B "
                    "and the Gold Standard have a mean of 0.";
    QTest::newRow("the same difference in every pair")
        << QVector<double>{1.1, 2.2, 3.3, 4.4} << QVector<double>{2.1, 3.2, 4.3, 5.4} << BlandAltmanOptions()
        << prefix + "the differences between B and the Gold Standard are the same in every pair, "
                    "so they have no spread to set limits with.";
    QTest::newRow("the same ratio in every pair")
        << x << QVector<double>{3, 6, 9, 12} << with(DifferenceScale::Ratio)
        << prefix + "the differences between B and the Gold Standard are the same in every pair, "
                    "so they have no spread to set limits with.";
    QTest::newRow("constant reference on the X axis")
        << QVector<double>{5, 5, 5, 5} << QVector<double>{4, 6, 5, 7}
        << with(DifferenceScale::Absolute, DifferenceAxis::Reference)
        << prefix + "the X axis values are the same in every pair, so the proportional bias of B "
                    "cannot be estimated.";
    QTest::newRow("readings too large")
        << QVector<double>{1e308, -1e308, 1, 2} << QVector<double>{-1e308, 1e308, 2, 3} << BlandAltmanOptions()
        << prefix + "B or the Gold Standard holds a reading too large to compute with.";
    BlandAltmanOptions coverage;
    coverage.coverage = 1.0;
    QTest::newRow("coverage 1") << x << QVector<double>{1, 3, 3, 5} << coverage
                                << "The coverage of the limits of agreement must lie strictly between 0 and 1, not 1.";
    BlandAltmanOptions alpha;
    alpha.alpha = std::nan("");
    QTest::newRow("alpha NaN") << x << QVector<double>{1, 3, 3, 5} << alpha
                               << "Alpha must lie strictly between 0 and 1, not nan.";
}

// No figure is invented: the message names the variable and the cause, and only n is set.
void tst_BlandAltman::problems()
{
    QFETCH(QVector<double>, x);
    QFETCH(QVector<double>, y);
    QFETCH(BlandAltmanOptions, options);
    QFETCH(QString, message);
    QString problem;
    const BlandAltmanFigures f = blandAltman(x, y, options, QStringLiteral("B"), &problem);
    QCOMPARE(problem, message);
    QCOMPARE(f.n, qint64(x.size()));
    QCOMPARE(f.bias, 0.0);
    QVERIFY(f.differences.isEmpty());
}

// A gap in either column drops that pair only.
void tst_BlandAltman::missingCellsDropPairwise()
{
    QString problem;
    const BlandAltmanFigures f = blandAltmanFigures(cells({1, missing, 3, 5, 9}), cells({1, 2, missing, 4, 8}),
                                                    BlandAltmanOptions(), QStringLiteral("B"), &problem);
    QVERIFY2(problem.isEmpty(), qPrintable(problem));
    QCOMPARE(f.n, qint64(3));
    QCOMPARE(f.differences, QVector<double>({0, 1, 1}));
    blandAltmanFigures(cells({1, missing, 3}), cells({1, 2, missing}), BlandAltmanOptions(),
                       QStringLiteral("B"), &problem);
    QVERIFY2(problem.contains("B has 1 complete pair with the Gold Standard"), qPrintable(problem));
}

// Data and options at the edges of what a double and the options allow: the analysis either
// gives finite figures or names a problem; nothing escapes as an exception. A fixed seed
// keeps the cases the same from run to run.
void tst_BlandAltman::extremeInputsNeverThrow()
{
    const double values[] = {0.0, -0.0, 1.0, -1.0, 1e-310, 5e-324, 1e-300, 1e300, -1e300,
                             1.7e308, -1.7e308, 3.0, 1e15, 1e15 + 1.0, 0.1};
    const double alphas[] = {1e-300, 1e-16, 0.05, 0.5, 0.999999};
    const double coverages[] = {1e-300, 0.5, 0.95, 0.999999999999};
    quint32 state = 20261207u;
    const auto next = [&state](quint32 range) {
        state = state * 1664525u + 1013904223u;
        return (state >> 8) % range;
    };
    const auto pick = [&](const auto &array) {
        return array[next(quint32(sizeof(array) / sizeof(array[0])))];
    };
    int analysed = 0;
    for (int round = 0; round < 3000; ++round) {
        const int n = int(next(5) == 0 ? next(3) : 3 + next(10));
        QVector<double> x;
        QVector<double> y;
        for (int i = 0; i < n; ++i) {
            x << (next(12) == 0 ? pick(values) : 1.0 + double(next(1000)) / 7.0);
            y << (next(12) == 0 ? pick(values) : x.last() * (1.0 + double(next(10)) / 100.0));
        }
        BlandAltmanOptions options;
        options.differences = DifferenceScale(next(3));
        options.axis = DifferenceAxis(next(2));
        options.limitInterval = LimitInterval(next(2));
        options.alpha = pick(alphas);
        options.coverage = pick(coverages);
        QString problem;
        BlandAltmanFigures f;
        try {
            f = blandAltman(x, y, options, QStringLiteral("B"), &problem);
        } catch (const std::exception &error) {
            QFAIL(qPrintable(QStringLiteral("round %1: %2").arg(round).arg(error.what())));
        }
        if (problem.isEmpty()) {
            ++analysed;
            QVERIFY2(std::isfinite(f.bias) && std::isfinite(f.sd) && f.sd > 0,
                     qPrintable(QStringLiteral("round %1").arg(round)));
            QVERIFY2(!std::isnan(f.loaUpperCiUpper) && !std::isnan(f.slopeP),
                     qPrintable(QStringLiteral("round %1").arg(round)));
        }
    }
    QVERIFY2(analysed > 900, qPrintable(QString::number(analysed)));
}

QTEST_MAIN(tst_BlandAltman)
#include "tst_blandaltman.moc"
