#include "regression.h"

#include "fuzzy.h"
#include "statstesthelpers.h"
#include "testdata.h"

#include <QtTest>

#include <boost/math/distributions/students_t.hpp>

#include <cmath>
#include <limits>
#include <random>
#include <stdexcept>

using namespace stats;

Q_DECLARE_METATYPE(stats::RegressionMethod)
Q_DECLARE_METATYPE(stats::RegressionOptions)

// The worked values below come from a short script written for these tests, independent
// of the code under test: the formulas as a statistician writes them, Passing-Bablok in
// exact rational arithmetic with a full sort of the slopes, a refit for every left-out
// pair, Student's t from its density. Python 3:
//
//   import itertools, math, statistics as st
//   from fractions import Fraction
//   def deming(x, y, lam):
//       mx, my = st.fmean(x), st.fmean(y)
//       u = sum((a-mx)**2 for a in x); q = sum((b-my)**2 for b in y)
//       p = sum((a-mx)*(b-my) for a, b in zip(x, y))
//       b = ((lam*q-u) + math.sqrt((u-lam*q)**2 + 4*lam*p*p)) / (2*lam*p)
//       return my-b*mx, b, 0
//   def weighted(x, y, lam, scale):  # scale: the largest |reading| of the full sample
//       a, b, _ = deming(x, y, lam)
//       for rounds in range(1, 31):
//           d = [yi-a-b*xi for xi, yi in zip(x, y)]
//           xh = [xi+lam*b*di/(1+lam*b*b) for xi, di in zip(x, d)]
//           yh = [yi-di/(1+lam*b*b) for yi, di in zip(y, d)]
//           w = [((p+lam*q)/(1+lam))**-2 for p, q in zip(xh, yh)]
//           mx = sum(c*v for c, v in zip(w, x))/sum(w); my = sum(c*v for c, v in zip(w, y))/sum(w)
//           u = sum(c*(v-mx)**2 for c, v in zip(w, x)); q = sum(c*(v-my)**2 for c, v in zip(w, y))
//           p = sum(c*(v-mx)*(t-my) for c, v, t in zip(w, x, y))
//           b2 = ((lam*q-u) + math.sqrt((u-lam*q)**2 + 4*lam*p*p)) / (2*lam*p)
//           done = abs(b2-b) < 1e-6 and abs(my-b2*mx-a) < 1e-6*scale
//           a, b = my-b2*mx, b2
//           if done: break
//       return a, b, rounds
//   def tquantile(df, p):  # upper p-quantile: bisection on 1/2 + Simpson's integral of the pdf
//       c = math.exp(math.lgamma((df+1)/2)-math.lgamma(df/2))/math.sqrt(df*math.pi)
//       f = lambda t: c*(1+t*t/df)**(-(df+1)/2)
//       simpson = lambda t, m: t/m/3*(f(0)+f(t)+sum((2+2*(i % 2))*f(i*t/m) for i in range(1, m)))
//       cdf = lambda t: 0.5+simpson(t, 4000)
//       lo, hi = 0.0, 50.0
//       for _ in range(60):
//           mid = (lo+hi)/2
//           lo, hi = (mid, hi) if cdf(mid) < 1-p else (lo, mid)
//       return lo
//   def jackknife(x, y, fit, levels, alpha=0.05):  # [(estimate, lower, upper)] of b, a, bias; rounds
//       n = len(x); a, b, rounds = fit(x, y); t = tquantile(n-2, alpha/2)
//       left = [fit(x[:i]+x[i+1:], y[:i]+y[i+1:]) for i in range(n)]
//       out = []
//       estimates = [(b, lambda ai, bi: bi), (a, lambda ai, bi: ai)]
//       estimates += [(a+(b-1)*c, lambda ai, bi, c=c: ai+(bi-1)*c) for c in levels]
//       for e, of in estimates:
//           se = st.stdev([n*e-(n-1)*of(ai, bi) for ai, bi, _ in left])/math.sqrt(n)
//           out.append((e, e-t*se, e+t*se))
//       return out, rounds
//   def passing_bablok(x, y, alpha=0.05):  # exact: x, y are Fractions of the decimal readings
//       n = len(x); pairs = [(i, j) for i in range(n) for j in range(i+1, n)]
//       sign = lambda i, j: (x[j]-x[i])*(y[j]-y[i])
//       tau = sum(sign(i, j) > 0 for i, j in pairs)-sum(sign(i, j) < 0 for i, j in pairs)
//       S = sorted((y[j]-y[i])/(x[j]-x[i]) if x[j] != x[i] else math.inf if tau >= 0 else -math.inf
//                  for i, j in pairs if (x[i], y[i]) != (x[j], y[j]))
//       N = len(S)
//       if tau >= 0: k = sum(s <= -1 for s in S)+sum(s < -1 for s in S)
//       else: k = -(sum(s >= 1 for s in S)+sum(s > 1 for s in S))
//       rank = lambda r: -math.inf if r < 1 else math.inf if r > N else S[r-1]
//       med = lambda m: rank((m+1)//2) if m % 2 else (rank(m//2)+rank(m//2+1))/2
//       C = round(st.NormalDist().inv_cdf(1-alpha/2)*math.sqrt(n*(n-1)*(2*n+5)/18))
//       b, bl, bu = med(N+k), med(N-C+k), med(N+C+k)
//       intercept = lambda slope: st.median([v-slope*u for u, v in zip(x, y)])
//       a, al, au = intercept(b), intercept(bu), intercept(bl)
//       r = [v-a-b*u for u, v in zip(x, y)]; l, L = sum(v > 0 for v in r), sum(v < 0 for v in r)
//       score = [math.sqrt(L/l) if v > 0 else -math.sqrt(l/L) if v < 0 else 0 for v in r]
//       # Order by (y + x/b - a)/sqrt(1 + 1/b^2), whose denominator is common and positive;
//       # points at the same place enter the sum together.
//       place = lambda i: y[i]+x[i]/b-a
//       cusum = H = 0
//       for _, group in itertools.groupby(sorted(range(n), key=place), key=place):
//           cusum += sum(score[i] for i in group); H = max(H, abs(cusum))
//       return b, bl, bu, a, al, au, H/math.sqrt(L+1), math.sqrt(-math.log(alpha/2)/2)
//
// Each row's figures are its output, printed with '%.15g', for the row's data:
// passing_bablok(exact(x), exact(y), alpha) with exact = lambda v: [Fraction(str(u)) for u
// in v]; jackknife(x, y, lambda u, v: deming(u, v, lam), levels); jackknife(x, y, lambda u,
// v: weighted(u, v, lam, max(map(abs, x + y))), levels).
class tst_Regression : public QObject
{
    Q_OBJECT

private slots:
    void passingBablok_data();
    void passingBablok();
    void deming_data();
    void deming();
    void exactLine_data();
    void exactLine();
    void swappedAxes_data();
    void swappedAxes();
    void scaleInvariance_data();
    void scaleInvariance();
    void jackknifeMatchesRefits_data();
    void jackknifeMatchesRefits();
    void intervalsThatCannotBeFormed();
    void weightedDemingThatDoesNotSettle();
    void problems_data();
    void problems();
    void commandLineOptionNames_data();
    void commandLineOptionNames();
    void incompletePairsDropped();
    void anyComputableInputGivesFiniteFigures();
};

struct Pairs
{
    QVector<double> x;
    QVector<double> y;
};
Q_DECLARE_METATYPE(Pairs)

namespace {

constexpr double infinity = std::numeric_limits<double>::infinity();
constexpr double notANumber = std::numeric_limits<double>::quiet_NaN();

Pairs tenRows()
{
    return {workedReference(), workedCompared()};
}

// Falling readings; two share the reference value 3.
Pairs negative()
{
    return {{1, 2, 3, 3, 5, 6, 7, 8}, {20, 17.5, 18.1, 14, 12.6, 13.9, 9, 8.2}};
}

// Ten slopes: the median is the mean of the fifth and sixth.
Pairs evenCount()
{
    return {{1, 2, 3, 4, 5}, {1.2, 1.9, 3.4, 3.9, 5.3}};
}

// Three readings share the reference value 2 and two share 5, in both orders of y.
Pairs tiedReference()
{
    return {{1, 2, 2, 2, 3, 4, 5, 5, 6, 7}, {1.2, 2.6, 1.7, 1.9, 3.1, 4.4, 5.6, 4.6, 6.3, 6.9}};
}

// The second and third points have a slope of exactly -1.
Pairs slopeMinusOne()
{
    return {{1, 2, 3, 4, 5, 6}, {1, 2.5, 1.5, 4, 5.5, 5}};
}

// y = x + (x - 15)^2 / 20 for x = 1..30: a curve above its chord at both ends.
Pairs bending()
{
    Pairs pairs;
    for (int i = 1; i <= 30; ++i) {
        pairs.x.append(i);
        pairs.y.append(i + (i - 15) * (i - 15) / 20.0);
    }
    return pairs;
}

// The public hemoglobin study: 299 samples, HemoCue twice and Sigma twice (mg/dL), as
// "HEMOCUE1,HEMOCUE2,SIGMA1,SIGMA2" rows; the reference is the Sigma mean, the compared
// method the HemoCue mean.
Pairs hemoglobin()
{
    const char *rows =
    "1340,1330,1096.5,1122 100,100,129.9,130.8 80,80,86.1,84.3 1340,1340,1387.2,1473.9 "
    "530,550,518.5,520.2 240,240,195,207.5 60,60,93.5,92.5 70,80,88.8,77.1 50,50,56.1,54.9 "
    "1720,1770,1640.9,1665.3 460,460,441.1,443.3 130,140,177.3,177.6 50,50,86.8,83.8 "
    "60,60,51.2,51.8 100,100,78,79.2 1610,1600,1504.5,1443.3 150,140,94.5,90.9 "
    "1380,1380,1417.8,1320.9 520,510,498,501 1430,1420,1250,1310 330,330,353,341 "
    "90,90,85.5,85.5 90,90,79.5,78.6 1920,1950,1705,1660 70,60,85,91.5 880,990,900,910 "
    "1490,1490,1590,1575 330,320,455,467.5 180,180,257.5,257.5 50,50,89.4,90 70,70,58.2,59.2 "
    "1550,1560,1610,1735 80,80,59.8,59.9 90,90,69.8,70.8 70,70,61.5,61 1560,1560,1495,1610 "
    "710,720,692,742 190,190,196,212.5 100,100,90,88.6 720,720,650,698 710,710,712,694 "
    "80,80,57.8,57.7 50,50,54.9,53.9 60,60,66.2,65.6 1610,1600,1535,1595 200,200,171,165 "
    "90,90,70.4,81.2 160,160,56.8,55 50,50,50.2,51.4 1040,1040,1075,1090 1250,1250,1230,1235 "
    "150,150,132,132.3 1530,1530,1367.5,1390 440,440,470,487.5 1680,1740,1720,1760 "
    "500,500,470,482 50,50,72,68.2 1170,1180,1430,1415 330,330,350,356 60,60,56.2,54 "
    "90,90,77.6,78.2 310,310,250,249 90,90,87.4,90.2 360,360,359,350 1120,1120,1086,1113 "
    "1200,1210,1150,1140 210,210,212,211.5 60,60,51.6,51.6 1450,1450,1277.5,1235 "
    "100,100,129,141 320,310,292,303 1430,1430,1570,1630 90,90,64.8,65.8 210,220,187,185.5 "
    "1770,1770,1615,1740 600,600,585,595 360,350,392,406 70,70,108.6,111 130,130,108,110.5 "
    "680,680,560,596 110,110,66.8,69 360,360,452,420 70,70,119.2,118 70,70,51.6,51.1 "
    "270,270,245,257.5 80,80,65,62.4 70,70,72.3,74.7 210,200,76.4,79 50,50,52.6,55.6 "
    "1200,1220,1308,1376 1070,1080,1086,1134 400,400,421,437 120,120,169.5,165.5 "
    "80,90,130,130.5 790,790,775,772.5 680,680,727.5,677.5 80,80,89.4,89.4 850,850,920,927.5 "
    "270,270,349.5,349.5 80,80,73.2,74 910,910,940,880 650,700,736,692 90,80,124.2,114.8 "
    "900,890,842,904 130,140,175,183.5 80,80,146,153 1840,1830,1880,1850 430,430,398,419 "
    "80,90,127.5,135.5 90,100,103.5,109.5 160,160,146.7,147.6 500,500,482,496 "
    "60,60,106.6,106.2 200,200,198.5,211.5 130,130,115.5,117.5 110,110,97.5,98.1 "
    "90,90,138.5,145 910,910,852,894 770,770,785,790 800,810,789,828 50,50,61.2,59.4 "
    "620,610,632,610 210,210,232.5,230 190,190,169.5,176 90,90,51,52.8 140,140,64,64.2 "
    "110,110,50,50.5 1440,1420,1630,1470 1150,1130,1130,1090 810,820,850,875 400,400,460,486 "
    "110,120,170.1,169.5 1510,1520,1530,1460 1030,1010,1005,1125 370,370,330,340 "
    "150,150,141,154.5 800,800,720,752 580,580,566,582 220,240,261,269 90,90,100.8,94.5 "
    "530,530,725.7,705.2 470,470,475,486.4 200,210,237.6,234.3 100,100,102.2,98.7 "
    "1080,1080,1141,1113 50,50,54,52.2 570,570,585,580 360,370,352,364 240,240,230,226 "
    "50,60,75,76 1660,1740,1521,1557 50,60,52.3,53.6 1190,1150,1017,1066.5 70,80,74.2,75.6 "
    "1640,1660,1764,1822.5 880,820,738,760.5 670,670,609,621 270,280,286,283 80,70,68.2,66.4 "
    "1380,1380,1427.4,1488.4 670,670,675,665 440,430,466.2,474.6 140,140,173.6,175.7 "
    "90,80,87.5,86 1510,1380,1647,1628.7 860,870,843.2,830.8 90,90,75.6,78.8 "
    "160,160,150.5,149.5 230,240,234,231 520,510,439,466 1000,1010,958,886 450,450,393,399 "
    "300,270,292,305 150,150,164,180 280,280,207.5,213 80,80,65.6,66.2 820,790,648,666 "
    "510,520,465,472.5 130,130,123,130.5 1610,1610,1795,1855 70,70,68.6,69.2 50,50,52.7,53.6 "
    "1420,1440,1540,1425 330,330,366,342 90,90,120,123.6 100,100,104.6,105.8 80,70,83.4,87.3 "
    "50,60,72,67.2 1180,1230,1380,1330 80,70,73.5,73.2 1180,1160,1170,1200 460,460,455,432.5 "
    "190,190,194,212 1150,1150,1116,1111.5 530,520,530,550 450,450,459.9,474.6 "
    "200,200,254.1,237.6 1380,1300,1468.8,1448.4 320,320,296.4,314.6 170,180,175.7,173.6 "
    "1250,1250,1224,1206 580,580,543.9,556.5 430,430,432.6,420 180,180,222.2,205.7 "
    "1040,1040,1071,1080 420,420,427,427 870,870,855,835 1260,1230,1145,1165 840,840,850,810 "
    "320,320,334,326 70,70,130.5,129 70,60,68,72 1410,1440,1455,1510 450,450,714,819 "
    "360,360,504,490 950,940,837,879 80,80,72,73.6 1120,1170,1024,1100 450,460,420,438 "
    "150,150,151,160 740,750,700,722 880,880,842,894 540,540,546,552 230,230,253.5,246.5 "
    "1180,1180,1070,1108 1500,1510,1165,1165 760,760,750,770 130,130,138.5,137.5 "
    "1060,1080,1465,1450 770,770,875,875 360,380,317,331 450,460,384,422 50,50,58.2,59.5 "
    "230,230,248,236 460,460,231,218 360,370,358,346 640,640,630,625 110,110,135,141.5 "
    "1590,1590,1445,1460 500,510,318,321 810,810,705,725 80,90,114.5,112.5 580,580,580,602.5 "
    "60,60,72.8,72 130,130,161,173 420,420,438,450 340,340,360,382 230,220,280,269 "
    "400,400,290,288 140,130,138,139 390,380,430,429 50,70,101.2,111.8 570,560,588,594 "
    "530,540,564,582 410,420,420,429.6 60,60,87.6,87 460,460,462,487.2 50,50,103.2,99.2 "
    "330,340,361,370 690,690,686,706 120,120,156.5,161.5 90,90,111.2,114.8 790,790,765,775 "
    "570,520,590,585 130,140,150,151.5 1430,1400,1590,1505 420,420,465,480 670,680,722,686 "
    "80,80,142.5,138.5 300,300,328,334 210,220,348,274 130,120,137,130 340,340,353,369 "
    "450,450,480,486 130,130,170.5,179 850,870,843,921 240,250,289,314 430,430,439,472 "
    "50,50,96.8,98.8 50,60,51.2,52.8 360,380,372,387 400,400,538,572 110,120,175.5,183.5 "
    "980,970,976,962 200,280,304.5,315 50,50,74.8,75.6 480,470,507,521 100,90,153.5,156.5 "
    "160,160,169.5,173 80,80,59.6,56.8 760,770,830,860 590,500,190.5,189.5 700,710,414,420 "
    "130,130,247,242.5 230,230,300,274 50,50,60.4,62.4 500,500,557.5,537.5 500,500,502.5,505 "
    "60,60,119,123.5 ";
    Pairs pairs;
    const QStringList samples =
        QString::fromLatin1(rows).split(QLatin1Char(' '), Qt::SkipEmptyParts);
    for (const QString &sample : samples) {
        const QStringList r = sample.split(QLatin1Char(','));
        pairs.x.append((r[2].toDouble() + r[3].toDouble()) / 2);
        pairs.y.append((r[0].toDouble() + r[1].toDouble()) / 2);
    }
    return pairs;
}

RegressionOptions options(RegressionMethod method, double lambda = 1,
                          const QVector<double> &levels = {}, double alpha = 0.05)
{
    RegressionOptions o;
    o.method = method;
    o.errorRatio = lambda;
    o.decisionLevels = levels;
    o.alpha = alpha;
    return o;
}

QVector<QVariant> numberCells(const QVector<double> &values)
{
    QVector<QVariant> column;
    for (double value : values)
        column << (std::isnan(value) ? QVariant() : QVariant(value));
    return column;
}

QVector<double> scaled(QVector<double> values, double factor)
{
    for (double &value : values)
        value *= factor;
    return values;
}

QVector<double> withoutRow(QVector<double> values, int row)
{
    values.removeAt(row);
    return values;
}

} // namespace

void tst_Regression::passingBablok_data()
{
    QTest::addColumn<Pairs>("pairs");
    QTest::addColumn<double>("alpha");
    // slope, its limits, intercept, its limits, H
    QTest::addColumn<QVector<double>>("expected");
    QTest::addColumn<bool>("linear");

    QTest::newRow("ten rows") << tenRows() << 0.05
                              << QVector<double>{1, 0.722222222222222, 1.075, 0.7, -0.2575,
                                                 3.50555555555556, 0.645497224367903}
                              << true;
    QTest::newRow("ten rows, alpha 0.1")
        << tenRows() << 0.1
        << QVector<double>{1, 0.777777777777778, 1.04761904761905, 0.7, 0.0738095238095238,
                           2.89444444444444, 0.645497224367903}
        << true;
    // tau < 0: the shift counts the slopes at or above 1, and equal x gives -inf.
    QTest::newRow("negative") << negative() << 0.05
                              << QVector<double>{-1.69285714285714, -2.8, -1.055, 21.3785714285714,
                                                 18.7425, 26.55, 0.894427190999916}
                              << true;
    QTest::newRow("even count") << evenCount() << 0.05
                                << QVector<double>{1.0125, 0.6, 1.45, 0.1875, -1, 1.5,
                                                   0.577350269189626}
                                << true;
    QTest::newRow("tied reference") << tiedReference() << 0.05
                                    << QVector<double>{1.02, 0.86, 1.25, 0.11, -0.65, 0.7,
                                                       0.408248290463863}
                                    << true;
    QTest::newRow("slope of -1") << slopeMinusOne() << 0.05
                                 << QVector<double>{1, 0.375, 1.75, 0, -3.125, 2.125,
                                                    0.577350269189626}
                                 << true;
    QTest::newRow("bending") << bending() << 0.05
                             << QVector<double>{1.05, 0.85, 1.25, 2.05, -1.25, 4.95,
                                                1.80739222823013}
                             << false;
    QTest::newRow("hemoglobin")
        << hemoglobin() << 0.05
        << QVector<double>{1.00605723038362, 0.988671472708548, 1.02252916722543,
                           -6.44189932465362, -12.2728644226901, -3.48712667353244, 1.796292478041}
        << false;
}

void tst_Regression::passingBablok()
{
    QFETCH(Pairs, pairs);
    QFETCH(double, alpha);
    QFETCH(QVector<double>, expected);
    QFETCH(bool, linear);

    const double level = 12;
    const RegressionOptions o = options(RegressionMethod::PassingBablok, 1, {level}, alpha);
    QCOMPARE(regressionProblem(pairs.x, pairs.y, o, "POC1"), QString());
    const RegressionFigures f = regression(pairs.x, pairs.y, o);
    QCOMPARE(f.n, qint64(pairs.x.size()));
    CONCORDA_FUZZY_COMPARE(f.slope, expected[0], 1e-12);
    CONCORDA_FUZZY_COMPARE(f.slopeLower, expected[1], 1e-12);
    CONCORDA_FUZZY_COMPARE(f.slopeUpper, expected[2], 1e-12);
    CONCORDA_FUZZY_COMPARE(f.intercept, expected[3], 1e-12);
    CONCORDA_FUZZY_COMPARE(f.interceptLower, expected[4], 1e-12);
    CONCORDA_FUZZY_COMPARE(f.interceptUpper, expected[5], 1e-12);
    CONCORDA_FUZZY_COMPARE(f.cusumH, expected[6], 1e-12);
    // sqrt(-ln(alpha / 2) / 2): 1.35810151574062 at 0.05, 1.22387341534041 at 0.1.
    CONCORDA_FUZZY_COMPARE(f.cusumCritical, std::sqrt(-std::log(alpha / 2) / 2), 1e-15);
    QCOMPARE(f.linear, linear);
    QVERIFY2(std::isnan(f.errorRatio), qPrintable(QString::number(f.errorRatio)));
    QCOMPARE(f.biasAt.size(), 1);
    QCOMPARE(f.biasAt[0].level, level);
    CONCORDA_FUZZY_COMPARE(f.biasAt[0].bias, expected[3] + (expected[0] - 1) * level, 1e-11);
    QVERIFY2(std::isnan(f.biasAt[0].lower), qPrintable(QString::number(f.biasAt[0].lower)));
    QVERIFY2(std::isnan(f.biasAt[0].upper), qPrintable(QString::number(f.biasAt[0].upper)));
}

void tst_Regression::deming_data()
{
    QTest::addColumn<Pairs>("pairs");
    QTest::addColumn<RegressionMethod>("method");
    QTest::addColumn<double>("lambda");
    QTest::addColumn<QVector<double>>("levels");
    QTest::addColumn<int>("rounds");
    // slope, its limits, intercept, its limits, then bias and its limits per level
    QTest::addColumn<QVector<double>>("expected");

    const auto deming = RegressionMethod::Deming;
    const auto weighted = RegressionMethod::WeightedDeming;
    QTest::newRow("ten rows, lambda 1")
        << tenRows() << deming << 1.0 << QVector<double>{10} << 0
        << QVector<double>{0.968484408724783, 0.788156537134292, 1.14881228031527,
                           0.830938509309304, -1.10785939723515, 2.76973641585376,
                           0.515782596557134, 0.213072384875504, 0.818492808238765};
    // A flipped ratio (lambda 1/2) or a ratio left at 1 gives other figures.
    QTest::newRow("ten rows, lambda 2")
        << tenRows() << deming << 2.0 << QVector<double>{10} << 0
        << QVector<double>{0.976472712808604, 0.802070618501882, 1.15087480711533,
                           0.736916170242734, -1.15852408345155, 2.63235642393702,
                           0.501643298328773, 0.180346104508029, 0.822940492149516};
    QTest::newRow("ten rows, weighted, lambda 1")
        << tenRows() << weighted << 1.0 << QVector<double>{10} << 3
        << QVector<double>{0.936867257651194, 0.765904368307225, 1.10783014699516,
                           1.19877287391591, -0.54413739072876, 2.94168313856058,
                           0.567445450427855, 0.362152319171912, 0.772738581683797};
    QTest::newRow("ten rows, weighted, lambda 2")
        << tenRows() << weighted << 2.0 << QVector<double>{10} << 3
        << QVector<double>{0.943447697776116, 0.774742032696959, 1.11215336285527,
                           1.1211665451787, -0.611596541574881, 2.85392963193228,
                           0.555643522939857, 0.332607753322733, 0.778679292556981};
    QTest::newRow("negative, lambda 1")
        << negative() << deming << 1.0 << QVector<double>{10} << 0
        << QVector<double>{-1.74788888063406, -2.0846060276945, -1.41117173357363,
                           21.809513852774, 19.6473708538292, 23.9716568517188,
                           -5.66937495356661, -7.87952717424135, -3.45922273289187};
    QTest::newRow("negative, lambda 2")
        << negative() << deming << 2.0 << QVector<double>{10} << 0
        << QVector<double>{-1.77380870659004, -2.12035262717424, -1.42726478600584,
                           21.9229130913314, 19.7185654971296, 24.1272606855332,
                           -5.81517397456896, -8.07619304604552, -3.5541549030924};
    QTest::newRow("negative, weighted, lambda 1")
        << negative() << weighted << 1.0 << QVector<double>{10} << 3
        << QVector<double>{-1.74366958440533, -2.09745537142585, -1.38988379738481,
                           21.7906397829226, 19.3598705448286, 24.2214090210165,
                           -5.64605606113076, -7.64724802721189, -3.64486409504963};
    QTest::newRow("negative, weighted, lambda 2")
        << negative() << weighted << 2.0 << QVector<double>{10} << 3
        << QVector<double>{-1.76100458604131, -2.16315209874052, -1.35885707334211,
                           21.8642889266003, 19.1281845732192, 24.6003932799814,
                           -5.74575693381284, -7.80264200637173, -3.68887186125394};
    QTest::newRow("hemoglobin, lambda 1")
        << hemoglobin() << deming << 1.0 << QVector<double>{10, 1000} << 0
        << QVector<double>{1.00489395509266, 0.976575707615454, 1.03321220256986,
                           -6.5940845967869, -17.0904472701448, 3.90227807657096,
                           -6.54514504586033, -16.8244025027125, 3.73411241099181,
                           -1.70012950413012, -22.9845836316851, 19.5843246234248};
    QTest::newRow("hemoglobin, lambda 2")
        << hemoglobin() << deming << 2.0 << QVector<double>{10, 1000} << 0
        << QVector<double>{1.0094242490666, 0.981067781784566, 1.03778071634864,
                           -8.83194072922532, -19.2553705927981, 1.59148913434741,
                           -8.73769823855929, -18.943877841807, 1.46848136468846,
                           0.592308337377673, -20.7739602129316, 21.958576887687};
    QTest::newRow("hemoglobin, weighted, lambda 1")
        << hemoglobin() << weighted << 1.0 << QVector<double>{10, 1000} << 4
        << QVector<double>{0.991957017050871, 0.965208415392947, 1.01870561870879,
                           -4.41486919640961, -9.43261279676621, 0.602874403946988,
                           -4.4952990259009, -9.37110853939872, 0.380510487596909,
                           -12.4578521455388, -36.811236343352, 11.8955320522744};
    QTest::newRow("hemoglobin, weighted, lambda 2")
        << hemoglobin() << weighted << 2.0 << QVector<double>{10, 1000} << 3
        << QVector<double>{1.00330789766557, 0.976175087399117, 1.03044070793203,
                           -8.0378086917426, -13.2473569199972, -2.82826046348799,
                           -8.00472971508685, -13.060406985682, -2.94905244449171,
                           -4.72991102616766, -29.1842538707162, 19.7244318183809};
}

void tst_Regression::deming()
{
    QFETCH(Pairs, pairs);
    QFETCH(RegressionMethod, method);
    QFETCH(double, lambda);
    QFETCH(QVector<double>, levels);
    QFETCH(int, rounds);
    QFETCH(QVector<double>, expected);

    const RegressionOptions o = options(method, lambda, levels);
    QCOMPARE(regressionProblem(pairs.x, pairs.y, o, "POC1"), QString());
    const RegressionFigures f = regression(pairs.x, pairs.y, o);
    // The script prints 15 digits; the jackknife limits lose a few more to t.
    const double tolerance = 1e-11;
    CONCORDA_FUZZY_COMPARE(f.slope, expected[0], tolerance);
    CONCORDA_FUZZY_COMPARE(f.slopeLower, expected[1], tolerance);
    CONCORDA_FUZZY_COMPARE(f.slopeUpper, expected[2], tolerance);
    CONCORDA_FUZZY_COMPARE(f.intercept, expected[3], tolerance);
    CONCORDA_FUZZY_COMPARE(f.interceptLower, expected[4], tolerance);
    CONCORDA_FUZZY_COMPARE(f.interceptUpper, expected[5], tolerance);
    QCOMPARE(f.biasAt.size(), levels.size());
    for (int i = 0; i < levels.size(); ++i) {
        QCOMPARE(f.biasAt[i].level, levels[i]);
        CONCORDA_FUZZY_COMPARE(f.biasAt[i].bias, expected[6 + 3 * i], tolerance);
        CONCORDA_FUZZY_COMPARE(f.biasAt[i].lower, expected[7 + 3 * i], tolerance);
        CONCORDA_FUZZY_COMPARE(f.biasAt[i].upper, expected[8 + 3 * i], tolerance);
    }
    QCOMPARE(f.errorRatio, lambda);
    QCOMPARE(f.iterations, rounds);
    QVERIFY(f.converged);
    QVERIFY2(std::isnan(f.cusumH), qPrintable(QString::number(f.cusumH)));
    QVERIFY(!f.linear);
}

void tst_Regression::exactLine_data()
{
    QTest::addColumn<RegressionMethod>("method");
    QTest::addColumn<double>("slope");
    QTest::addColumn<double>("intercept");

    const struct
    {
        const char *name;
        double slope;
        double intercept;
    } lines[] = {{"y = 2x + 1", 2, 1}, {"y = 0.5x - 3", 0.5, -3}, {"y = 40 - 2x", -2, 40},
                 {"y = x", 1, 0}, {"y = 1.1x + 0.3", 1.1, 0.3}};
    const struct
    {
        const char *name;
        RegressionMethod method;
    } methods[] = {{"Passing-Bablok", RegressionMethod::PassingBablok},
                   {"Deming", RegressionMethod::Deming},
                   {"weighted Deming", RegressionMethod::WeightedDeming}};
    for (const auto &method : methods) {
        for (const auto &line : lines)
            QTest::addRow("%s, %s", method.name, line.name)
                << method.method << line.slope << line.intercept;
    }
}

// Points on a line: every method returns the line, its limits collapse onto it, the
// cusum finds every point on the line.
void tst_Regression::exactLine()
{
    QFETCH(RegressionMethod, method);
    QFETCH(double, slope);
    QFETCH(double, intercept);

    const QVector<double> x{1, 2.5, 3, 4.25, 7, 8, 10.5, 12, 15};
    QVector<double> y;
    for (double value : x)
        y.append(intercept + slope * value);
    const double level = 6;
    const RegressionOptions o = options(method, 1.5, {level});
    QCOMPARE(regressionProblem(x, y, o, "POC1"), QString());
    const RegressionFigures f = regression(x, y, o);
    const double tolerance = 1e-12;
    CONCORDA_FUZZY_COMPARE(f.slope, slope, tolerance);
    CONCORDA_FUZZY_COMPARE(f.intercept, intercept, tolerance);
    CONCORDA_FUZZY_COMPARE(f.biasAt[0].bias, intercept + (slope - 1) * level, tolerance);
    if (method == RegressionMethod::PassingBablok) {
        QCOMPARE(f.cusumH, 0.0);
        QVERIFY(f.linear);
    }
    // Too few points to bound a Passing-Bablok interval would show as infinite limits.
    CONCORDA_FUZZY_COMPARE(f.slopeLower, slope, tolerance);
    CONCORDA_FUZZY_COMPARE(f.slopeUpper, slope, tolerance);
    QVERIFY(std::fabs(f.interceptLower - intercept) <= 1e-11 * (std::fabs(intercept) + 1));
    QVERIFY(std::fabs(f.interceptUpper - intercept) <= 1e-11 * (std::fabs(intercept) + 1));
    if (method == RegressionMethod::WeightedDeming)
        QCOMPARE(f.iterations, 1);
}

void tst_Regression::swappedAxes_data()
{
    QTest::addColumn<Pairs>("pairs");
    QTest::addColumn<RegressionMethod>("method");
    QTest::addColumn<double>("lambda");

    const auto passingBablok = RegressionMethod::PassingBablok;
    const auto deming = RegressionMethod::Deming;
    const auto weighted = RegressionMethod::WeightedDeming;
    // Passing-Bablok inverts exactly where the shifted median is a single slope and no two
    // reference values are equal (equal x turn into equal y, a slope of 0, not of inf).
    QTest::newRow("Passing-Bablok, ten rows") << tenRows() << passingBablok << 1.0;
    QTest::newRow("Passing-Bablok, slope of -1") << slopeMinusOne() << passingBablok << 1.0;
    QTest::newRow("Passing-Bablok, bending") << bending() << passingBablok << 1.0;
    QTest::newRow("Passing-Bablok, hemoglobin") << hemoglobin() << passingBablok << 1.0;
    for (double lambda : {1.0, 2.0, 0.25}) {
        QTest::addRow("Deming, ten rows, lambda %g", lambda) << tenRows() << deming << lambda;
        QTest::addRow("Deming, negative, lambda %g", lambda) << negative() << deming << lambda;
        QTest::addRow("Deming, hemoglobin, lambda %g", lambda) << hemoglobin() << deming << lambda;
        QTest::addRow("weighted Deming, ten rows, lambda %g", lambda)
            << tenRows() << weighted << lambda;
        QTest::addRow("weighted Deming, hemoglobin, lambda %g", lambda)
            << hemoglobin() << weighted << lambda;
    }
}

// Regressing x on y with the error ratio inverted is the same line: slope 1/b and
// intercept -a/b. A fit that used lambda the wrong way round breaks this for lambda != 1.
void tst_Regression::swappedAxes()
{
    QFETCH(Pairs, pairs);
    QFETCH(RegressionMethod, method);
    QFETCH(double, lambda);

    const RegressionFigures forward = regression(pairs.x, pairs.y, options(method, lambda));
    const RegressionFigures backward = regression(pairs.y, pairs.x, options(method, 1 / lambda));
    CONCORDA_FUZZY_COMPARE(backward.slope, 1 / forward.slope, 1e-9);
    CONCORDA_FUZZY_COMPARE(backward.intercept, -forward.intercept / forward.slope, 1e-9);
    if (method == RegressionMethod::WeightedDeming)
        QCOMPARE(backward.iterations, forward.iterations);
}

void tst_Regression::scaleInvariance_data()
{
    QTest::addColumn<Pairs>("pairs");
    QTest::addColumn<RegressionMethod>("method");
    QTest::addColumn<double>("factor");

    const struct
    {
        const char *name;
        RegressionMethod method;
    } methods[] = {{"Passing-Bablok", RegressionMethod::PassingBablok},
                   {"Deming", RegressionMethod::Deming},
                   {"weighted Deming", RegressionMethod::WeightedDeming}};
    for (const auto &method : methods) {
        for (double factor : {1e12, 1e-12}) {
            QTest::addRow("%s, ten rows, times %g", method.name, factor)
                << tenRows() << method.method << factor;
            QTest::addRow("%s, negative, times %g", method.name, factor)
                << negative() << method.method << factor;
            QTest::addRow("%s, hemoglobin, times %g", method.name, factor)
                << hemoglobin() << method.method << factor;
        }
    }
}

// Readings in other units (times 1e12 or 1e-12) give the same slope and verdict and an
// intercept, limits and biases in those units; weighted Deming settles after as many rounds.
void tst_Regression::scaleInvariance()
{
    QFETCH(Pairs, pairs);
    QFETCH(RegressionMethod, method);
    QFETCH(double, factor);

    const RegressionFigures plain = regression(pairs.x, pairs.y, options(method, 2, {10}));
    const RegressionFigures f = regression(scaled(pairs.x, factor), scaled(pairs.y, factor),
                                           options(method, 2, {10 * factor}));
    const double tolerance = 1e-9;
    CONCORDA_FUZZY_COMPARE(f.slope, plain.slope, tolerance);
    CONCORDA_FUZZY_COMPARE(f.slopeLower, plain.slopeLower, tolerance);
    CONCORDA_FUZZY_COMPARE(f.slopeUpper, plain.slopeUpper, tolerance);
    CONCORDA_FUZZY_COMPARE(f.intercept, plain.intercept * factor, tolerance);
    CONCORDA_FUZZY_COMPARE(f.interceptLower, plain.interceptLower * factor, tolerance);
    CONCORDA_FUZZY_COMPARE(f.interceptUpper, plain.interceptUpper * factor, tolerance);
    CONCORDA_FUZZY_COMPARE(f.biasAt[0].bias, plain.biasAt[0].bias * factor, tolerance);
    CONCORDA_FUZZY_COMPARE(f.biasAt[0].lower, plain.biasAt[0].lower * factor, tolerance);
    CONCORDA_FUZZY_COMPARE(f.biasAt[0].upper, plain.biasAt[0].upper * factor, tolerance);
    CONCORDA_FUZZY_COMPARE(f.cusumH, plain.cusumH, tolerance);
    QCOMPARE(f.linear, plain.linear);
    QCOMPARE(f.iterations, plain.iterations);
    QCOMPARE(f.converged, plain.converged);
}

void tst_Regression::jackknifeMatchesRefits_data()
{
    QTest::addColumn<Pairs>("pairs");
    QTest::addColumn<RegressionMethod>("method");
    QTest::addColumn<double>("lambda");

    // One reading far beyond the others carries nearly all of every sum.
    Pairs outlier{{1, 2, 3, 4, 5, 6, 7, 8, 1e7}, {1.3, 1.8, 3.4, 3.9, 5.2, 6.3, 6.8, 8.4, 1.02e7}};
    // Two readings far out on either side.
    Pairs twoOutliers{{-1e6, 2, 3, 4, 5, 6, 7, 1e6}, {-1.1e6, 2.2, 2.7, 4.5, 5.1, 5.8, 7.4, 0.9e6}};
    for (double lambda : {1.0, 3.0}) {
        QTest::addRow("Deming, ten rows, lambda %g", lambda)
            << tenRows() << RegressionMethod::Deming << lambda;
        QTest::addRow("Deming, hemoglobin, lambda %g", lambda)
            << hemoglobin() << RegressionMethod::Deming << lambda;
        QTest::addRow("Deming, one outlier, lambda %g", lambda)
            << outlier << RegressionMethod::Deming << lambda;
        QTest::addRow("Deming, two outliers, lambda %g", lambda)
            << twoOutliers << RegressionMethod::Deming << lambda;
        QTest::addRow("weighted Deming, ten rows, lambda %g", lambda)
            << tenRows() << RegressionMethod::WeightedDeming << lambda;
        QTest::addRow("weighted Deming, one outlier, lambda %g", lambda)
            << outlier << RegressionMethod::WeightedDeming << lambda;
    }
}

// The jackknife limits against the straightforward computation: a fit of each set of
// n - 1 pairs through the public function, pseudo-values n e - (n - 1) e_i, their sample
// standard deviation over sqrt(n), Student's t on n - 2 degrees of freedom.
void tst_Regression::jackknifeMatchesRefits()
{
    QFETCH(Pairs, pairs);
    QFETCH(RegressionMethod, method);
    QFETCH(double, lambda);

    const double level = 5;
    const RegressionFigures f = regression(pairs.x, pairs.y, options(method, lambda, {level}));
    const int n = pairs.x.size();
    QVector<double> slopes;
    QVector<double> intercepts;
    for (int i = 0; i < n; ++i) {
        const QVector<double> x = withoutRow(pairs.x, i);
        const QVector<double> y = withoutRow(pairs.y, i);
        const RegressionFigures left = regression(x, y, options(method, lambda));
        slopes.append(left.slope);
        intercepts.append(left.intercept);
    }
    const double t = boost::math::quantile(
        boost::math::complement(boost::math::students_t_distribution<>(n - 2), 0.025));
    // An intercept is the mean of y less b times the mean of x, so it carries the rounding
    // of readings as large as the largest: allow for that beyond the relative tolerance.
    double largest = 0;
    for (int i = 0; i < n; ++i)
        largest = std::max({largest, std::fabs(pairs.x[i]), std::fabs(pairs.y[i])});
    const auto check = [&](double estimate, const std::function<double(int)> &leftOut,
                           double lower, double upper, double magnitude) {
        QVector<double> pseudo;
        double mean = 0;
        for (int i = 0; i < n; ++i) {
            pseudo.append(n * estimate - (n - 1) * leftOut(i));
            mean += pseudo[i] / n;
        }
        double squares = 0;
        for (double value : pseudo)
            squares += (value - mean) * (value - mean);
        const double halfWidth = t * std::sqrt(squares / (n - 1)) / std::sqrt(double(n));
        // Refits of weighted Deming stop at their own tolerance, a little apart.
        const double relative = method == RegressionMethod::WeightedDeming ? 1e-6 : 1e-9;
        for (const auto &limit : {std::make_pair(lower, estimate - halfWidth),
                                  std::make_pair(upper, estimate + halfWidth)}) {
            const double allowed = relative * std::fabs(limit.second) + 1e-14 * magnitude;
            QVERIFY2(std::fabs(limit.first - limit.second) <= allowed,
                     qPrintable(QStringLiteral("limit %1, refits give %2")
                                    .arg(limit.first, 0, 'g', 17)
                                    .arg(limit.second, 0, 'g', 17)));
        }
    };
    check(f.slope, [&](int i) { return slopes[i]; }, f.slopeLower, f.slopeUpper, 1);
    check(f.intercept, [&](int i) { return intercepts[i]; }, f.interceptLower, f.interceptUpper,
          largest);
    check(f.biasAt[0].bias, [&](int i) { return intercepts[i] + (slopes[i] - 1) * level; },
          f.biasAt[0].lower, f.biasAt[0].upper, largest);
}

// Three pairs: a Passing-Bablok interval needs more slopes than there are (C = 4 > N = 3),
// so its limits are unbounded; a Deming jackknife with a left-out pair whose two others
// share a reference value has a vertical left-out line, so no interval.
void tst_Regression::intervalsThatCannotBeFormed()
{
    const RegressionFigures pb =
        regression({1, 2, 3}, {1.1, 2.3, 2.9}, options(RegressionMethod::PassingBablok));
    CONCORDA_FUZZY_COMPARE(pb.slope, 0.9, 1e-12);
    QCOMPARE(pb.slopeLower, -infinity);
    QCOMPARE(pb.slopeUpper, infinity);
    QCOMPARE(pb.interceptLower, -infinity);
    QCOMPARE(pb.interceptUpper, infinity);

    const RegressionFigures deming =
        regression({1, 1, 2}, {1, 2, 3}, options(RegressionMethod::Deming, 1, {1.5}));
    QVERIFY(std::isfinite(deming.slope) && std::isfinite(deming.intercept));
    for (double limit : {deming.slopeLower, deming.slopeUpper, deming.interceptLower,
                         deming.interceptUpper, deming.biasAt[0].lower, deming.biasAt[0].upper})
        QVERIFY2(std::isnan(limit), qPrintable(QString::number(limit)));
}

// Readings on both sides of 0 give weights that pull the line back and forth: after the
// last round the figures are those of that round, and the result says it did not settle.
// The script gives weighted([0, 2, 6, 6, 15], [-4, 1, -3, 12, 11], 1, 15)
// = (-4.784296293380224, 2.795931298496199, 30).
void tst_Regression::weightedDemingThatDoesNotSettle()
{
    const RegressionFigures f = regression({0, 2, 6, 6, 15}, {-4, 1, -3, 12, 11},
                                           options(RegressionMethod::WeightedDeming));
    QCOMPARE(f.iterations, maximumWeightingRounds);
    QVERIFY(!f.converged);
    CONCORDA_FUZZY_COMPARE(f.slope, 2.795931298496199, 1e-9);
    CONCORDA_FUZZY_COMPARE(f.intercept, -4.784296293380224, 1e-9);
}

void tst_Regression::problems_data()
{
    QTest::addColumn<QVector<double>>("gold");
    QTest::addColumn<QVector<double>>("other");
    QTest::addColumn<RegressionOptions>("options");
    QTest::addColumn<qint64>("n");
    QTest::addColumn<QString>("problem");

    const QString prefix =
        QStringLiteral("The regression of POC1 on the Gold Standard cannot be computed: ");
    const QVector<double> gold{1, 2, 3, 4, 5};
    const QVector<double> other{1.2, 1.9, 3.3, 4.1, 4.8};
    const auto pb = RegressionMethod::PassingBablok;
    const auto deming = RegressionMethod::Deming;
    const auto weighted = RegressionMethod::WeightedDeming;

    QTest::newRow("no complete pair") << QVector<double>{1, missing} << QVector<double>{missing, 2}
                                      << options(pb) << qint64(0)
                                      << prefix + "POC1 has 0 complete pairs with the Gold "
                                                  "Standard, and a regression needs at least 3.";
    QTest::newRow("one complete pair") << QVector<double>{1, 2} << QVector<double>{missing, 2}
                                       << options(deming) << qint64(1)
                                       << prefix + "POC1 has 1 complete pair with the Gold "
                                                   "Standard, and a regression needs at least 3.";
    QTest::newRow("two complete pairs") << QVector<double>{1, 2, missing, 4}
                                        << QVector<double>{1.1, 2.2, 3.3, missing}
                                        << options(weighted) << qint64(2)
                                        << prefix + "POC1 has 2 complete pairs with the Gold "
                                                    "Standard, and a regression needs at least 3.";
    QTest::newRow("constant reference") << QVector<double>{5, 5, 5, 5}
                                        << QVector<double>{1, 2, 3, 4} << options(pb) << qint64(4)
                                        << prefix + "the Gold Standard has the same value in "
                                                    "every pair with POC1.";
    QTest::newRow("infinite reading") << QVector<double>{1, 2, infinity, 4} << other.mid(0, 4)
                                      << options(deming) << qint64(4)
                                      << prefix + "POC1 or the Gold Standard holds a reading too "
                                                  "large to compute with.";
    for (double alpha : {0.0, 1.0, notANumber, -0.5})
        QTest::addRow("alpha %g", alpha) << gold << other << options(pb, 1, {}, alpha) << qint64(5)
                                         << prefix + "Alpha must lie strictly between 0 and 1.";
    for (double lambda : {0.0, -1.0, infinity, notANumber}) {
        QTest::addRow("error ratio %g, Deming", lambda)
            << gold << other << options(deming, lambda) << qint64(5)
            << prefix + "Error ratio λ must be a positive finite number.";
        QTest::addRow("error ratio %g, weighted Deming", lambda)
            << gold << other << options(weighted, lambda) << qint64(5)
            << prefix + "Error ratio λ must be a positive finite number.";
        QTest::addRow("error ratio %g, Passing-Bablok, which has none", lambda)
            << gold << other << options(pb, lambda) << qint64(5) << QString();
    }
    QTest::newRow("decision level inf") << gold << other << options(deming, 1, {100, infinity})
                                        << qint64(5)
                                        << prefix + "Decision levels must be finite numbers.";
    QVector<double> many;
    for (int i = 0; i < 20000; ++i)
        many.append(1 + i % 97 + 0.01 * i);
    QTest::newRow("20000 pairs, Passing-Bablok") << many << many << options(pb) << qint64(20000)
                                                 << QString();
    QTest::newRow("20000 pairs, weighted Deming")
        << many << many << options(weighted) << qint64(20000) << QString();
    QVector<double> more;
    for (int i = 0; i <= maximumWeightedDemingPairs; ++i)
        more.append(1 + i % 97 + 0.01 * i);
    QTest::newRow("1000001 pairs, weighted Deming")
        << more << more << options(weighted) << qint64(1000001)
        << prefix + "POC1 has 1000001 complete pairs with the Gold Standard, and weighted "
                    "Deming, whose intervals refit the line without each pair in turn, takes at "
                    "most 1000000 (Deming takes any number).";
    QTest::newRow("1000001 pairs, Deming") << more << more << options(deming)
                                           << qint64(1000001) << QString();
    // Covariance 0 and more spread in y than in x: the Deming line stands vertical.
    QTest::newRow("no covariance") << gold << QVector<double>{10, -10, 0, -10, 10}
                                   << options(deming) << qint64(5)
                                   << prefix + "POC1 shows no linear relation with the Gold "
                                               "Standard (their covariance is 0), so the Deming "
                                               "line is not determined.";
    // With less spread in y the same data give the flat line y = 0.
    QTest::newRow("no covariance, flat") << QVector<double>{1, 20, 30, 40, 59}
                                         << QVector<double>{1, -1, 0, -1, 1} << options(deming)
                                         << qint64(5) << QString();
    QTest::newRow("weighted, true value 0") << QVector<double>{0, 1, 2, 3}
                                            << QVector<double>{0, 1, 2, 3} << options(weighted)
                                            << qint64(4)
                                            << prefix + "weighted Deming weights each pair by "
                                                        "the inverse square of its estimated true "
                                                        "value, and a pair of POC1 has an "
                                                        "estimated true value of 0.";
    QTest::newRow("Deming, true value 0") << QVector<double>{0, 1, 2, 3}
                                          << QVector<double>{0, 1, 2, 3} << options(deming)
                                          << qint64(4) << QString();
    QTest::newRow("mostly tied reference") << QVector<double>{1, 1, 1, 1, 2}
                                           << QVector<double>{1, 2, 3, 4, 5} << options(pb)
                                           << qint64(5)
                                           << prefix + "so many pairs of POC1 share a Gold "
                                                       "Standard value that the Passing–Bablok "
                                                       "slope is infinite.";
    QTest::newRow("intercept beyond range")
        << QVector<double>{1e308, 1.5e308, 1.7e308} << QVector<double>{-1.7e308, 1e308, 1.7e308}
        << options(deming) << qint64(3)
        << prefix + "the intercept of POC1 is too large to compute with.";
}

// Every problem is one sentence naming the variable, the same from the numbers and from
// the cells; the figures then carry only n.
void tst_Regression::problems()
{
    QFETCH(QVector<double>, gold);
    QFETCH(QVector<double>, other);
    QFETCH(RegressionOptions, options);
    QFETCH(qint64, n);
    QFETCH(QString, problem);

    QString fromCells = QStringLiteral("not set");
    const RegressionFigures f =
        regressionFigures(numberCells(other), numberCells(gold), options, "POC1", &fromCells);
    QCOMPARE(fromCells, problem);
    QCOMPARE(f.n, n);
    if (!problem.isEmpty()) {
        QVERIFY2(std::isnan(f.slope), qPrintable(QString::number(f.slope)));
        QVERIFY2(std::isnan(f.intercept), qPrintable(QString::number(f.intercept)));
        QVERIFY(f.biasAt.isEmpty());
    } else {
        QVERIFY(std::isfinite(f.slope) && std::isfinite(f.intercept));
    }

    QVector<double> x;
    QVector<double> y;
    for (int i = 0; i < qMin(gold.size(), other.size()); ++i) {
        if (!std::isnan(gold[i]) && !std::isnan(other[i])) {
            x.append(gold[i]);
            y.append(other[i]);
        }
    }
    QCOMPARE(regressionProblem(x, y, options, "POC1"), problem);
}

void tst_Regression::commandLineOptionNames_data()
{
    QTest::addColumn<RegressionOptions>("options");
    QTest::addColumn<QString>("problem");

    QTest::newRow("alpha") << options(RegressionMethod::Deming, 1, {}, 1.5)
                           << "--alpha must lie strictly between 0 and 1, not 1.5";
    QTest::newRow("error ratio") << options(RegressionMethod::WeightedDeming, -2)
                                 << "--error-ratio must be a positive finite number, not -2";
    QTest::newRow("decision levels") << options(RegressionMethod::PassingBablok, 1, {5, -infinity})
                                     << "--decision-levels must be finite numbers, not -inf";
    QTest::newRow("fine") << options(RegressionMethod::PassingBablok, 0, {5, -7}) << QString();
}

void tst_Regression::commandLineOptionNames()
{
    QFETCH(RegressionOptions, options);
    QFETCH(QString, problem);

    QCOMPARE(regressionOptionsProblem(options, OptionNames::CommandLine), problem);
}

// Rows with a missing reading on either side drop out; the rest are regressed in order.
void tst_Regression::incompletePairsDropped()
{
    const QVector<double> gold{10.1, missing, 12.3, 9.8, 15.2, 11.0, missing, 13.4};
    const QVector<double> other{10.6, 11.0, 12.0, missing, 15.9, 11.8, missing, 13.1};
    const QVector<double> x{10.1, 12.3, 15.2, 11.0, 13.4};
    const QVector<double> y{10.6, 12.0, 15.9, 11.8, 13.1};
    for (RegressionMethod method : {RegressionMethod::PassingBablok, RegressionMethod::Deming,
                                    RegressionMethod::WeightedDeming}) {
        QString problem;
        const RegressionFigures fromCells = regressionFigures(
            numberCells(other), numberCells(gold), options(method, 1, {12}), "POC1", &problem);
        const RegressionFigures direct = regression(x, y, options(method, 1, {12}));
        QCOMPARE(problem, QString());
        QCOMPARE(fromCells.n, qint64(5));
        QCOMPARE(fromCells.slope, direct.slope);
        QCOMPARE(fromCells.intercept, direct.intercept);
        QCOMPARE(fromCells.slopeLower, direct.slopeLower);
        QCOMPARE(fromCells.biasAt[0].bias, direct.biasAt[0].bias);
    }
}

// A deterministic sweep over small data sets of every kind (ties, zeros, signs, readings
// near the ends of the double range, subnormals) and extreme options: whatever the checks
// let through is computed without an exception and gives a finite line whose limits
// enclose it; whatever they refuse is refused alike from the cells.
void tst_Regression::anyComputableInputGivesFiniteFigures()
{
    std::mt19937 generator(20240614);
    const double readings[] = {0, 1, -1, 2, 2, 3, 0.5, 7, 7, 7, 1e-300, -1e-300, 1e300, -1e300,
                               1.7e308, 4.9e-324, 1e154, 1e-154, 1e12 + 0.5, 1e12};
    const double lambdas[] = {1, 2, 0.5, 1e-300, 1e300, 1e-12, 1e12, 4.9e-324, 1.7e308};
    const double alphas[] = {0.05, 0.5, 1e-300, 4.9e-324, 0.999999};
    const RegressionMethod methods[] = {RegressionMethod::PassingBablok, RegressionMethod::Deming,
                                        RegressionMethod::WeightedDeming};
    const auto pick = [&generator](const auto &values) {
        return values[generator() % (sizeof(values) / sizeof(values[0]))];
    };
    std::normal_distribution<double> noise(0, 1);
    int computed = 0;
    for (int round = 0; round < 3000; ++round) {
        const int n = 3 + int(generator() % 10);
        const int kind = int(generator() % 3);
        const double level = pick(readings);
        QVector<double> x;
        QVector<double> y;
        for (int i = 0; i < n; ++i) {
            // Palette readings, noisy readings about a level, or a mix of the two.
            const bool fromPalette = kind == 0 || (kind == 2 && generator() % 2 == 0);
            x.append(fromPalette ? pick(readings)
                                 : level * (1 + 0.1 * noise(generator)) + noise(generator));
            y.append(fromPalette ? pick(readings) : x.last() * (1 + 0.05 * noise(generator)));
        }
        const RegressionOptions o =
            options(pick(methods), pick(lambdas), {pick(readings), 0, -5}, pick(alphas));
        const QString context = QStringLiteral("round %1").arg(round);
        try {
            const QString problem = regressionProblem(x, y, o, "Y");
            QString fromCells;
            regressionFigures(numberCells(y), numberCells(x), o, "Y", &fromCells);
            QVERIFY2(fromCells == problem, qPrintable(context));
            if (!problem.isEmpty())
                continue;
            ++computed;
            const RegressionFigures f = regression(x, y, o);
            QVERIFY2(std::isfinite(f.slope) && std::isfinite(f.intercept), qPrintable(context));
            for (const auto &limits : {std::make_pair(f.slopeLower, f.slopeUpper),
                                       std::make_pair(f.interceptLower, f.interceptUpper)}) {
                if (!std::isnan(limits.first) || !std::isnan(limits.second))
                    QVERIFY2(limits.first <= limits.second, qPrintable(context));
            }
            if (!std::isnan(f.slopeLower))
                QVERIFY2(f.slopeLower <= f.slope && f.slope <= f.slopeUpper, qPrintable(context));
            if (o.method == RegressionMethod::PassingBablok)
                QVERIFY2(f.cusumH >= 0 && f.linear == (f.cusumH < f.cusumCritical),
                         qPrintable(context));
            else
                QVERIFY2(f.iterations <= maximumWeightingRounds, qPrintable(context));
        } catch (const std::exception &error) {
            QFAIL(qPrintable(context + QStringLiteral(": ") + QString::fromUtf8(error.what())));
        }
    }
    // The sweep must reach the computation, not only the checks.
    QVERIFY2(computed > 1000, qPrintable(QString::number(computed)));
}

QTEST_GUILESS_MAIN(tst_Regression)
#include "tst_regression.moc"
