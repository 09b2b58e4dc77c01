#include "regressionreport.h"

#include <QtTest>

#include <cmath>
#include <limits>

using namespace stats;

Q_DECLARE_METATYPE(QVector<double>)

namespace {

RegressionFigures fitted(RegressionMethod method)
{
    RegressionFigures f;
    f.n = 40;
    f.method = method;
    f.slope = 1.0213;
    f.slopeLower = 0.9874;
    f.slopeUpper = 1.0552;
    f.intercept = -0.134;
    f.interceptLower = -0.412;
    f.interceptUpper = 0.144;
    if (method == RegressionMethod::PassingBablok) {
        f.cusumH = 0.8;
        f.cusumCritical = 1.3581;
        f.linear = true;
    } else {
        f.errorRatio = 1;
    }
    if (method == RegressionMethod::WeightedDeming) {
        f.iterations = 30;
        f.converged = false;
    }
    return f;
}

} // namespace

class tst_RegressionReport : public QObject
{
    Q_OBJECT

private slots:
    void decisionLevelsTyped_data();
    void decisionLevelsTyped();
    void equation_data();
    void equation();
    void columnsFollowTheMethod_data();
    void columnsFollowTheMethod();
    void decisionLevelTable();
    void namesEscaped();
};

void tst_RegressionReport::decisionLevelsTyped_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("readable");
    QTest::addColumn<QVector<double>>("levels");
    QTest::addColumn<QString>("bad");

    QTest::newRow("empty") << "" << true << QVector<double>() << QString();
    QTest::newRow("white space only") << "  \t " << true << QVector<double>() << QString();
    QTest::newRow("semicolons and decimal commas") << "7,0; 11,1" << true << QVector<double>{7.0, 11.1} << QString();
    QTest::newRow("spaces, points, exponent") << " 6.5  8 1e2 " << true << QVector<double>{6.5, 8, 100} << QString();
    QTest::newRow("negative") << "-1;2" << true << QVector<double>{-1, 2} << QString();
    QTest::newRow("a word") << "7; high" << false << QVector<double>() << "high";
    QTest::newRow("infinite") << "1e999" << false << QVector<double>() << "1e999";
    QTest::newRow("not a number word") << "nan" << false << QVector<double>() << "nan";
    QTest::newRow("thousands written with a comma and a point") << "1,000.5" << false << QVector<double>() << "1,000.5";
}

void tst_RegressionReport::decisionLevelsTyped()
{
    QFETCH(QString, text);
    QFETCH(bool, readable);
    QFETCH(QVector<double>, levels);
    QFETCH(QString, bad);
    QVector<double> read;
    QString refused;
    QCOMPARE(stats::parseNumberList(text, &read, &refused), readable);
    if (readable)
        QCOMPARE(read, levels);
    else
        QCOMPARE(refused, bad);
}

// The equation prints the slope and intercept with two significant digits of their
// intervals' widths, and a negative intercept with a minus sign between the terms.
void tst_RegressionReport::equation_data()
{
    QTest::addColumn<double>("intercept");
    QTest::addColumn<double>("halfWidth");
    QTest::addColumn<QString>("text");
    QTest::newRow("negative intercept") << -0.134 << 0.278 << "MeterA = 1.021 × Lab − 0.13";
    QTest::newRow("positive intercept") << 12.4 << 40.0 << "MeterA = 1.021 × Lab + 12";
    QTest::newRow("no interval") << 0.5 << std::nan("") << "MeterA = 1.021 × Lab + 0.5000";
}

void tst_RegressionReport::equation()
{
    QFETCH(double, intercept);
    QFETCH(double, halfWidth);
    RegressionFigures f = fitted(RegressionMethod::Deming);
    f.intercept = intercept;
    f.interceptLower = intercept - halfWidth;
    f.interceptUpper = intercept + halfWidth;
    QTEST(regressionEquation(f, "Lab", "MeterA"), "text");
}

void tst_RegressionReport::columnsFollowTheMethod_data()
{
    QTest::addColumn<int>("method");
    QTest::addColumn<QString>("header");
    QTest::addColumn<QString>("lastCell");
    QTest::addColumn<QString>("options");
    QTest::newRow("Passing–Bablok") << int(RegressionMethod::PassingBablok) << "<th>Linearity (cusum)</th></tr>"
                                    << "<td class=\"text\">H = 0.800 (critical 1.358): linear</td></tr>"
                                    << "Passing–Bablok</td>";
    QTest::newRow("Deming") << int(RegressionMethod::Deming) << "<th>Intercept<br>(95 % CI)</th></tr>"
                            << "<td>-0.13<br><span class=\"ci\">-0.41 to 0.14</span></td></tr>"
                            << "Deming, error ratio λ = 2</td>";
    QTest::newRow("weighted Deming") << int(RegressionMethod::WeightedDeming) << "<th>Reweighting</th></tr>"
                                     << "<td class=\"text\">did not settle in 30 rounds</td></tr>"
                                     << "weighted Deming, error ratio λ = 2</td>";
}

void tst_RegressionReport::columnsFollowTheMethod()
{
    QFETCH(int, method);
    QFETCH(QString, header);
    QFETCH(QString, lastCell);
    QFETCH(QString, options);
    RegressionOptions o;
    o.method = RegressionMethod(method);
    o.errorRatio = 2;
    const QString html = regressionDocument("Lab", {"MeterA"}, {fitted(o.method)}, o, {});
    QVERIFY2(html.contains(header), qPrintable(html));
    QVERIFY2(html.contains("<tr><td class=\"name\">MeterA</td><td>40</td><td>1.021<br><span class=\"ci\">0.987 to 1.055</span></td>"),
             qPrintable(html));
    QVERIFY2(html.contains(lastCell), qPrintable(html));
    QVERIFY2(html.contains(options), qPrintable(html));
    QVERIFY(!html.contains("Bias at the decision levels"));
}

// A row per variable and level; an interval only where the method gives one, and an interval
// the data do not bound reaches to infinity.
void tst_RegressionReport::decisionLevelTable()
{
    RegressionOptions o;
    o.decisionLevels = {7, 11.1};
    RegressionFigures passingBablok = fitted(RegressionMethod::PassingBablok);
    passingBablok.slopeUpper = std::numeric_limits<double>::infinity();
    passingBablok.biasAt = {{7, 0.016, std::nan(""), std::nan("")}, {11.1, 0.102, std::nan(""), std::nan("")}};
    const QString html = regressionDocument("Lab", {"A"}, {passingBablok}, o, {});
    QVERIFY2(html.contains("<th>Decision level</th><th>Bias</th></tr>"
                           "<tr><td class=\"name\">A</td><td>7</td><td>0.02</td></tr>"
                           "<tr><td class=\"name\">A</td><td>11.1</td><td>0.10</td></tr></table>"),
             qPrintable(html));
    QVERIFY2(html.contains("<td>1.0213<br><span class=\"ci\">0.9874 to ∞</span></td>"), qPrintable(html));

    o.method = RegressionMethod::Deming;
    RegressionFigures deming = fitted(RegressionMethod::Deming);
    deming.biasAt = {{7, 0.016, -0.05, 0.08}};
    o.decisionLevels = {7};
    const QString withIntervals = regressionDocument("Lab", {"A"}, {deming}, o, {});
    QVERIFY2(withIntervals.contains("<td>7</td><td>0.02<br><span class=\"ci\">-0.05 to 0.08</span></td>"),
             qPrintable(withIntervals));
}

void tst_RegressionReport::namesEscaped()
{
    const QString evil = QStringLiteral("<b>x</b>&");
    const QString html = regressionDocument(evil, {evil}, {fitted(RegressionMethod::PassingBablok)},
                                            RegressionOptions(), {QStringLiteral("data:image/png;base64,AA")});
    QVERIFY(!html.contains("<b>x</b>"));
    QVERIFY(html.contains("&lt;b&gt;x&lt;/b&gt;&amp; = 1.021 × &lt;b&gt;x&lt;/b&gt;&amp; − 0.13"));
    QCOMPARE(html.count("<img "), 1);
}

QTEST_MAIN(tst_RegressionReport)
#include "tst_regressionreport.moc"
