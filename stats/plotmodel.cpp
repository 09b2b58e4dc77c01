#include "plotmodel.h"

#include <algorithm>
#include <cmath>

namespace stats {

QString plotFormatSuffix(PlotFormat format)
{
    switch (format) {
    case PlotFormat::Png:
        return QStringLiteral("png");
    case PlotFormat::Pdf:
        return QStringLiteral("pdf");
    case PlotFormat::Svg:
        break;
    }
    return QStringLiteral("svg");
}

bool plotFormatFromName(const QString &name, PlotFormat *format)
{
    for (PlotFormat candidate : {PlotFormat::Svg, PlotFormat::Png, PlotFormat::Pdf}) {
        if (name.compare(plotFormatSuffix(candidate), Qt::CaseInsensitive) == 0) {
            *format = candidate;
            return true;
        }
    }
    return false;
}

QString pngDataUri(const QByteArray &png)
{
    return QStringLiteral("data:image/png;base64,") + QString::fromLatin1(png.toBase64());
}

PlotLine horizontalLine(double y, const PlotPen &pen)
{
    return {PlotLine::Horizontal, {0.0, 1.0}, {y, y}, pen};
}

PlotLine straightLine(double x1, double y1, double x2, double y2, const PlotPen &pen)
{
    return {PlotLine::Straight, {x1, x2}, {y1, y2}, pen};
}

PlotLine pathLine(const QVector<double> &x, const QVector<double> &y, const PlotPen &pen)
{
    return {PlotLine::Path, x, y, pen};
}

void PlotRange::include(double value)
{
    // A value that is not finite cannot be shown and would take the whole range with it.
    if (!std::isfinite(value))
        return;
    low = std::min(low, value);
    high = std::max(high, value);
}

void PlotRange::include(const QVector<double> &values)
{
    for (double value : values)
        include(value);
}

} // namespace stats
