#include "descriptive.h"
#include "fuzzy.h"
#include "testdata.h"

#include <QtTest>

#include <cmath>

Q_DECLARE_METATYPE(QVector<double>)

namespace {

constexpr double tolerance = 1e-6;

// The 0.975 quantile of the standard normal distribution.
constexpr double z975 = 1.959963984540054;

} // namespace

// Mean and standard deviation with their 95 % intervals, checked against values worked out
// by hand from tabulated quantiles, against large-sample approximations, and through their
// behaviour under a change of units.
class tst_Descriptive : public QObject
{
    Q_OBJECT

private slots:
    void workedValues_data();
    void workedValues();
    void fewValues_data();
    void fewValues();
    void largeSampleApproximations();
    void changeOfUnits_data();
    void changeOfUnits();
    void cellsSkippedAndCounted();
    void document_data();
    void document();
};

// Each row: the values, the tabulated t(0.975, n-1), chi2(0.025, n-1) and chi2(0.975, n-1),
// and the figures worked out from them: mean -/+ t s / sqrt(n), s sqrt((n-1)/chi2).
void tst_Descriptive::workedValues_data()
{
    QTest::addColumn<QVector<double>>("values");
    QTest::addColumn<double>("mean");
    QTest::addColumn<double>("meanLower");
    QTest::addColumn<double>("meanUpper");
    QTest::addColumn<double>("sd");
    QTest::addColumn<double>("sdLower");
    QTest::addColumn<double>("sdUpper");

    // n = 8: mean 5, squares 32, s^2 = 32/7; t = 2.364624, chi2 = 1.689869 and 16.012764.
    QTest::newRow("eight values") << QVector<double>{2, 4, 4, 4, 5, 5, 7, 9} << 5.0
                                  << 3.2125120817637898 << 6.78748791823621 << 2.138089935299395
                                  << 1.4136497931656766 << 4.351594772892834;
    // n = 5: t = 2.776445, chi2 = 0.484419 and 11.143287.
    QTest::newRow("five readings") << QVector<double>{10.1, 12.3, 9.8, 15.2, 11.0} << 11.68
                                   << 8.95483744952248 << 14.40516255047752 << 2.194766502386985
                                   << 1.314957344071754 << 6.3067836484202635;
    // n = 2: s = sqrt(2), so the half width of the mean is t(0.975, 1) = 12.706205 itself.
    QTest::newRow("two values") << QVector<double>{1, 3} << 2.0 << -10.70620473617471
                                << 14.70620473617471 << std::sqrt(2.0) << 0.6309502281565684
                                << 45.12778012975306;
    QTest::newRow("constant values: no spread, a zero-width interval")
        << QVector<double>{4.2, 4.2, 4.2} << 4.2 << 4.2 << 4.2 << 0.0 << 0.0 << 0.0;
}

void tst_Descriptive::workedValues()
{
    QFETCH(QVector<double>, values);
    QFETCH(double, mean);
    QFETCH(double, meanLower);
    QFETCH(double, meanUpper);
    QFETCH(double, sd);
    QFETCH(double, sdLower);
    QFETCH(double, sdUpper);

    const stats::Interval m = stats::meanInterval(values);
    CONCORDA_FUZZY_COMPARE(m.estimate, mean, tolerance);
    CONCORDA_FUZZY_COMPARE(m.lower, meanLower, tolerance);
    CONCORDA_FUZZY_COMPARE(m.upper, meanUpper, tolerance);
    const stats::Interval s = stats::standardDeviationInterval(values);
    CONCORDA_FUZZY_COMPARE(s.estimate, sd, tolerance);
    CONCORDA_FUZZY_COMPARE(s.lower, sdLower, tolerance);
    CONCORDA_FUZZY_COMPARE(s.upper, sdUpper, tolerance);
}

// Without two values there is no spread to estimate: NaN, never a library error.
void tst_Descriptive::fewValues_data()
{
    QTest::addColumn<QVector<double>>("values");
    QTest::addColumn<double>("mean");

    QTest::newRow("no value") << QVector<double>() << missing;
    QTest::newRow("one value") << QVector<double>{7.5} << 7.5;
}

void tst_Descriptive::fewValues()
{
    QFETCH(QVector<double>, values);
    QFETCH(double, mean);

    const stats::Interval m = stats::meanInterval(values);
    CONCORDA_FUZZY_COMPARE(m.estimate, mean, 0);
    QVERIFY2(std::isnan(m.lower) && std::isnan(m.upper), qPrintable(QString::number(m.lower)));
    const stats::Interval s = stats::standardDeviationInterval(values);
    QVERIFY2(std::isnan(s.estimate) && std::isnan(s.lower) && std::isnan(s.upper),
             qPrintable(QString::number(s.estimate)));
}

// For n = 1000 the t quantile follows the Cornish-Fisher expansion z + (z^3 + z) / (4 df)
// and the chi-squared quantiles the Wilson-Hilferty approximation, both far closer than
// the tolerance used here.
void tst_Descriptive::largeSampleApproximations()
{
    QVector<double> values;
    for (int i = 0; i < 1000; ++i)
        values.append(std::sin(i) * 3 + 10);
    const double n = values.size();
    const double degrees = n - 1;
    double mean = 0;
    for (double value : values)
        mean += value / n;
    double squares = 0;
    for (double value : values)
        squares += (value - mean) * (value - mean);
    const double s = std::sqrt(squares / degrees);

    const double t = z975 + (z975 * z975 * z975 + z975) / (4 * degrees);
    const auto wilsonHilferty = [degrees](double z) {
        const double a = 2 / (9 * degrees);
        return degrees * std::pow(1 - a + z * std::sqrt(a), 3);
    };

    const stats::Interval m = stats::meanInterval(values);
    CONCORDA_FUZZY_COMPARE(m.estimate, mean, 1e-12);
    CONCORDA_FUZZY_COMPARE(m.upper - m.estimate, t * s / std::sqrt(n), 1e-5);
    CONCORDA_FUZZY_COMPARE(m.estimate - m.lower, t * s / std::sqrt(n), 1e-5);
    const stats::Interval sd = stats::standardDeviationInterval(values);
    CONCORDA_FUZZY_COMPARE(sd.estimate, s, 1e-12);
    CONCORDA_FUZZY_COMPARE(sd.lower, s * std::sqrt(degrees / wilsonHilferty(z975)), 1e-5);
    CONCORDA_FUZZY_COMPARE(sd.upper, s * std::sqrt(degrees / wilsonHilferty(-z975)), 1e-5);
}

// Readings in other units (y = a x + b) give the mean and its ends in those units, and
// the standard deviation and its ends times |a|.
void tst_Descriptive::changeOfUnits_data()
{
    QTest::addColumn<double>("a");
    QTest::addColumn<double>("b");

    QTest::newRow("mmol/L to mg/dL") << 18.016 << 0.0;
    QTest::newRow("shifted") << 1.0 << -250.0;
    QTest::newRow("reversed sign") << -0.5 << 3.0;
}

void tst_Descriptive::changeOfUnits()
{
    QFETCH(double, a);
    QFETCH(double, b);

    const QVector<double> x{6.9, 7.7, 7.7, 6.6, 7.5, 5.1, 9.2, 6.5, 11.5};
    QVector<double> y;
    for (double value : x)
        y.append(a * value + b);
    const stats::Interval mx = stats::meanInterval(x);
    const stats::Interval my = stats::meanInterval(y);
    CONCORDA_FUZZY_COMPARE(my.estimate, a * mx.estimate + b, 1e-12);
    CONCORDA_FUZZY_COMPARE(a > 0 ? my.lower : my.upper, a * mx.lower + b, 1e-12);
    CONCORDA_FUZZY_COMPARE(a > 0 ? my.upper : my.lower, a * mx.upper + b, 1e-12);
    const stats::Interval sx = stats::standardDeviationInterval(x);
    const stats::Interval sy = stats::standardDeviationInterval(y);
    CONCORDA_FUZZY_COMPARE(sy.estimate, std::fabs(a) * sx.estimate, 1e-12);
    CONCORDA_FUZZY_COMPARE(sy.lower, std::fabs(a) * sx.lower, 1e-12);
    CONCORDA_FUZZY_COMPARE(sy.upper, std::fabs(a) * sx.upper, 1e-12);
}

void tst_Descriptive::cellsSkippedAndCounted()
{
    const stats::DescriptiveFigures figures =
        stats::descriptiveFigures(cells({missing, 2, 4, missing, 4, 4, 5, 5, 7, 9, missing}));
    QCOMPARE(figures.n, qint64(8));
    QCOMPARE(figures.skipped, qint64(3));
    CONCORDA_FUZZY_COMPARE(figures.mean.estimate, 5.0, tolerance);
    CONCORDA_FUZZY_COMPARE(figures.mean.lower, 3.2125120817637898, tolerance);
    CONCORDA_FUZZY_COMPARE(figures.standardDeviation.upper, 4.351594772892834, tolerance);

    const stats::DescriptiveFigures none = stats::descriptiveFigures(cells({missing, missing}));
    QCOMPARE(none.n, qint64(0));
    QCOMPARE(none.skipped, qint64(2));
}

void tst_Descriptive::document_data()
{
    QTest::addColumn<int>("statistic");
    QTest::addColumn<QStringList>("rows");

    QTest::newRow("mean")
        << int(stats::Descriptive::Mean)
        << QStringList({"<th>Mean</th><th>95 % CI</th>",
                        "<tr><td><b>A&lt;1&gt; &amp; B</b></td><td>8</td><td>5</td>"
                        "<td>3.21251 to 6.78749</td><td>1</td></tr>",
                        "<tr><td><b>%1</b></td><td>1</td><td>7.5</td><td>nan to nan</td>"
                        "<td>0</td></tr>",
                        "Student's t"});
    QTest::newRow("standard deviation")
        << int(stats::Descriptive::StandardDeviation)
        << QStringList({"<th>SD</th><th>95 % CI</th>",
                        "<tr><td><b>A&lt;1&gt; &amp; B</b></td><td>8</td><td>2.13809</td>"
                        "<td>1.41365 to 4.35159</td><td>1</td></tr>",
                        "<tr><td><b>%1</b></td><td>1</td><td>nan</td><td>nan to nan</td>"
                        "<td>0</td></tr>",
                        "chi-squared"});
}

void tst_Descriptive::document()
{
    QFETCH(int, statistic);
    QFETCH(QStringList, rows);

    const QString html = stats::descriptiveDocument(
        stats::Descriptive(statistic), {"A<1> & B", "%1"},
        {cells({2, 4, 4, 4, 5, 5, 7, 9, missing}), cells({7.5})});
    QVERIFY(html.startsWith("<!DOCTYPE html>"));
    QVERIFY(html.endsWith("</html>"));
    for (const QString &row : rows)
        QVERIFY2(html.contains(row), qPrintable(html));
}

QTEST_GUILESS_MAIN(tst_Descriptive)
#include "tst_descriptive.moc"
