#include "vectortoolkit.h"

#include "fuzzy.h"
#include "statstesthelpers.h"

#include <QVariant>
#include <QtTest>

#include <cmath>
#include <limits>

using namespace stats;

namespace {
const double notANumber = std::numeric_limits<double>::quiet_NaN();
const double infinity = std::numeric_limits<double>::infinity();
} // namespace

class tst_VectorToolkit : public QObject
{
    Q_OBJECT

private slots:
    void moments_data();
    void moments();
    void elementWise_data();
    void elementWise();
    void libraryErrors_data();
    void libraryErrors();
    void dropIncompletePairs_data();
    void dropIncompletePairs();
    void dropIncompletePairsOfOneVector();
    void toNumbers_data();
    void toNumbers();
};

void tst_VectorToolkit::moments_data()
{
    QTest::addColumn<double>("actual");
    QTest::addColumn<double>("expected");

    const QVector<double> four{1, 2, 3, 4};
    QTest::newRow("sum of empty") << sum({}) << 0.0;
    QTest::newRow("sum") << sum({1, 2, 3.5}) << 6.5;
    QTest::newRow("mean of empty") << mean({}) << notANumber;
    QTest::newRow("mean") << mean(four) << 2.5;
    QTest::newRow("variance, divisor n") << variance(four, false) << 1.25;
    QTest::newRow("variance, divisor n-1") << variance(four, true) << 5.0 / 3.0;
    QTest::newRow("variance of empty") << variance({}, false) << notANumber;
    QTest::newRow("sample variance of one") << variance({7}, true) << notANumber;
    QTest::newRow("standard deviation, divisor n") << standardDeviation(four, false)
                                                   << std::sqrt(1.25);
    QTest::newRow("standard deviation, divisor n-1") << standardDeviation(four, true)
                                                     << std::sqrt(5.0 / 3.0);
    QTest::newRow("covariance, divisor n") << covariance({1, 2, 3}, {2, 4, 6}, false) << 4.0 / 3.0;
    QTest::newRow("covariance, divisor n-1") << covariance({1, 2, 3}, {2, 4, 6}, true) << 2.0;
    QTest::newRow("covariance, y too short") << covariance({1, 2, 3}, {2, 4}, false) << notANumber;
}

void tst_VectorToolkit::moments()
{
    QFETCH(double, actual);
    QFETCH(double, expected);
    CONCORDA_FUZZY_COMPARE(actual, expected, 1e-12);
}

void tst_VectorToolkit::elementWise_data()
{
    QTest::addColumn<QVector<double>>("actual");
    QTest::addColumn<QVector<double>>("expected");

    const QVector<double> v{1, -2, 4};
    QTest::newRow("vector plus scalar") << add(v, 1.5) << QVector<double>{2.5, -0.5, 5.5};
    QTest::newRow("scalar plus vector") << add(1.5, v) << QVector<double>{2.5, -0.5, 5.5};
    QTest::newRow("vector plus vector") << add(v, {1, 1, 1}) << QVector<double>{2, -1, 5};
    QTest::newRow("vector minus scalar") << subtract(v, 1) << QVector<double>{0, -3, 3};
    QTest::newRow("scalar minus vector") << subtract(1, v) << QVector<double>{0, 3, -3};
    QTest::newRow("vector minus vector") << subtract(v, {1, 2, 3}) << QVector<double>{0, -4, 1};
    QTest::newRow("vector times scalar") << multiply(v, 2) << QVector<double>{2, -4, 8};
    QTest::newRow("scalar times vector") << multiply(2, v) << QVector<double>{2, -4, 8};
    QTest::newRow("vector times vector") << multiply(v, v) << QVector<double>{1, 4, 16};
    QTest::newRow("vector divided by scalar") << divide(v, 2) << QVector<double>{0.5, -1, 2};
    QTest::newRow("scalar divided by vector") << divide(4, {1, -2, 0})
                                              << QVector<double>{4, -2, infinity};
    QTest::newRow("vector divided by vector") << divide(v, {2, 2, 8})
                                              << QVector<double>{0.5, -1, 0.5};
    QTest::newRow("second operand too short") << add(v, QVector<double>{1}) << QVector<double>{2, notANumber, notANumber};
    QTest::newRow("empty operand") << multiply(QVector<double>{}, 3) << QVector<double>{};
    QTest::newRow("square") << power(v, 2) << QVector<double>{1, 4, 16};
    QTest::newRow("cube") << power(v, 3) << QVector<double>{1, -8, 64};
    QTest::newRow("logarithm of 1, 0, -1") << logarithm({1, 0, -1})
                                           << QVector<double>{0, -infinity, notANumber};
    QTest::newRow("negation") << negate(v) << QVector<double>{-1, 2, -4};
    QTest::newRow("normal density") << normalDensity({0, 1, infinity, -infinity})
                                    << QVector<double>{0.3989422804014327,
                                                       0.24197072451914337, 0, 0};
    // With one degree of freedom F(t; lambda) = Phi(sqrt t - sqrt lambda) - Phi(-sqrt t - sqrt lambda).
    QTest::newRow("non-central chi-squared cdf")
        << nonCentralChiSquaredCdf(1, 1, {0, 1})
        << QVector<double>{0.6826894921370859, 0.4772498680518208};
    QTest::newRow("non-central chi-squared cdf of no lambda, k = 0")
        << nonCentralChiSquaredCdf(1, 0, {}) << QVector<double>{};
}

void tst_VectorToolkit::elementWise()
{
    QFETCH(QVector<double>, actual);
    QFETCH(QVector<double>, expected);
    QCOMPARE(actual.size(), expected.size());
    for (int i = 0; i < actual.size(); ++i)
        CONCORDA_FUZZY_COMPARE(actual.at(i), expected.at(i), 1e-12);
}

void tst_VectorToolkit::libraryErrors_data()
{
    QTest::addColumn<LibraryCall>("call");
    QTest::addColumn<QString>("expected");

    QTest::newRow("density of NaN")
        << LibraryCall([] { normalDensity({0, notANumber}); })
        << "domain_error: Error in function boost::math::pdf(const normal_distribution<double>&, "
           "double): Random variate x is nan, but must be finite!";
    QTest::newRow("zero degrees of freedom")
        << LibraryCall([] { nonCentralChiSquaredCdf(1, 0, {1}); })
        << "Degrees of freedom argument is 0, but must be > 0 !";
    QTest::newRow("negative non-centrality")
        << LibraryCall([] { nonCentralChiSquaredCdf(1, 1, {1, -1}); })
        << "Non centrality parameter is -1, but must be > 0 !";
    QTest::newRow("infinite non-centrality")
        << LibraryCall([] { nonCentralChiSquaredCdf(1, 1, {infinity}); })
        << "Non centrality parameter is inf, but must be > 0 !";
}

void tst_VectorToolkit::libraryErrors()
{
    QFETCH(LibraryCall, call);
    QFETCH(QString, expected);
    const QString outcome = inBoost174Words(libraryError(call));
    QVERIFY2(outcome.startsWith(QStringLiteral("domain_error: ")) && outcome.endsWith(expected),
             qPrintable(outcome));
}

void tst_VectorToolkit::dropIncompletePairs_data()
{
    QTest::addColumn<QVector<QVariant>>("a");
    QTest::addColumn<QVector<QVariant>>("b");
    QTest::addColumn<QVector<QVariant>>("expectedA");
    QTest::addColumn<QVector<QVariant>>("expectedB");

    const QVariant none;
    QTest::newRow("missing in either column")
        << QVector<QVariant>{1.0, none, 3.0, 4.0} << QVector<QVariant>{5.0, 6.0, none, 8.0}
        << QVector<QVariant>{1.0, 4.0} << QVector<QVariant>{5.0, 8.0};
    QTest::newRow("both empty") << QVector<QVariant>{} << QVector<QVariant>{}
                                << QVector<QVariant>{} << QVector<QVariant>{};
    QTest::newRow("all complete") << QVector<QVariant>{1.0, 2.0} << QVector<QVariant>{3.0, 4.0}
                                  << QVector<QVariant>{1.0, 2.0} << QVector<QVariant>{3.0, 4.0};
    QTest::newRow("none complete") << QVector<QVariant>{none, 2.0} << QVector<QVariant>{3.0, none}
                                   << QVector<QVariant>{} << QVector<QVariant>{};
    QTest::newRow("first and last missing, runs of gaps")
        << QVector<QVariant>{none, none, 1.0, 2.0, none, none, 3.0, none}
        << QVector<QVariant>{9.0, 9.0, 5.0, none, 9.0, 9.0, 7.0, 9.0}
        << QVector<QVariant>{1.0, 3.0} << QVector<QVariant>{5.0, 7.0};
    QTest::newRow("NaN is a value") << QVector<QVariant>{notANumber} << QVector<QVariant>{1.0}
                                    << QVector<QVariant>{notANumber} << QVector<QVariant>{1.0};
    QTest::newRow("rows without partner") << QVector<QVariant>{1.0, 2.0, 3.0}
                                          << QVector<QVariant>{4.0}
                                          << QVector<QVariant>{1.0} << QVector<QVariant>{4.0};
}

void tst_VectorToolkit::dropIncompletePairs()
{
    QFETCH(QVector<QVariant>, a);
    QFETCH(QVector<QVariant>, b);
    QFETCH(QVector<QVariant>, expectedA);
    QFETCH(QVector<QVariant>, expectedB);
    // A copy sharing the caller's data must keep its rows.
    const QVector<QVariant> sharedCopy = a;
    const QVector<double> originalValues = stats::toNumbers(a);
    stats::dropIncompletePairs(a, b);
    QCOMPARE(a.size(), expectedA.size());
    QCOMPARE(b.size(), expectedB.size());
    for (int i = 0; i < a.size(); ++i) {
        CONCORDA_FUZZY_COMPARE(a.at(i).toDouble(), expectedA.at(i).toDouble(), 0.0);
        CONCORDA_FUZZY_COMPARE(b.at(i).toDouble(), expectedB.at(i).toDouble(), 0.0);
    }
    QCOMPARE(sharedCopy.size(), originalValues.size());
    for (int i = 0; i < sharedCopy.size(); ++i)
        CONCORDA_FUZZY_COMPARE(sharedCopy.at(i).toDouble(), originalValues.at(i), 0.0);
}

void tst_VectorToolkit::dropIncompletePairsOfOneVector()
{
    QVector<QVariant> cells{1.0, QVariant(), 3.0};
    stats::dropIncompletePairs(cells, cells);
    QCOMPARE(cells, (QVector<QVariant>{1.0, 3.0}));
}

void tst_VectorToolkit::toNumbers_data()
{
    QTest::addColumn<QVector<QVariant>>("cells");
    QTest::addColumn<QVector<double>>("expected");

    QTest::newRow("numbers") << QVector<QVariant>{2.5, 7.0} << QVector<double>{2.5, 7};
    QTest::newRow("invalid cell") << QVector<QVariant>{QVariant(), 1.0} << QVector<double>{0, 1};
    QTest::newRow("empty") << QVector<QVariant>{} << QVector<double>{};
}

void tst_VectorToolkit::toNumbers()
{
    QFETCH(QVector<QVariant>, cells);
    QFETCH(QVector<double>, expected);
    QCOMPARE(stats::toNumbers(cells), expected);
}

QTEST_GUILESS_MAIN(tst_VectorToolkit)
#include "tst_vectortoolkit.moc"
