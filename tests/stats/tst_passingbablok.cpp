#include "passingbablok.h"

#include "passingbablokoracle.h"
#include "randompairs.h"

#include <QtTest>

#include <cmath>
#include <functional>

using namespace stats;

// Data of one shape, n points, from the generator.
using Shape = std::function<void(randompairs::Generator &, int n, QVector<double> &x,
                                 QVector<double> &y)>;
Q_DECLARE_METATYPE(Shape)

class tst_PassingBablok : public QObject
{
    Q_OBJECT

private slots:
    void sameFiguresAsDirect_data();
    void sameFiguresAsDirect();
    void stopsWhenAsked();
};

namespace {

// The value rounded to so many decimals; unrounded for places < 0.
double decimals(double value, int places)
{
    if (places < 0)
        return value;
    const double scale = std::pow(10.0, places);
    return std::round(value * scale) / scale;
}

// A line with noise; the slope's sign alternates with the generator.
void noisyLine(randompairs::Generator &g, int n, QVector<double> &x, QVector<double> &y,
               int places)
{
    const double slope = (g.uniform() < 0.5 ? -1 : 1) * (0.2 + 2 * g.uniform());
    const double noise = 0.01 + g.uniform();
    for (int i = 0; i < n; ++i) {
        const double truth = 10 * g.uniform();
        x << decimals(truth + noise * g.normal(), places);
        y << decimals(3 + slope * truth + noise * g.normal(), places);
    }
}

} // namespace

// The fast selection against the direct computation on many seeded data sets, mostly small
// (where the direct one is quick) and a few large; the shapes that stress the exact
// handling of ties and of slopes of -1 and 1. Every figure must be the same double.
void tst_PassingBablok::sameFiguresAsDirect_data()
{
    QTest::addColumn<Shape>("shape");
    QTest::addColumn<int>("sets");

    QTest::newRow("continuous")
        << Shape([](randompairs::Generator &g, int n, QVector<double> &x, QVector<double> &y) {
               noisyLine(g, n, x, y, -1);
           })
        << 800;
    QTest::newRow("two decimals") << Shape([](randompairs::Generator &g, int n, QVector<double> &x,
                                               QVector<double> &y) { noisyLine(g, n, x, y, 2); })
                                  << 800;
    QTest::newRow("integers, many ties")
        << Shape([](randompairs::Generator &g, int n, QVector<double> &x, QVector<double> &y) {
               const int range = 2 + g.below(12);
               const bool falling = g.uniform() < 0.3;
               for (int i = 0; i < n; ++i) {
                   const int value = g.below(range);
                   x << value;
                   y << (falling ? range - value : value) + g.below(3) - 1;
               }
           })
        << 800;
    QTest::newRow("repeated points")
        << Shape([](randompairs::Generator &g, int n, QVector<double> &x, QVector<double> &y) {
               QVector<double> px, py;
               noisyLine(g, 2 + g.below(8), px, py, 1);
               for (int i = 0; i < n; ++i) {
                   const int k = g.below(px.size());
                   x << px[k];
                   y << py[k];
               }
           })
        << 600;
    QTest::newRow("x ties")
        << Shape([](randompairs::Generator &g, int n, QVector<double> &x, QVector<double> &y) {
               noisyLine(g, n, x, y, 3);
               for (double &value : x)
                   value = std::round(value);
           })
        << 600;
    // Readings in tenths on lines of slope -1 and 1, so that decimal slopes of -1 and 1
    // compute to a few units in the last place from them, and some points between.
    QTest::newRow("slopes of -1 and 1")
        << Shape([](randompairs::Generator &g, int n, QVector<double> &x, QVector<double> &y) {
               const double sign = g.uniform() < 0.5 ? -1 : 1;
               for (int i = 0; i < n; ++i) {
                   const double value = decimals(20 * g.uniform(), 1);
                   const int line = g.below(3);
                   x << value;
                   y << (line == 2 ? decimals(20 * g.uniform(), 1)
                                   : decimals(line * 0.3 + 7.1 + sign * value, 1));
               }
           })
        << 600;
    QTest::newRow("signs mixed, sums near 0")
        << Shape([](randompairs::Generator &g, int n, QVector<double> &x, QVector<double> &y) {
               for (int i = 0; i < n; ++i) {
                   const double value = decimals(g.normal(), 2);
                   x << value;
                   y << decimals(-value + 0.01 * g.below(3) + 0.001 * g.normal(), 3);
               }
           })
        << 400;
    // Readings a few units in the last place apart: slopes decided by the last bits.
    QTest::newRow("last-bit differences")
        << Shape([](randompairs::Generator &g, int n, QVector<double> &x, QVector<double> &y) {
               const double base = 1 + g.uniform();
               for (int i = 0; i < n; ++i) {
                   x << base + g.below(16) * 0x1p-52;
                   y << base + (g.uniform() < 0.5 ? -1 : 1) * g.below(16) * 0x1p-52;
               }
           })
        << 400;
}

void tst_PassingBablok::sameFiguresAsDirect()
{
    QFETCH(Shape, shape);
    QFETCH(int, sets);
    for (int set = 0; set < sets; ++set) {
        randompairs::Generator g(0xba5e0000u + std::uint64_t(set));
        // Sizes spread evenly on a log scale from 3 to 400; one set in 200 of 1,000 to 3,000.
        const int n = set % 200 == 199 ? 1000 + 2000 * (set / 200 % 2)
                                       : int(3 * std::pow(400 / 3.0, g.uniform()));
        QVector<double> x;
        QVector<double> y;
        shape(g, n, x, y);
        const double z = set % 3 == 0 ? 1.959963984540054 : 2.5758293035489;
        const PassingBablokFit fast = passingBablokFit(x, y, z);
        const PassingBablokFit direct = oracle::passingBablokFit(x, y, z);
        const double figures[][2] = {{fast.line.slope, direct.line.slope},
                                     {fast.slopeLower, direct.slopeLower},
                                     {fast.slopeUpper, direct.slopeUpper},
                                     {fast.line.intercept, direct.line.intercept},
                                     {fast.interceptLower, direct.interceptLower},
                                     {fast.interceptUpper, direct.interceptUpper}};
        for (const auto &figure : figures) {
            if (!(figure[0] == figure[1]) && !(std::isnan(figure[0]) && std::isnan(figure[1])))
                QFAIL(qPrintable(QStringLiteral("set %1, n = %2: %3 instead of %4 (figure %5)")
                                     .arg(set)
                                     .arg(n)
                                     .arg(figure[0], 0, 'g', 17)
                                     .arg(figure[1], 0, 'g', 17)
                                     .arg(&figure - figures)));
        }
        QVERIFY(!fast.stopped);
    }
}

void tst_PassingBablok::stopsWhenAsked()
{
    randompairs::Generator g(7);
    QVector<double> x;
    QVector<double> y;
    noisyLine(g, 20000, x, y, 2);
    QVector<double> shares;
    const PassingBablokFit full = passingBablokFit(x, y, 1.96, [&shares](double done) {
        shares << done;
        return true;
    });
    QVERIFY(!full.stopped);
    QVERIFY(shares.size() >= 3);
    QVERIFY(std::is_sorted(shares.cbegin(), shares.cend()));
    QVERIFY2(shares.first() >= 0 && shares.last() <= 1, qPrintable(QString::number(shares.last())));

    int calls = 0;
    const PassingBablokFit stopped = passingBablokFit(x, y, 1.96, [&calls](double) {
        return ++calls < 2;
    });
    QVERIFY(stopped.stopped);
    QCOMPARE(calls, 2);
    QVERIFY(std::isnan(stopped.line.slope));
}

QTEST_GUILESS_MAIN(tst_PassingBablok)
#include "tst_passingbablok.moc"
