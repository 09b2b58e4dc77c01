#include "agreementreport.h"
#include "diagnostics.h"
#include "pairquantities.h"

#include "fuzzy.h"
#include "randompairs.h"
#include "statstesthelpers.h"

#include <QFile>
#include <QtTest>

#include <boost/math/distributions/non_central_chi_squared.hpp>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>

using namespace stats;

namespace {

const double notANumber = std::numeric_limits<double>::quiet_NaN();
const double infinity = std::numeric_limits<double>::infinity();

// A figure as the report prints it.
QString printed(double value, int decimals)
{
    QString text;
    text.setNum(value, 'f', decimals);
    return text;
}

bool sameBits(double a, double b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}

double boostCdf(double t, double lambda)
{
    return boost::math::cdf(boost::math::non_central_chi_squared_distribution<>(1.0, lambda), t);
}

} // namespace

class tst_ReportRows : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void rowsAsBefore_data();
    void rowsAsBefore();
    void chiSquaredOneCdfAsBoost_data();
    void chiSquaredOneCdfAsBoost();
    void chiSquaredOneCdfErrorsAsBoost_data();
    void chiSquaredOneCdfErrorsAsBoost();
};

void tst_ReportRows::initTestCase()
{
    quietDiagnostics();
}

// Every row of the file of figures that the engine computed before the pair's summary was
// shared: the pairs of randompairs.h under both modes, with and without proportional.
void tst_ReportRows::rowsAsBefore_data()
{
    QTest::addColumn<bool>("edge");
    QTest::addColumn<int>("index");
    QTest::addColumn<bool>("proportional");
    QTest::addColumn<bool>("random");
    QTest::addColumn<QStringList>("before");

    QFile file(QStringLiteral(CONCORDA_SOURCE_DIR
                              "/tests/stats/data/report_rows_before_shared_summary.tsv"));
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        qFatal("cannot read %s", qPrintable(file.fileName()));
    int rows = 0;
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        const QStringList fields = line.split(QLatin1Char('\t'));
        const bool edge = fields.at(0) == QLatin1String("edge");
        const bool proportional = fields.at(2) == QLatin1String("1");
        const bool random = fields.at(3) == QLatin1String("1");
        QTest::addRow("%s %s%s, %s", qPrintable(fields.at(0)), qPrintable(fields.at(1)),
                      proportional ? ", proportional" : "", random ? "random" : "fixed")
            << edge << fields.at(1).toInt() << proportional << random << QStringList(fields.mid(4));
        ++rows;
    }
    if (rows < 250)
        qFatal("%s holds only %d rows", qPrintable(file.fileName()), rows);
}

// The report prints the same bytes: every figure rounds to the same printed digits. The
// figures built from the moments alone (accuracy, precision, CCC) are the same doubles; the
// others may differ in the last bits, where a square is now a product rather than pow, and
// CP and its limit where the closed form replaces Boost.Math's series. An error ends the
// row with the same message.
void tst_ReportRows::rowsAsBefore()
{
    QFETCH(bool, edge);
    QFETCH(int, index);
    QFETCH(bool, proportional);
    QFETCH(bool, random);
    QFETCH(QStringList, before);

    randompairs::Case pair;
    if (edge)
        QVERIFY(randompairs::degeneratePair(index, &pair));
    else
        pair = randompairs::pair(index);
    const AgreementOptions options = randompairs::options(pair, proportional, random);

    AgreementFigures figures;
    try {
        figures = agreementFigures(pair.other, pair.gold, options);
    } catch (const std::exception &error) {
        QCOMPARE(QStringList({QStringLiteral("error"), inBoost174Words(QString::fromUtf8(error.what()))}), before);
        return;
    }
    QCOMPARE(before.size(), 12);
    QCOMPARE(QString::number(figures.n), before.at(0));

    const struct
    {
        const char *name;
        double now;
        int decimals;
        bool sameBitsAsBefore;
    } row[] = {
        {"accuracy", figures.accuracy, 5, true},
        {"accuracy limit", figures.accuracyLimit, 5, false},
        {"precision", figures.precision, 5, true},
        {"precision limit", figures.precisionLimit, 5, false},
        {"CCC", figures.ccc, 5, true},
        {"CCC limit", figures.cccLimit, 5, false},
        {"TDI", figures.tdi, 5, false},
        {"TDI limit", figures.tdiLimit, 5, false},
        {"CP", figures.cp, 4, false},
        {"CP limit", figures.cpLimit, 4, false},
        {"RBS", figures.rbs, 5, false},
    };
    for (int i = 0; i < 11; ++i) {
        const double then = std::strtod(before.at(i + 1).toLatin1().constData(), nullptr);
        const QString what = QLatin1String(row[i].name);
        QVERIFY2(printed(row[i].now, row[i].decimals) == printed(then, row[i].decimals),
                 qPrintable(what + QStringLiteral(" prints %1, before %2")
                                       .arg(printed(row[i].now, row[i].decimals),
                                            printed(then, row[i].decimals))));
        if (row[i].sameBitsAsBefore && !std::isnan(then))
            QVERIFY2(sameBits(row[i].now, then), qPrintable(what));
        QVERIFY2(fuzzyEqual(row[i].now, then, 1e-12),
                 qPrintable(what + QStringLiteral(" is %1, before %2")
                                       .arg(row[i].now, 0, 'g', 17)
                                       .arg(then, 0, 'g', 17)));
    }
}

// A grid of non-centralities from 0 to 1e9; for each, t over the same decades and around
// the bulk of the distribution, at (sqrt(lambda) + z)^2.
void tst_ReportRows::chiSquaredOneCdfAsBoost_data()
{
    QTest::addColumn<double>("lambda");

    QVector<double> lambdas{0.0, 0.5, 2.0, 30.0, 199.0, 201.0, 999999.0, 1000001.0};
    for (int exponent = -6; exponent <= 9; ++exponent)
        lambdas.append(std::pow(10.0, exponent));
    for (double lambda : lambdas)
        QTest::addRow("lambda %g", lambda) << lambda;
}

void tst_ReportRows::chiSquaredOneCdfAsBoost()
{
    QFETCH(double, lambda);

    QVector<double> ts{0.0};
    for (int exponent = -6; exponent <= 9; ++exponent) {
        ts.append(std::pow(10.0, exponent));
        ts.append(3.0 * std::pow(10.0, exponent));
    }
    for (double z : {-6.0, -3.0, -1.0, -0.1, 0.0, 0.1, 1.0, 3.0, 6.0}) {
        const double root = std::sqrt(lambda) + z;
        if (root >= 0.0)
            ts.append(root * root);
    }
    for (double t : ts) {
        const double closedForm = chiSquaredOneCdf(t, lambda);
        const double series = boostCdf(t, lambda);
        QVERIFY2(std::fabs(closedForm - series) <= 1e-13 && closedForm >= 0.0 && closedForm <= 1.0,
                 qPrintable(QStringLiteral("F(%1; %2) is %3, Boost.Math %4")
                                .arg(t, 0, 'g', 17)
                                .arg(lambda, 0, 'g', 17)
                                .arg(closedForm, 0, 'g', 17)
                                .arg(series, 0, 'g', 17)));
    }
}

// Arguments outside the distribution's domain raise Boost.Math's own error, message and all.
void tst_ReportRows::chiSquaredOneCdfErrorsAsBoost_data()
{
    QTest::addColumn<double>("t");
    QTest::addColumn<double>("lambda");

    QTest::newRow("negative lambda") << 1.0 << -1.0;
    QTest::newRow("lambda just below 0") << 1.0 << -1e-300;
    QTest::newRow("NaN lambda") << 1.0 << notANumber;
    QTest::newRow("infinite lambda") << 1.0 << infinity;
    QTest::newRow("negative infinite lambda") << 0.0 << -infinity;
    QTest::newRow("negative t") << -1.0 << 1.0;
    QTest::newRow("negative t, large lambda") << -1e-300 << 1e7;
    QTest::newRow("NaN t") << notANumber << 1.0;
    QTest::newRow("infinite t") << infinity << 1.0;
    QTest::newRow("infinite t, large lambda") << infinity << 1e7;
    QTest::newRow("both NaN") << notANumber << notANumber;
    QTest::newRow("both negative") << -1.0 << -2.0;
}

void tst_ReportRows::chiSquaredOneCdfErrorsAsBoost()
{
    QFETCH(double, t);
    QFETCH(double, lambda);
    const QString expected = libraryError([=] { boostCdf(t, lambda); });
    QVERIFY2(expected.startsWith(QLatin1String("domain_error: ")), qPrintable(expected));
    QCOMPARE(libraryError([=] { chiSquaredOneCdf(t, lambda); }), expected);
}

QTEST_GUILESS_MAIN(tst_ReportRows)
#include "tst_reportrows.moc"
