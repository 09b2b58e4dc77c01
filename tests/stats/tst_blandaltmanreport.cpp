#include "blandaltmanreport.h"
#include "reportnumbers.h"

#include <QtTest>

#include <cmath>
#include <limits>

using namespace stats;

namespace {

BlandAltmanFigures peakFlowLike()
{
    BlandAltmanFigures f;
    f.n = 17;
    f.bias = -2.1176470588;
    f.biasLower = -22.0488376966;
    f.biasUpper = 17.813543579;
    f.sd = 38.765129874;
    f.loaLower = -78.095905467;
    f.loaLowerCiLower = -124.160798295;
    f.loaLowerCiUpper = -53.094931417;
    f.loaUpper = 73.860611349;
    f.loaUpperCiLower = 48.859637299;
    f.loaUpperCiUpper = 119.925504177;
    f.slope = 0.0286874451;
    f.slopeLower = -0.1593200637;
    f.slopeUpper = 0.216694954;
    f.slopeP = 0.7494985336;
    return f;
}

} // namespace

class tst_BlandAltmanReport : public QObject
{
    Q_OBJECT

private slots:
    void numbers_data();
    void numbers();
    void rowOfFigures();
    void titlesFollowTheScale_data();
    void titlesFollowTheScale();
    void namesEscapedAndPlotsEmbedded();
};

void tst_BlandAltmanReport::numbers_data()
{
    QTest::addColumn<double>("spread");
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("p");
    QTest::addColumn<QString>("pText");

    QTest::newRow("spread 38.8: 2 decimals") << 38.8 << -2.1176 << "-2.12" << 0.7495 << "0.750";
    QTest::newRow("spread 0.8: 4 decimals") << 0.8 << 1.23456 << "1.2346" << 0.0009 << "< 0.001";
    QTest::newRow("spread 1200: none") << 1200.0 << 1234.5 << "1235" << 0.001 << "0.001";
    QTest::newRow("spread 0: 2 decimals") << 0.0 << 3.14159 << "3.14" << 1.0 << "1.000";
    QTest::newRow("a tiny negative prints unsigned") << 10.0 << -0.004 << "0.00" << 0.5 << "0.500";
    QTest::newRow("not a number is a dash") << 1.0 << std::nan("") << "–" << std::nan("") << "–";
    QTest::newRow("infinity is a dash") << 1.0 << std::numeric_limits<double>::infinity() << "–"
                                        << 0.0 << "< 0.001";
}

void tst_BlandAltmanReport::numbers()
{
    QFETCH(double, spread);
    QFETCH(double, value);
    QFETCH(double, p);
    QTEST(reportNumber(value, decimalsForSpread(spread)), "text");
    QTEST(pValueText(p), "pText");
}

// One row per compared variable, each figure with its interval, all with the decimals that
// the SD calls for; the slope with its own.
void tst_BlandAltmanReport::rowOfFigures()
{
    const QString html = blandAltmanDocument(QStringLiteral("MiniWright1"), {QStringLiteral("Wright1")},
                                             {peakFlowLike()}, BlandAltmanOptions(), {});
    QVERIFY2(html.contains("<tr><td class=\"name\">Wright1</td><td>17</td>"
                           "<td>-2.12<br><span class=\"ci\">-22.05 to 17.81</span></td><td>38.77</td>"
                           "<td>-78.10<br><span class=\"ci\">-124.16 to -53.09</span></td>"
                           "<td>73.86<br><span class=\"ci\">48.86 to 119.93</span></td>"
                           "<td>0.02869<br><span class=\"ci\">-0.15932 to 0.21669</span></td>"
                           "<td>0.749</td></tr>"),
             qPrintable(html));
    QVERIFY(html.contains("<th>Bias<br>(95 % CI)</th><th>SD</th>"));
    QVERIFY(html.contains("bias ± 1.960 SD, for 95 % of the differences"));
    QVERIFY(html.contains("exact (non-central t)"));
    QVERIFY(!html.contains("<img"));
}

void tst_BlandAltmanReport::titlesFollowTheScale_data()
{
    QTest::addColumn<int>("scale");
    QTest::addColumn<QString>("difference");
    QTest::addColumn<QString>("biasHeader");
    QTest::newRow("absolute") << int(DifferenceScale::Absolute) << "B − A" << "<th>Bias<br>(95 % CI)</th><th>SD</th>";
    QTest::newRow("percentage") << int(DifferenceScale::Percentage) << "100 × (B − A) / mean (%)"
                                << "<th>Bias, %<br>(95 % CI)</th><th>SD, %</th>";
    QTest::newRow("ratio") << int(DifferenceScale::Ratio) << "B / A"
                           << "<th>Bias, ratio<br>(95 % CI)</th><th>SD, log scale</th>";
}

void tst_BlandAltmanReport::titlesFollowTheScale()
{
    QFETCH(int, scale);
    QFETCH(QString, difference);
    QFETCH(QString, biasHeader);
    BlandAltmanOptions options;
    options.differences = DifferenceScale(scale);
    options.alpha = 0.1;
    QCOMPARE(differenceTitle(options.differences, "A", "B"), difference);
    const QString html = blandAltmanDocument("A", {"B"}, {peakFlowLike()}, options, {"data:x"});
    QVERIFY2(html.contains(biasHeader.replace("95", "90")), qPrintable(html));
    QVERIFY(html.contains("alt=\"Bland–Altman plot of " + difference.toHtmlEscaped() + "\""));
    QCOMPARE(axisTitle(DifferenceAxis::PairMean, "A", "B"), QStringLiteral("Mean of A and B"));
    QCOMPARE(axisTitle(DifferenceAxis::Reference, "A", "B"), QStringLiteral("A"));
}

// Names come from the user's file: they are text, never markup, in the table, the headings
// and the images' descriptions; a plot's image address is quoted.
void tst_BlandAltmanReport::namesEscapedAndPlotsEmbedded()
{
    const QString evil = QStringLiteral("<script>alert(1)</script>\"&");
    const QString html = blandAltmanDocument(evil, {evil, QStringLiteral("B")},
                                             {peakFlowLike(), peakFlowLike()},
                                             BlandAltmanOptions(), {QStringLiteral("data:image/png;base64,AAA"), QString()});
    QVERIFY(!html.contains("<script"));
    QVERIFY(html.contains("&lt;script&gt;alert(1)&lt;/script&gt;&quot;&amp;"));
    QCOMPARE(html.count("<img "), 1);
    QVERIFY(html.contains("<img src=\"data:image/png;base64,AAA\" width=\"800\" height=\"600\""));
    QCOMPARE(html.count("<tr><td class=\"name\">"), 2);
    QVERIFY(html.endsWith("</body></html>"));
}

QTEST_MAIN(tst_BlandAltmanReport)
#include "tst_blandaltmanreport.moc"
