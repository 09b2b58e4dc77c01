#include "concordance.h"

#include "fuzzy.h"
#include "statstesthelpers.h"

#include <QtTest>

using namespace stats;

Q_DECLARE_METATYPE(stats::Mode)

class tst_Concordance : public QObject
{
    Q_OBJECT

private slots:
    void estimates_data();
    void estimates();
    void limits_data();
    void limits();
    void libraryErrors_data();
    void libraryErrors();
    void swappedColumns_data();
    void swappedColumns();
    void precisionLimitIgnoresDivisor();
};

void tst_Concordance::estimates_data()
{
    QTest::addColumn<QVector<double>>("x");
    QTest::addColumn<QVector<double>>("y");
    QTest::addColumn<QString>("accuracy");
    QTest::addColumn<QString>("precision");
    QTest::addColumn<QString>("ccc");
    QTest::addColumn<QString>("rbs");

    const QVector<double> oneToFive{1, 2, 3, 4, 5};
    QTest::newRow("ten-row pair") << workedReference() << workedCompared() << "0.97085"
                                  << "0.97615" << "0.94770" << "0.84931";
    QTest::newRow("five-row pair") << oneToFive << QVector<double>{1, 3, 3, 5, 5} << "0.96209"
                                   << "0.94491" << "0.90909" << "0.26667";
    QTest::newRow("y = x + 1") << oneToFive << QVector<double>{2, 3, 4, 5, 6} << "0.80000"
                               << "1.00000" << "0.80000" << "inf";
    QTest::newRow("x = y") << oneToFive << oneToFive << "1.00000" << "1.00000" << "1.00000"
                           << "nan";
    // n - 3 = 0 makes s_d^2 infinite, so RBS = delta^2 / inf.
    QTest::newRow("n = 3") << QVector<double>{1, 2, 4} << QVector<double>{1.5, 2, 5} << ""
                           << "" << "" << "0.00000";
    QTest::newRow("constant reference") << QVector<double>{3, 3, 3, 3, 3} << oneToFive << "nan"
                                        << "nan" << "nan" << "0.00000";
}

void tst_Concordance::estimates()
{
    QFETCH(QVector<double>, x);
    QFETCH(QVector<double>, y);
    QFETCH(QString, accuracy);
    QFETCH(QString, precision);
    QFETCH(QString, ccc);
    QFETCH(QString, rbs);

    const double cb = stats::accuracy(x, y);
    const double r = stats::precision(x, y, true);
    CONCORDA_COMPARE_PRINTED(cb, accuracy);
    CONCORDA_COMPARE_PRINTED(r, precision);
    CONCORDA_COMPARE_PRINTED(r * cb, ccc);
    CONCORDA_COMPARE_PRINTED(stats::rbs(x, y), rbs);
}

void tst_Concordance::limits_data()
{
    QTest::addColumn<QVector<double>>("x");
    QTest::addColumn<QVector<double>>("y");
    QTest::addColumn<double>("alpha");
    QTest::addColumn<Mode>("mode");
    QTest::addColumn<QString>("accuracyLimit");
    QTest::addColumn<QString>("precisionLimit");
    QTest::addColumn<QString>("cccLimit");

    const QVector<double> x = workedReference();
    const QVector<double> y = workedCompared();
    const QVector<double> oneToFive{1, 2, 3, 4, 5};
    const QVector<double> shifted{2, 3, 4, 5, 6};
    QTest::newRow("ten-row pair, random") << x << y << 0.05 << Mode::Random << "0.89921"
                                          << "0.91966" << "0.85763";
    QTest::newRow("ten-row pair, fixed") << x << y << 0.05 << Mode::Fixed << "0.92184"
                                         << "0.94235" << "0.89953";
    QTest::newRow("alpha 1.5, random") << x << y << 1.5 << Mode::Random << "-1" << "-1" << "-1";
    QTest::newRow("alpha -0.1, fixed") << x << y << -0.1 << Mode::Fixed << "-1" << "-1" << "-1";
    // With rho = 1 and w = 1 the fixed-mode variances vanish: the limits are the estimates.
    QTest::newRow("y = x + 1, fixed") << oneToFive << shifted << 0.05 << Mode::Fixed << "0.80000"
                                      << "1.00000" << "0.80000";
    // Perfect agreement: infinite logit and Fisher Z; tanh(+inf) = 1.
    QTest::newRow("x = y, random") << oneToFive << oneToFive << 0.05 << Mode::Random << "nan"
                                   << "1.00000" << "nan";
    QTest::newRow("x = y, fixed") << oneToFive << oneToFive << 0.05 << Mode::Fixed << "nan"
                                  << "1.00000" << "nan";
    // n - 3 = 0: an infinite standard error on the Fisher Z scale, tanh(-inf) = -1.
    QTest::newRow("n = 3, random") << QVector<double>{1, 2, 4} << QVector<double>{1.5, 2, 5}
                                   << 0.05 << Mode::Random << "" << "-1.00000" << "";
    QTest::newRow("constant compared column, fixed") << oneToFive << QVector<double>{3, 3, 3, 3, 3}
                                                     << 0.05 << Mode::Fixed << "nan" << "nan"
                                                     << "nan";
}

void tst_Concordance::limits()
{
    QFETCH(QVector<double>, x);
    QFETCH(QVector<double>, y);
    QFETCH(double, alpha);
    QFETCH(Mode, mode);
    QFETCH(QString, accuracyLimit);
    QFETCH(QString, precisionLimit);
    QFETCH(QString, cccLimit);

    CONCORDA_COMPARE_PRINTED(stats::accuracyLimit(x, y, alpha, mode), accuracyLimit);
    CONCORDA_COMPARE_PRINTED(stats::precisionLimit(x, y, alpha, true, mode), precisionLimit);
    CONCORDA_COMPARE_PRINTED(stats::cccLimit(x, y, alpha, mode), cccLimit);
}

void tst_Concordance::libraryErrors_data()
{
    QTest::addColumn<LibraryCall>("call");
    QTest::addColumn<QString>("expected");

    const QVector<double> x = workedReference();
    const QVector<double> y = workedCompared();
    const QString overflow = QStringLiteral("overflow_error: ");
    const QString domain = QStringLiteral("domain_error: ");
    const double nan = std::numeric_limits<double>::quiet_NaN();
    QTest::newRow("accuracy limit, alpha 0")
        << LibraryCall([=] { stats::accuracyLimit(x, y, 0, Mode::Random); }) << overflow;
    QTest::newRow("precision limit, alpha 1")
        << LibraryCall([=] { stats::precisionLimit(x, y, 1, true, Mode::Fixed); }) << overflow;
    QTest::newRow("CCC limit, alpha 1")
        << LibraryCall([=] { stats::cccLimit(x, y, 1, Mode::Random); }) << overflow;
    QTest::newRow("CCC limit, alpha NaN")
        << LibraryCall([=] { stats::cccLimit(x, y, nan, Mode::Fixed); }) << domain;
}

void tst_Concordance::libraryErrors()
{
    QFETCH(LibraryCall, call);
    QFETCH(QString, expected);
    const QString outcome = libraryError(call);
    const QString message = expected.startsWith(QStringLiteral("overflow"))
                                ? QStringLiteral("Overflow Error")
                                : QStringLiteral("Probability argument is nan");
    QVERIFY2(outcome.startsWith(expected) && outcome.contains(message), qPrintable(outcome));
}

void tst_Concordance::swappedColumns_data()
{
    QTest::addColumn<Mode>("mode");
    QTest::addColumn<bool>("accuracyLimitChanges");
    QTest::addColumn<bool>("precisionLimitChanges");
    QTest::addColumn<bool>("cccLimitChanges");

    QTest::newRow("random") << Mode::Random << false << false << false;
    // The precision limit's fixed-mode variance depends on rho alone, which is symmetric.
    QTest::newRow("fixed") << Mode::Fixed << true << false << true;
}

void tst_Concordance::swappedColumns()
{
    QFETCH(Mode, mode);
    QFETCH(bool, accuracyLimitChanges);
    QFETCH(bool, precisionLimitChanges);
    QFETCH(bool, cccLimitChanges);

    const QVector<double> x = workedReference();
    const QVector<double> y = workedCompared();
    CONCORDA_FUZZY_COMPARE(accuracy(y, x), accuracy(x, y), 1e-12);
    CONCORDA_FUZZY_COMPARE(precision(y, x, true), precision(x, y, true), 1e-12);
    CONCORDA_FUZZY_COMPARE(rbs(y, x), rbs(x, y), 1e-12);
    const auto changes = [](double swapped, double original) {
        return !fuzzyEqual(swapped, original, 1e-9);
    };
    QCOMPARE(changes(accuracyLimit(y, x, 0.05, mode), accuracyLimit(x, y, 0.05, mode)),
             accuracyLimitChanges);
    QCOMPARE(changes(precisionLimit(y, x, 0.05, true, mode), precisionLimit(x, y, 0.05, true, mode)),
             precisionLimitChanges);
    QCOMPARE(changes(cccLimit(y, x, 0.05, mode), cccLimit(x, y, 0.05, mode)), cccLimitChanges);
}

void tst_Concordance::precisionLimitIgnoresDivisor()
{
    const QVector<double> x = workedReference();
    const QVector<double> y = workedCompared();
    for (Mode mode : {Mode::Random, Mode::Fixed})
        CONCORDA_FUZZY_COMPARE(precisionLimit(x, y, 0.05, false, mode),
                               precisionLimit(x, y, 0.05, true, mode), 1e-12);
}

QTEST_GUILESS_MAIN(tst_Concordance)
#include "tst_concordance.moc"
