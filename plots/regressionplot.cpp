#include "regressionplot.h"

#include "plotframe.h"
#include "regressionreport.h"

#include <qcustomplot.h>

#include <algorithm>
#include <limits>

namespace plots {

namespace {

class RegressionPlot
{
    Q_DECLARE_TR_FUNCTIONS(RegressionPlot)
};

const QColor fitColor(178, 34, 34);

struct Span
{
    double low = std::numeric_limits<double>::infinity();
    double high = -std::numeric_limits<double>::infinity();

    void add(double value)
    {
        low = std::min(low, value);
        high = std::max(high, value);
    }
};

QCPItemText *addCornerLabel(QCustomPlot *plot, double row, const QString &text, const QColor &color)
{
    auto *label = new QCPItemText(plot);
    label->position->setType(QCPItemPosition::ptAxisRectRatio);
    label->position->setCoords(0.02, 0.02 + 0.055 * row);
    label->setPositionAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setText(text);
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPointSizeF(9.5);
    label->setFont(font);
    label->setColor(color);
    return label;
}

} // namespace

void drawRegressionPlot(QCustomPlot *plot, const QVector<double> &reference,
                        const QVector<double> &compared, const stats::RegressionFigures &figures,
                        const QString &referenceName, const QString &comparedName, bool equalScales)
{
    preparePlot(plot,
                RegressionPlot::tr("%1 regression: %2 against %3")
                    .arg(stats::regressionMethodName(figures.method), comparedName, referenceName),
                referenceName, comparedName);

    Span xs;
    Span ys;
    for (double value : reference)
        xs.add(value);
    for (double value : compared)
        ys.add(value);

    addStraightLine(plot, 0.0, 0.0, 1.0, 1.0, QPen(QColor(110, 110, 110), 1.2, Qt::DashLine));
    // The fitted line only where there are data: beyond them it is an extrapolation.
    auto *fit = new QCPItemLine(plot);
    fit->start->setCoords(xs.low, figures.intercept + figures.slope * xs.low);
    fit->end->setCoords(xs.high, figures.intercept + figures.slope * xs.high);
    fit->setPen(QPen(fitColor, 1.8));
    fit->setClipToAxisRect(true);
    ys.add(figures.intercept + figures.slope * xs.low);
    ys.add(figures.intercept + figures.slope * xs.high);

    addCornerLabel(plot, 0, stats::regressionEquation(figures, referenceName, comparedName), fitColor);
    addCornerLabel(plot, 1, RegressionPlot::tr("dashed: identity (%1 = %2)").arg(comparedName, referenceName),
                   QColor(90, 90, 90));
    addPoints(plot, reference, compared);

    if (!equalScales) {
        fitRange(plot->xAxis, xs.low, xs.high);
        fitRange(plot->yAxis, ys.low, ys.high, 0.12);
        return;
    }
    // One range for both axes, then the wider axis of the frame widened further, so that a
    // unit is as long across as up.
    Span both = xs;
    both.add(ys.low);
    both.add(ys.high);
    fitRange(plot->xAxis, both.low, both.high);
    fitRange(plot->yAxis, both.low, both.high, 0.12);
    plot->replot();
    plot->xAxis->setScaleRatio(plot->yAxis, 1.0);
}

} // namespace plots
