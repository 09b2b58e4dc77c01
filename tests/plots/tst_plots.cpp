#include "analysis.h"
#include "blandaltman.h"
#include "blandaltmanreport.h"
#include "plotframe.h"
#include "regressionreport.h"
#include "plotdrawing.h"
#include "plotexport.h"

#include <QImage>
#include <QTemporaryDir>
#include <QtTest>

#include <qcustomplot.h>

#include <memory>

using stats::BlandAltmanFigures;
using stats::BlandAltmanOptions;
using stats::DifferenceScale;

namespace {

// The figures of a small pair set: x the reference, y the compared method.
BlandAltmanFigures figuresOf(const BlandAltmanOptions &options)
{
    const QVector<double> x = {10, 20, 30, 40, 50};
    const QVector<double> y = {11, 19, 33, 41, 54};
    QString problem;
    return stats::blandAltman(x, y, options, QStringLiteral("MeterA"), &problem);
}

// The value at which a horizontal straight line crosses the plot.
QList<double> horizontalLines(QCustomPlot *plot)
{
    QList<double> values;
    for (int i = 0; i < plot->itemCount(); ++i) {
        if (auto *line = qobject_cast<QCPItemStraightLine *>(plot->item(i))) {
            if (line->point1->value() == line->point2->value())
                values << line->point1->value();
        }
    }
    return values;
}

QStringList labels(QCustomPlot *plot)
{
    QStringList texts;
    for (int i = 0; i < plot->itemCount(); ++i) {
        if (auto *text = qobject_cast<QCPItemText *>(plot->item(i)))
            texts << text->text();
    }
    return texts;
}

QList<QPair<double, double>> bands(QCustomPlot *plot)
{
    QList<QPair<double, double>> spans;
    for (int i = 0; i < plot->itemCount(); ++i) {
        if (auto *rect = qobject_cast<QCPItemRect *>(plot->item(i)))
            spans << qMakePair(rect->bottomRight->value(), rect->topLeft->value());
    }
    return spans;
}

} // namespace

class tst_Plots : public QObject
{
    Q_OBJECT

private slots:
    void blandAltmanItems_data();
    void blandAltmanItems();
    void redrawingReplacesItems();
    void exports_data();
    void exports();
    void saveKeepsOldFileOnFailure();
    void regressionItems_data();
    void regressionItems();
    void everyModelDrawnAtItsCoordinates_data();
    void everyModelDrawnAtItsCoordinates();
};

// The lines and bands stand at the figures' values in data coordinates, the labels carry
// the values as the report prints them, and every point and interval lies within the axes.
void tst_Plots::blandAltmanItems_data()
{
    QTest::addColumn<int>("scale");
    QTest::addColumn<double>("noDifference");
    QTest::addColumn<QString>("yTitle");
    QTest::addColumn<QString>("unit");
    QTest::newRow("absolute") << int(DifferenceScale::Absolute) << 0.0
                              << QStringLiteral("MeterA − Lab") << QString();
    QTest::newRow("percentage") << int(DifferenceScale::Percentage) << 0.0
                                << QStringLiteral("100 × (MeterA − Lab) / mean (%)") << QStringLiteral(" %");
    QTest::newRow("ratio") << int(DifferenceScale::Ratio) << 1.0 << QStringLiteral("MeterA / Lab")
                           << QString();
}

void tst_Plots::blandAltmanItems()
{
    QFETCH(int, scale);
    QFETCH(double, noDifference);
    QFETCH(QString, yTitle);
    QFETCH(QString, unit);
    BlandAltmanOptions options;
    options.differences = DifferenceScale(scale);
    const BlandAltmanFigures f = figuresOf(options);
    QCustomPlot plot;
    plots::drawPlot(&plot, stats::blandAltmanPlot(f, options, QStringLiteral("Lab"), QStringLiteral("MeterA")));

    QCOMPARE(plot.yAxis->label(), yTitle);
    QCOMPARE(plot.xAxis->label(), QStringLiteral("Mean of Lab and MeterA"));
    QCOMPARE(horizontalLines(&plot), QList<double>({noDifference, f.bias, f.loaLower, f.loaUpper}));
    const QList<QPair<double, double>> intervals = bands(&plot);
    QCOMPARE(intervals.size(), 3);
    QCOMPARE(intervals.at(0), qMakePair(f.biasLower, f.biasUpper));
    QCOMPARE(intervals.at(1), qMakePair(f.loaLowerCiLower, f.loaLowerCiUpper));
    QCOMPARE(intervals.at(2), qMakePair(f.loaUpperCiLower, f.loaUpperCiUpper));

    const QStringList texts = labels(&plot);
    QCOMPARE(texts.size(), 3);
    const int decimals = stats::blandAltmanDecimals(f, options.differences);
    QCOMPARE(texts.at(0), "Bias " + QString::number(f.bias, 'f', decimals) + unit);
    QCOMPARE(texts.at(1), "Upper limit " + QString::number(f.loaUpper, 'f', decimals) + unit);
    QCOMPARE(texts.at(2), "Lower limit " + QString::number(f.loaLower, 'f', decimals) + unit);

    QCOMPARE(plot.graphCount(), 1);
    QCOMPARE(plot.graph(0)->dataCount(), 5);
    for (int i = 0; i < 5; ++i) {
        const double key = plot.graph(0)->data()->at(i)->key;
        const double value = plot.graph(0)->data()->at(i)->value;
        QCOMPARE(key, f.axisValues.at(i));
        QCOMPARE(value, f.differences.at(i));
        QVERIFY(plot.xAxis->range().contains(key));
        QVERIFY(plot.yAxis->range().contains(value));
    }
    QVERIFY(plot.yAxis->range().contains(f.loaLowerCiLower));
    QVERIFY(plot.yAxis->range().contains(f.loaUpperCiUpper));
    QVERIFY(plot.yAxis->range().contains(noDifference));
}

// A plot widget is reused for the next variable: nothing of the previous one remains.
void tst_Plots::redrawingReplacesItems()
{
    QCustomPlot plot;
    const BlandAltmanFigures f = figuresOf(BlandAltmanOptions());
    plots::drawPlot(&plot, stats::blandAltmanPlot(f, BlandAltmanOptions(), QStringLiteral("Lab"), QStringLiteral("A")));
    const int items = plot.itemCount();
    plots::drawPlot(&plot, stats::blandAltmanPlot(f, BlandAltmanOptions(), QStringLiteral("Lab"), QStringLiteral("B")));
    QCOMPARE(plot.itemCount(), items);
    QCOMPARE(plot.graphCount(), 1);
    QCOMPARE(plot.plotLayout()->rowCount(), 2);
    QCOMPARE(plot.yAxis->label(), QStringLiteral("B − Lab"));
}

void tst_Plots::exports_data()
{
    QTest::addColumn<QString>("suffix");
    QTest::newRow("svg") << QStringLiteral("svg");
    QTest::newRow("pdf") << QStringLiteral("pdf");
    QTest::newRow("png") << QStringLiteral("PNG");
}

// Each format comes out whole: an SVG whose texts include the axis titles (so a journal's
// editor can still change them), a PDF, a PNG twice the plot's size.
void tst_Plots::exports()
{
    QFETCH(QString, suffix);
    stats::PlotFormat format;
    QVERIFY(stats::plotFormatFromName(suffix, &format));
    QCustomPlot plot;
    plots::drawPlot(&plot, stats::blandAltmanPlot(figuresOf(BlandAltmanOptions()), BlandAltmanOptions(),
                               QStringLiteral("Lab <1>"), QStringLiteral("MeterA")));
    const QByteArray bytes = plots::plotBytes(&plot, format, QStringLiteral("title"));
    switch (format) {
    case stats::PlotFormat::Svg:
        QVERIFY(bytes.startsWith("<?xml"));
        QVERIFY(bytes.contains(">Mean of Lab &lt;1&gt; and MeterA</text>"));
        QVERIFY(bytes.contains(QStringLiteral(">MeterA − Lab &lt;1&gt;</text>").toUtf8()));
        break;
    case stats::PlotFormat::Pdf:
        QVERIFY(bytes.startsWith("%PDF-"));
        QVERIFY(bytes.trimmed().endsWith("%%EOF"));
        QVERIFY(bytes.size() > 5000);
        break;
    case stats::PlotFormat::Png: {
        const QImage image = QImage::fromData(bytes, "PNG");
        QCOMPARE(image.size(), plots::plotSize * 2);
        QVERIFY(plots::plotDataUri(&plot).startsWith("data:image/png;base64,iVBORw0KGgo"));
        break;
    }
    }
}

void tst_Plots::saveKeepsOldFileOnFailure()
{
    QTemporaryDir dir;
    QCustomPlot plot;
    plots::drawPlot(&plot, stats::blandAltmanPlot(figuresOf(BlandAltmanOptions()), BlandAltmanOptions(),
                               QStringLiteral("Lab"), QStringLiteral("A")));
    QString error;
    const QString good = dir.filePath(QStringLiteral("plot.svg"));
    QVERIFY2(plots::savePlot(&plot, stats::PlotFormat::Svg, QStringLiteral("t"), good, &error), qPrintable(error));
    QVERIFY(QFileInfo(good).size() > 1000);
    QVERIFY(!plots::savePlot(&plot, stats::PlotFormat::Svg, QStringLiteral("t"),
                             dir.filePath(QStringLiteral("missing/plot.svg")), &error));
    QVERIFY(!error.isEmpty());
}

void tst_Plots::regressionItems_data()
{
    QTest::addColumn<bool>("equalScales");
    QTest::newRow("equal scales") << true;
    QTest::newRow("scales of their own") << false;
}

// The identity line through (0, 0) and (1, 1), the fitted line over the data's range only,
// its equation in a corner, every point within the axes; with equal scales a unit is as
// long across as up.
void tst_Plots::regressionItems()
{
    QFETCH(bool, equalScales);
    const QVector<double> x = {2, 4, 6, 8, 10};
    const QVector<double> y = {2.3, 4.1, 6.6, 8.4, 10.9};
    stats::RegressionFigures f;
    f.method = stats::RegressionMethod::Deming;
    f.slope = 1.07;
    f.intercept = 0.05;
    f.slopeLower = 1.0;
    f.slopeUpper = 1.14;
    f.interceptLower = -0.3;
    f.interceptUpper = 0.4;
    QCustomPlot plot;
    plots::drawPlot(&plot, stats::regressionPlot(x, y, f, QStringLiteral("Lab"), QStringLiteral("MeterA"), equalScales));

    QCOMPARE(plot.xAxis->label(), QStringLiteral("Lab"));
    QCOMPARE(plot.yAxis->label(), QStringLiteral("MeterA"));
    QCPItemStraightLine *identity = nullptr;
    QCPItemLine *fit = nullptr;
    for (int i = 0; i < plot.itemCount(); ++i) {
        if (auto *line = qobject_cast<QCPItemStraightLine *>(plot.item(i)))
            identity = line;
        if (auto *line = qobject_cast<QCPItemLine *>(plot.item(i)))
            fit = line;
    }
    QVERIFY(identity && fit);
    QCOMPARE(identity->point1->coords(), QPointF(0, 0));
    QCOMPARE(identity->point2->coords(), QPointF(1, 1));
    QCOMPARE(fit->start->coords(), QPointF(2, 0.05 + 1.07 * 2));
    QCOMPARE(fit->end->coords(), QPointF(10, 0.05 + 1.07 * 10));
    QVERIFY(labels(&plot).contains(stats::regressionEquation(f, QStringLiteral("Lab"), QStringLiteral("MeterA"))));
    for (int i = 0; i < x.size(); ++i) {
        QVERIFY(plot.xAxis->range().contains(x.at(i)));
        QVERIFY(plot.yAxis->range().contains(y.at(i)));
    }
    plot.replot();
    const double across = plot.xAxis->coordToPixel(1) - plot.xAxis->coordToPixel(0);
    const double up = plot.yAxis->coordToPixel(0) - plot.yAxis->coordToPixel(1);
    QCOMPARE(std::fabs(across - up) < 0.01 * up, equalScales);
}

void tst_Plots::everyModelDrawnAtItsCoordinates_data()
{
    QTest::addColumn<QString>("id");
    QTest::addColumn<QStringList>("options"); // name=value pairs
    QTest::newRow("Bland–Altman, constant") << "bland-altman" << QStringList();
    QTest::newRow("Bland–Altman, regression-based") << "bland-altman" << QStringList{"loa-method=1"};
    QTest::newRow("Bland–Altman, non-parametric") << "bland-altman" << QStringList{"loa-method=2"};
    QTest::newRow("Passing–Bablok with its bootstrap band") << "regression" << QStringList{"bootstrap=200"};
    QTest::newRow("Deming with its jackknife band") << "regression" << QStringList{"method=1"};
    QTest::newRow("weighted Deming") << "regression" << QStringList{"method=2"};
}

// Whatever an analysis describes is drawn where it says: every band, line and point of
// every plot model, in data coordinates.
void tst_Plots::everyModelDrawnAtItsCoordinates()
{
    QFETCH(QString, id);
    QFETCH(QStringList, options);
    const stats::Analysis &analysis = *stats::findAnalysis(id);
    stats::AnalysisInput input;
    input.referenceName = QStringLiteral("Lab");
    input.names = input.labels = QStringList{"MeterA"};
    QVector<QVariant> compared;
    for (int i = 0; i < 40; ++i) {
        const double x = 3.0 + (i * 37 % 41) * 0.4;
        input.reference.append(x);
        compared.append(1.04 * x + 0.2 + ((i * 13) % 7 - 3) * 0.05 * x);
    }
    input.compared = {compared};
    input.options = stats::defaultOptionValues(analysis.options());
    for (const QString &option : options)
        input.options.set(option.section('=', 0, 0), option.section('=', 1).toInt());
    stats::Problem problem;
    const auto result = stats::runAnalysis(analysis, input, stats::OptionNames::Dialog, &problem);
    QVERIFY2(result, qPrintable(problem.message));

    for (const stats::PlotModel &model : result->plots()) {
        QCustomPlot plot;
        plots::drawPlot(&plot, model);
        QCOMPARE(plot.xAxis->label(), model.xTitle);
        QCOMPARE(plot.yAxis->label(), model.yTitle);
        QVector<stats::PlotLine> horizontal;
        QVector<stats::PlotLine> paths;
        for (const stats::PlotLine &line : model.lines)
            (line.kind == stats::PlotLine::Horizontal ? horizontal : paths).append(line);
        QList<double> expectedHorizontal;
        for (const stats::PlotLine &line : horizontal)
            expectedHorizontal << line.y.first();
        QCOMPARE(horizontalLines(&plot), expectedHorizontal);
        // Straight lines and two-point paths are items, longer paths curves.
        QList<QPair<QPointF, QPointF>> segments;
        for (int i = 0; i < plot.itemCount(); ++i) {
            if (auto *line = qobject_cast<QCPItemLine *>(plot.item(i)))
                segments << qMakePair(line->start->coords(), line->end->coords());
        }
        int curves = 0;
        for (const stats::PlotLine &line : paths) {
            if (line.kind != stats::PlotLine::Path)
                continue;
            if (line.x.size() == 2)
                QVERIFY(segments.contains(qMakePair(QPointF(line.x.at(0), line.y.at(0)),
                                                    QPointF(line.x.at(1), line.y.at(1)))));
            else
                ++curves;
        }
        QCOMPARE(plot.plottableCount() - plot.graphCount(), curves);
        // A band between curves is two graphs, the upper filled down to the lower.
        int graph = 0;
        for (const stats::PlotBand &band : model.bands) {
            if (band.kind != stats::PlotBand::Between)
                continue;
            QCPGraph *lower = plot.graph(graph++);
            QCPGraph *upper = plot.graph(graph++);
            QCOMPARE(upper->channelFillGraph(), lower);
            QCOMPARE(lower->dataCount(), band.x.size());
            for (int k = 0; k < band.x.size(); ++k) {
                QCOMPARE(lower->data()->at(k)->key, band.x.at(k));
                QCOMPARE(upper->data()->at(k)->value, band.upper.at(k));
            }
        }
        int points = 0;
        for (int g = graph; g < plot.graphCount(); ++g)
            points += plot.graph(g)->dataCount();
        QCOMPARE(points, model.points.first().x.size());
    }
}

QTEST_MAIN(tst_Plots)
#include "tst_plots.moc"
