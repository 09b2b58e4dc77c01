#include "blandaltmanplot.h"

#include "blandaltmanreport.h"
#include "plotframe.h"
#include "reportnumbers.h"

#include <qcustomplot.h>

#include <algorithm>

namespace plots {

namespace {

class BlandAltmanPlot
{
    Q_DECLARE_TR_FUNCTIONS(BlandAltmanPlot)
};

const QColor biasColor(178, 34, 34);
const QColor limitColor(40, 40, 40);

void extend(double value, double *low, double *high)
{
    *low = std::min(*low, value);
    *high = std::max(*high, value);
}

} // namespace

void drawBlandAltmanPlot(QCustomPlot *plot, const stats::BlandAltmanFigures &figures,
                         const stats::BlandAltmanOptions &options, const QString &referenceName,
                         const QString &comparedName)
{
    const QString yTitle = stats::differenceTitle(options.differences, referenceName, comparedName);
    preparePlot(plot, BlandAltmanPlot::tr("Bland–Altman plot: %1").arg(yTitle),
                stats::axisTitle(options.axis, referenceName, comparedName), yTitle);

    const double noDifference = options.differences == stats::DifferenceScale::Ratio ? 1.0 : 0.0;
    const int decimals = stats::blandAltmanDecimals(figures, options.differences);
    const QString unit = options.differences == stats::DifferenceScale::Percentage
                             ? QStringLiteral(" %")
                             : QString();
    const auto valueText = [decimals, &unit](double value) {
        return stats::reportNumber(value, decimals) + unit;
    };

    // The intervals first, so that lines and points are drawn over them.
    addHorizontalBand(plot, figures.biasLower, figures.biasUpper, QColor(178, 34, 34, 38));
    addHorizontalBand(plot, figures.loaLowerCiLower, figures.loaLowerCiUpper, QColor(60, 60, 60, 30));
    addHorizontalBand(plot, figures.loaUpperCiLower, figures.loaUpperCiUpper, QColor(60, 60, 60, 30));

    addHorizontalLine(plot, noDifference, QPen(QColor(150, 150, 150), 1.0, Qt::DotLine));
    addHorizontalLine(plot, figures.bias, QPen(biasColor, 1.6, Qt::SolidLine));
    addHorizontalLine(plot, figures.loaLower, QPen(limitColor, 1.4, Qt::DashLine));
    addHorizontalLine(plot, figures.loaUpper, QPen(limitColor, 1.4, Qt::DashLine));
    addRightEdgeLabel(plot, figures.bias, BlandAltmanPlot::tr("Bias %1").arg(valueText(figures.bias)),
                      biasColor);
    addRightEdgeLabel(plot, figures.loaUpper,
                      BlandAltmanPlot::tr("Upper limit %1").arg(valueText(figures.loaUpper)), limitColor);
    addRightEdgeLabel(plot, figures.loaLower,
                      BlandAltmanPlot::tr("Lower limit %1").arg(valueText(figures.loaLower)), limitColor);

    addPoints(plot, figures.axisValues, figures.differences);

    double xLow = std::numeric_limits<double>::infinity();
    double xHigh = -xLow;
    for (double value : figures.axisValues)
        extend(value, &xLow, &xHigh);
    double yLow = noDifference;
    double yHigh = noDifference;
    for (double value : figures.differences)
        extend(value, &yLow, &yHigh);
    for (double value : {figures.loaLowerCiLower, figures.loaUpperCiUpper, figures.biasLower,
                         figures.biasUpper})
        extend(value, &yLow, &yHigh);
    fitRange(plot->xAxis, xLow, xHigh);
    // Room above the upper limit's label.
    fitRange(plot->yAxis, yLow, yHigh, 0.08);
}

} // namespace plots
