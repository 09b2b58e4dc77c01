#include "tdicp.h"
#include "vectortoolkit.h"

#include "fuzzy.h"
#include "statstesthelpers.h"

#include <QtTest>

#include <boost/math/distributions/normal.hpp>

#include <cmath>

using namespace stats;

Q_DECLARE_METATYPE(stats::Mode)

namespace {
const QVector<double> oneToFive{1, 2, 3, 4, 5};
const QVector<double> shifted{2, 3, 4, 5, 6};

// Diagnostic lines written while a test runs.
QStringList capturedMessages;

void captureMessage(QtMsgType, const QMessageLogContext &, const QString &message)
{
    capturedMessages << message;
}
} // namespace

class tst_TdiCp : public QObject
{
    Q_OBJECT

private slots:
    void indices_data();
    void indices();
    void proportional();
    void libraryErrors_data();
    void libraryErrors();
    void swappedColumns_data();
    void swappedColumns();
    void diagnosticLine_data();
    void diagnosticLine();
};

void tst_TdiCp::indices_data()
{
    QTest::addColumn<QVector<double>>("x");
    QTest::addColumn<QVector<double>>("y");
    QTest::addColumn<Mode>("mode");
    QTest::addColumn<double>("kappa0");
    QTest::addColumn<QString>("tdi");
    QTest::addColumn<QString>("tdiLimit");
    QTest::addColumn<QString>("cp");
    QTest::addColumn<QString>("cpLimit");

    const QVector<double> x = workedReference();
    const QVector<double> y = workedCompared();
    QTest::newRow("ten-row pair, random") << x << y << Mode::Random << 1.0 << "1.07721"
                                          << "1.54042" << "0.8586" << "0.5882";
    QTest::newRow("ten-row pair, fixed") << x << y << Mode::Fixed << 1.0 << "1.07721"
                                         << "1.54027" << "0.8587" << "0.5883";
    QTest::newRow("CP of 1, random") << x << y << Mode::Random << 10.0 << "" << "" << "1.0000"
                                     << "-1.0000";
    QTest::newRow("CP of 1, fixed") << x << y << Mode::Fixed << 10.0 << "" << "" << "1.0000"
                                    << "-1.0000";
    // Scales differing by a factor of two; values evaluated separately with the closed form
    // F(t; lambda) = Phi(sqrt t - sqrt lambda) - Phi(-sqrt t - sqrt lambda) of one degree of freedom.
    const QVector<double> oneToSeven{1, 2, 3, 4, 5, 6, 7};
    const QVector<double> aboutDouble{1.5, 3.9, 6.2, 7.8, 10.4, 12.1, 13.6};
    QTest::newRow("y about 2x, random") << oneToSeven << aboutDouble << Mode::Random << 2.0 << ""
                                        << "" << "0.226417" << "0.070174";
    QTest::newRow("y about 2x, fixed") << oneToSeven << aboutDouble << Mode::Fixed << 2.0 << ""
                                       << "" << "0.249789" << "0.198406";
    QTest::newRow("five-row pair") << oneToFive << QVector<double>{1, 3, 3, 5, 5} << Mode::Random
                                   << 1.0 << "1.16309" << "" << "" << "";
    // S = 5, MSD1 = 1.25: TDI = z_0.95 * sqrt(1.25).
    QTest::newRow("y = x + 1") << oneToFive << shifted << Mode::Random << 1.0 << "1.83900" << ""
                               << "" << "";
    // n - 3 = 0 makes s_d^2 infinite: F(0; 0) = 0, and the logit of 0 gives a NaN limit.
    QTest::newRow("n = 3, random") << QVector<double>{1, 2, 4} << QVector<double>{1.5, 2, 5}
                                   << Mode::Random << 1.0 << "" << "" << "0.0000" << "nan";
    // v_y = 0: the fixed-mode TDI limit falls back to A = delta^4, the random-mode value.
    QTest::newRow("constant compared column, fixed")
        << oneToFive << QVector<double>{3, 3, 3, 3, 3} << Mode::Fixed << 1.0 << "2.60074"
        << "5.09014" << "" << "";
    QTest::newRow("constant compared column, random")
        << oneToFive << QVector<double>{3, 3, 3, 3, 3} << Mode::Random << 1.0 << "2.60074"
        << "5.09014" << "" << "";
}

void tst_TdiCp::indices()
{
    QFETCH(QVector<double>, x);
    QFETCH(QVector<double>, y);
    QFETCH(Mode, mode);
    QFETCH(double, kappa0);
    QFETCH(QString, tdi);
    QFETCH(QString, tdiLimit);
    QFETCH(QString, cp);
    QFETCH(QString, cpLimit);

    qInstallMessageHandler(captureMessage);
    CONCORDA_COMPARE_PRINTED(stats::tdi(x, y, 0.9, false), tdi);
    CONCORDA_COMPARE_PRINTED(stats::tdiLimit(x, y, 0.9, false, 0.05, mode), tdiLimit);
    CONCORDA_COMPARE_PRINTED(stats::cp(x, y, kappa0, false, mode), cp);
    CONCORDA_COMPARE_PRINTED(stats::cpLimit(x, y, kappa0, false, 0.05, mode), cpLimit);
    qInstallMessageHandler(nullptr);
}

void tst_TdiCp::proportional()
{
    // No deviation is 0 percent; a deviation of ln 1.1 on the log scale is 10 percent.
    QCOMPARE(stats::tdi(oneToFive, oneToFive, 0.9, true), 0.0);
    const double logTen = std::log(1.1);
    const double p = 2.0 * boost::math::cdf(boost::math::normal_distribution<>(), logTen) - 1.0;
    CONCORDA_FUZZY_COMPARE(stats::tdi({0, 0, 0}, {1, -1, 0}, p, true), 10.0, 1e-9);

    const QVector<double> x = logarithm(workedReference());
    const QVector<double> y = logarithm(workedCompared());
    qInstallMessageHandler(captureMessage);
    for (Mode mode : {Mode::Random, Mode::Fixed}) {
        const double upper = stats::tdiLimit(x, y, 0.9, false, 0.05, mode);
        CONCORDA_FUZZY_COMPARE(stats::tdiLimit(x, y, 0.9, true, 0.05, mode),
                               (std::exp(upper) - 1.0) * 100.0, 1e-12);
        // A bound of 10 percent is ln 1.1 on the log scale.
        CONCORDA_FUZZY_COMPARE(stats::cp(x, y, 10.0, true, mode),
                               stats::cp(x, y, logTen, false, mode), 1e-12);
        CONCORDA_FUZZY_COMPARE(stats::cpLimit(x, y, 10.0, true, 0.05, mode),
                               stats::cpLimit(x, y, logTen, false, 0.05, mode), 1e-12);
    }
    qInstallMessageHandler(nullptr);
}

void tst_TdiCp::libraryErrors_data()
{
    QTest::addColumn<LibraryCall>("call");
    QTest::addColumn<QString>("expected");

    const QVector<double> x = workedReference();
    const QVector<double> y = workedCompared();
    const QString overflow = QStringLiteral("overflow_error: Error in function "
                                            "boost::math::erfc_inv<double>(double, double): "
                                            "Overflow Error");
    const QString infiniteNonCentrality =
        QStringLiteral("domain_error: Error in function boost::math::non_central_chi_squared_"
                       "distribution<double>::non_central_chi_squared_distribution(double,"
                       "double): Non centrality parameter is inf, but must be > 0 !");
    QTest::newRow("TDI, p 1.5") << LibraryCall([=] { stats::tdi(x, y, 1.5, false); })
                                << "domain_error: Error in function boost::math::quantile(const "
                                   "normal_distribution<double>&, double): Probability argument "
                                   "is 1.25, but must be >= 0 and <= 1 !";
    QTest::newRow("TDI, p 1") << LibraryCall([=] { stats::tdi(x, y, 1, false); }) << overflow;
    QTest::newRow("TDI, p -1") << LibraryCall([=] { stats::tdi(x, y, -1, false); }) << overflow;
    QTest::newRow("TDI limit, alpha 0")
        << LibraryCall([=] { stats::tdiLimit(x, y, 0.9, false, 0, Mode::Random); }) << overflow;
    QTest::newRow("TDI limit, alpha 1.5, no -1 guard")
        << LibraryCall([=] { stats::tdiLimit(x, y, 0.9, false, 1.5, Mode::Fixed); })
        << "Probability argument is -0.5, but must be >= 0 and <= 1 !";
    QTest::newRow("CP limit, alpha 1")
        << LibraryCall([=] { stats::cpLimit(x, y, 1, false, 1, Mode::Fixed); }) << overflow;
    QTest::newRow("CP, equal differences, random")
        << LibraryCall([] { stats::cp(oneToFive, shifted, 1, false, Mode::Random); })
        << infiniteNonCentrality;
    QTest::newRow("CP, equal differences, fixed")
        << LibraryCall([] { stats::cp(oneToFive, shifted, 1, false, Mode::Fixed); })
        << infiniteNonCentrality;
    QTest::newRow("CP limit, equal differences, random")
        << LibraryCall([] { stats::cpLimit(oneToFive, shifted, 1, false, 0.05, Mode::Random); })
        << infiniteNonCentrality;
    QTest::newRow("CP, y linear in x, fixed")
        << LibraryCall([] { stats::cp(oneToFive, {3, 5, 7, 9, 11}, 1, false, Mode::Fixed); })
        << "Non centrality parameter is";
    QTest::newRow("CP, n = 2, random")
        << LibraryCall([] { stats::cp({1, 2}, {2, 2}, 1, false, Mode::Random); })
        << "Non centrality parameter is -";
}

void tst_TdiCp::libraryErrors()
{
    QFETCH(LibraryCall, call);
    QFETCH(QString, expected);
    qInstallMessageHandler(captureMessage);
    const QString outcome = inBoost174Words(libraryError(call));
    qInstallMessageHandler(nullptr);
    QVERIFY2(outcome.contains(expected) && outcome.contains(QStringLiteral("_error: ")),
             qPrintable(outcome));
}

void tst_TdiCp::swappedColumns_data()
{
    QTest::addColumn<Mode>("mode");
    QTest::addColumn<bool>("changes");

    QTest::newRow("random") << Mode::Random << false;
    QTest::newRow("fixed") << Mode::Fixed << true;
}

void tst_TdiCp::swappedColumns()
{
    QFETCH(Mode, mode);
    QFETCH(bool, changes);

    const QVector<double> x = workedReference();
    const QVector<double> y = workedCompared();
    const auto differs = [](double swapped, double original) {
        return !fuzzyEqual(swapped, original, 1e-9);
    };
    qInstallMessageHandler(captureMessage);
    QCOMPARE(differs(tdi(y, x, 0.9, false), tdi(x, y, 0.9, false)), false);
    QCOMPARE(differs(tdiLimit(y, x, 0.9, false, 0.05, mode), tdiLimit(x, y, 0.9, false, 0.05, mode)),
             changes);
    QCOMPARE(differs(cp(y, x, 1, false, mode), cp(x, y, 1, false, mode)), changes);
    QCOMPARE(differs(cpLimit(y, x, 1, false, 0.05, mode), cpLimit(x, y, 1, false, 0.05, mode)),
             changes);
    qInstallMessageHandler(nullptr);
}

void tst_TdiCp::diagnosticLine_data()
{
    QTest::addColumn<LibraryCall>("call");
    QTest::addColumn<QStringList>("expected");

    const QVector<double> y{1, 3, 3, 5, 5.5};
    // The columns as QDebug writes a vector: Qt 6 calls it by its new name, QList.
    const QString vector = QT_VERSION >= QT_VERSION_CHECK(6, 0, 0) ? "QList" : "QVector";
    QTest::newRow("random CP") << LibraryCall([=] { cp(oneToFive, y, 1, false, Mode::Random); })
                               << QStringList{QString("%1(1, 2, 3, 4, 5) - %1(1, 3, 3, 5, 5.5)").arg(vector)};
    QTest::newRow("fixed CP") << LibraryCall([=] { cp(oneToFive, y, 1, false, Mode::Fixed); })
                              << QStringList{};
    QTest::newRow("random CP limit")
        << LibraryCall([=] { cpLimit(oneToFive, y, 1, false, 0.05, Mode::Random); })
        << QStringList{};
}

void tst_TdiCp::diagnosticLine()
{
    QFETCH(LibraryCall, call);
    QFETCH(QStringList, expected);
    capturedMessages.clear();
    qInstallMessageHandler(captureMessage);
    call();
    qInstallMessageHandler(nullptr);
    QCOMPARE(capturedMessages, expected);
}

QTEST_GUILESS_MAIN(tst_TdiCp)
#include "tst_tdicp.moc"
