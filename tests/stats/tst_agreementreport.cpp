#include "agreementreport.h"
#include "fuzzy.h"
#include "testdata.h"

#include <QtTest>

#include <cmath>
#include <stdexcept>

using namespace stats;

namespace {

const QString head = QStringLiteral(
    "<!DOCTYPE html><html><head><style>table,th,td{border:1px solid black;"
    "border-collapse:collapse;}th,td{padding:5px;}th{text-align:left;}td{white-space:nowrap;}"
    "</style></head>\n<body><table style=\"width:300px\">");
const QString headerRow = QStringLiteral(
    "</table><table style=\"width:300px\"><th style=\"border:none;\"></th><th>Accuracy</th>"
    "<th>Precision</th><th>CCC</th><th>TDI</th><th>CP</th><th>RBS</th><th>n</th></tr>");
const QString closing = QStringLiteral("</table> </body> </html>");

QString reportOf(const QVector<QVector<QVariant>> &others, const QVector<QVariant> &gold,
                 const QStringList &names, const AgreementOptions &o, int *failedColumn = nullptr)
{
    return agreementDocument(others, gold, names, o, failedColumn);
}

} // namespace

class tst_AgreementReport : public QObject
{
    Q_OBJECT

private slots:
    void fiveRowDocument_data();
    void fiveRowDocument();
    void optionsRow_data();
    void optionsRow();
    void missingCellsPerColumn();
    void namesAreEscaped();
    void noComparedColumn();
    void threePairsComplete();
    void libraryErrors_data();
    void libraryErrors();
};

// Limits as computed independently from the published formulas (normal quantile and the
// one-degree-of-freedom non-central chi-squared distribution written through the normal
// distribution). CP is 1 to double precision for a bound of 10, so its limit is -1.
void tst_AgreementReport::fiveRowDocument_data()
{
    QTest::addColumn<bool>("random");
    QTest::addColumn<QString>("row");
    QTest::newRow("fixed") << false
                           << "<td><b>B</b></td><td>0.96209 (0.73189)</td> <td>0.94491 (0.72431)</td>"
                              "<td>0.90909 (0.71209)</td><td>1.16309 (2.16961)</td>"
                              "<td>1.0000 (-1.0000)</td><td>0.26667</td><td>5</td></tr>";
    QTest::newRow("random") << true
                            << "<td><b>B</b></td><td>0.96209 (0.65382)</td> <td>0.94491 (0.55038)</td>"
                               "<td>0.90909 (0.56539)</td><td>1.16309 (2.19740)</td>"
                               "<td>1.0000 (-1.0000)</td><td>0.26667</td><td>5</td></tr>";
}

void tst_AgreementReport::fiveRowDocument()
{
    QFETCH(bool, random);
    QFETCH(QString, row);
    AgreementOptions options;
    options.random = random;
    const QString expected = head
        + "<td><b>TDI Allowance: 10</b></td><td><b>CP Allowance: 0.9</b></td><td><b>Alpha: 0.05</b></td>"
        + headerRow + row + closing;
    const QString html = reportOf({cells({1, 3, 3, 5, 5})}, cells({1, 2, 3, 4, 5}), {"B"}, options);
    QCOMPARE(html, expected);
}

void tst_AgreementReport::optionsRow_data()
{
    QTest::addColumn<double>("tdiAllowance");
    QTest::addColumn<double>("cpAllowance");
    QTest::addColumn<double>("alpha");
    QTest::addColumn<QString>("row");
    QTest::newRow("defaults") << 10.0 << 0.9 << 0.05
                              << "TDI Allowance: 10</b></td><td><b>CP Allowance: 0.9</b></td><td><b>Alpha: 0.05<";
    QTest::newRow("six significant digits") << 12.3456789 << 0.95 << 0.01
                              << "TDI Allowance: 12.3457</b></td><td><b>CP Allowance: 0.95</b></td><td><b>Alpha: 0.01<";
}

void tst_AgreementReport::optionsRow()
{
    QFETCH(double, tdiAllowance);
    QFETCH(double, cpAllowance);
    QFETCH(double, alpha);
    QFETCH(QString, row);
    const QString html = agreementDocument({}, {}, {}, {tdiAllowance, cpAllowance, alpha, false, false, true});
    QVERIFY2(html.contains(row), qPrintable(html));
    QCOMPARE(html, head + "<td><b>" + row + "/b></td>" + headerRow + closing);
}

// Each compared column is paired with the whole reference column: a gap in one column
// costs that column a pair, not the others.
void tst_AgreementReport::missingCellsPerColumn()
{
    const QVector<QVariant> gold = cells({10.1, 12.3, 9.8, 15.2, 11.0, 13.4, 8.9, 14.1, 12.2, 10.7, missing});
    const QVector<QVariant> full = cells({10.6, 12.0, 10.5, 15.9, 11.8, 13.1, 9.6, 14.9, 12.4, 11.5, 3.0});
    const QVector<QVariant> gappy = cells({missing, 12.0, 10.5, 15.9, missing, 13.1, 9.6, 14.9, 12.4, 11.5, 3.0});
    AgreementOptions options;
    options.tdiAllowance = 1;

    const AgreementFigures whole = agreementFigures(full, gold, options);
    const AgreementFigures reduced = agreementFigures(gappy, gold, options);
    QCOMPARE(whole.n, qint64(10));
    QCOMPARE(reduced.n, qint64(8));
    CONCORDA_FUZZY_COMPARE(whole.accuracy, 0.9708527660391111, 1e-9);
    CONCORDA_FUZZY_COMPARE(whole.ccc, 0.9476950594867068, 1e-9);
    CONCORDA_FUZZY_COMPARE(whole.tdiLimit, 1.5402708396933733, 1e-6);
    CONCORDA_FUZZY_COMPARE(whole.cp, 0.8586586922257894, 1e-6);

    const QString html = reportOf({gappy, full}, gold, {"gappy", "full"}, options);
    QVERIFY(html.contains("<td>0.97085 (0.92184)</td> <td>0.97615 (0.94235)</td><td>0.94770 (0.89953)</td>"
                          "<td>1.07721 (1.54027)</td><td>0.8587 (0.5883)</td><td>0.84931</td><td>10</td></tr>"));
    QVERIFY(html.indexOf("<b>gappy</b>") < html.indexOf("<b>full</b>"));
    QVERIFY(html.contains("<td>8</td></tr><td><b>full</b>"));
}

void tst_AgreementReport::namesAreEscaped()
{
    const QString html = reportOf({cells({1, 3, 3, 5, 5})}, cells({1, 2, 3, 4, 5}),
                                  {"<img src=x onerror=alert(1)> & \"<script>\""}, AgreementOptions());
    QVERIFY(html.contains("<td><b>&lt;img src=x onerror=alert(1)&gt; &amp; &quot;&lt;script&gt;&quot;</b></td>"));
    QVERIFY(!html.contains("<img"));
    QVERIFY(!html.contains("<script"));
}

void tst_AgreementReport::noComparedColumn()
{
    const QString html = reportOf({}, cells({1, 2, 3}), {}, AgreementOptions());
    QVERIFY(html.endsWith(headerRow + closing));
}

// Three pairs make the n - 3 divisors zero: the spread of the differences is infinite, so
// RBS and CP are 0 and the CP limit is NaN, yet the document completes.
void tst_AgreementReport::threePairsComplete()
{
    AgreementOptions options;
    options.random = true;
    const QString html = reportOf({cells({1, missing, 3, 5})}, cells({1, 2, 4, 7}), {"B"}, options);
    QVERIFY2(html.contains("<td>0.00000</td><td>3</td></tr>"), qPrintable(html));
    QVERIFY2(html.contains("<td>0.0000 (nan)</td>"), qPrintable(html));
    QVERIFY(html.endsWith(closing));
}

void tst_AgreementReport::libraryErrors_data()
{
    QTest::addColumn<QVector<QVariant>>("other");
    QTest::addColumn<double>("cpAllowance");
    QTest::addColumn<double>("alpha");
    QTest::addColumn<bool>("proportional");
    QTest::addColumn<bool>("random");
    QTest::addColumn<bool>("overflow");
    QTest::addColumn<QString>("cause");

    const QVector<QVariant> good = cells({1, 3, 3, 5, 5, 7});
    QTest::newRow("CP Allowance 1") << good << 1.0 << 0.05 << false << false << true
                                    << "CP Allowance must lie strictly between -1 and 1";
    QTest::newRow("CP Allowance 1.5") << good << 1.5 << 0.05 << false << true << false
                                      << "CP Allowance must lie strictly between -1 and 1";
    QTest::newRow("Alpha 0") << good << 0.9 << 0.0 << false << false << true
                             << "Alpha must lie strictly between 0 and 1";
    QTest::newRow("Alpha 1") << good << 0.9 << 1.0 << false << true << true
                             << "Alpha must lie strictly between 0 and 1";
    QTest::newRow("Alpha 2") << good << 0.9 << 2.0 << false << false << false
                             << "Alpha must lie strictly between 0 and 1";
    QTest::newRow("no spread, random") << cells({2, 3, 4, 5, 6, 7}) << 0.9 << 0.05 << false << true
                                       << false << "the differences between B and the Gold Standard have no spread";
    QTest::newRow("no spread, fixed") << cells({2, 3, 4, 5, 6, 7}) << 0.9 << 0.05 << false << false
                                      << false << "the differences between B and the Gold Standard have no spread";
    QTest::newRow("linear, fixed") << cells({2, 4, 6, 8, 10, 12}) << 0.9 << 0.05 << false << false
                                   << false << "B is an exact linear function of the Gold Standard";
    QTest::newRow("two pairs") << cells({2, missing, 5, missing, missing, missing}) << 0.9 << 0.05
                               << false << true << false << "B has 2 complete pairs with the Gold Standard";
    QTest::newRow("one pair") << cells({2, missing, missing, missing, missing, missing}) << 0.9 << 0.05
                              << false << true << false << "B has 1 complete pair with the Gold Standard";
    QTest::newRow("zero reading, proportional") << cells({0, 3, 3, 5, 5, 7}) << 0.9 << 0.05 << true
                                                << true << false << "zero or negative reading";
    QTest::newRow("negative reading, proportional") << cells({-1, 3, 3, 5, 5, 7}) << 0.9 << 0.05
                                                    << true << false << false << "zero or negative reading";
}

// A library error ends the report with no document; the message names the variable,
// says the cause in the user's terms and keeps the library's own text on its own line.
void tst_AgreementReport::libraryErrors()
{
    QFETCH(QVector<QVariant>, other);
    QFETCH(double, cpAllowance);
    QFETCH(double, alpha);
    QFETCH(bool, proportional);
    QFETCH(bool, random);
    QFETCH(bool, overflow);
    QFETCH(QString, cause);

    const QVector<QVariant> gold = cells({1, 2, 3, 4, 5, 6});
    AgreementOptions options;
    options.cpAllowance = cpAllowance;
    options.alpha = alpha;
    options.proportional = proportional;
    options.random = random;

    int failedColumn = -1;
    try {
        reportOf({cells({1, 3, 3, 5, 5, 7}), other}, gold, {"A", "B"}, options, &failedColumn);
        QFAIL("the report completed");
    } catch (const std::overflow_error &error) {
        QVERIFY2(overflow, error.what());
        QCOMPARE(failedColumn, cpAllowance >= 1 || alpha <= 0 || alpha >= 1 ? 0 : 1);
        const QString message = agreementErrorMessage(error, "A", cells({1, 3, 3, 5, 5, 7}), gold, options);
        QVERIFY2(message.contains(cause), qPrintable(message));
        QVERIFY(message.endsWith("\n" + QString::fromLatin1(error.what())));
    } catch (const std::domain_error &error) {
        QVERIFY2(!overflow, error.what());
        const bool optionError = cpAllowance >= 1 || alpha <= 0 || alpha >= 1;
        QCOMPARE(failedColumn, optionError ? 0 : 1);
        const QString name = optionError ? "A" : "B";
        const QString message = agreementErrorMessage(error, name, optionError ? cells({1, 3, 3, 5, 5, 7}) : other,
                                                      gold, options);
        QVERIFY2(message.startsWith("The agreement of " + name + " with the Gold Standard could not be computed: "),
                 qPrintable(message));
        QVERIFY2(message.contains(cause), qPrintable(message));
        QVERIFY(message.endsWith("\n" + QString::fromLatin1(error.what())));
    }
}

QTEST_MAIN(tst_AgreementReport)
#include "tst_agreementreport.moc"
