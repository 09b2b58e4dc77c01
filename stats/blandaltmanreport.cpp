#include "blandaltmanreport.h"

#include "reportnumbers.h"

#include <QCoreApplication>

#include <cmath>

namespace stats {

namespace {

class BlandAltmanReport
{
    Q_DECLARE_TR_FUNCTIONS(BlandAltmanReport)
};

const QString minus = QStringLiteral("−");

QString escaped(const QString &text)
{
    return text.toHtmlEscaped();
}

QString interval(double lower, double upper, int decimals)
{
    return BlandAltmanReport::tr("%1 to %2").arg(reportNumber(lower, decimals), reportNumber(upper, decimals));
}

// The estimate, and its interval on a line of its own below it, which keeps the table
// narrow enough to sit beside the plots.
QString figureCell(double value, double lower, double upper, int decimals)
{
    return QStringLiteral("<td>%1<br><span class=\"ci\">%2</span></td>")
        .arg(reportNumber(value, decimals), interval(lower, upper, decimals));
}

QString differencesText(DifferenceScale scale)
{
    switch (scale) {
    case DifferenceScale::Percentage:
        return BlandAltmanReport::tr("percentage of the pair's mean");
    case DifferenceScale::Ratio:
        return BlandAltmanReport::tr("ratio, compared / reference (computed on the log scale)");
    case DifferenceScale::Absolute:
        break;
    }
    return BlandAltmanReport::tr("absolute, compared − reference");
}

// The unit each column of figures is in.
struct ColumnUnits
{
    QString location; // bias and limits
    QString spread;   // SD
    QString slope;
};

ColumnUnits units(DifferenceScale scale)
{
    switch (scale) {
    case DifferenceScale::Percentage:
        return {QStringLiteral(", %"), QStringLiteral(", %"), QString()};
    case DifferenceScale::Ratio:
        return {BlandAltmanReport::tr(", ratio"), BlandAltmanReport::tr(", log scale"),
                BlandAltmanReport::tr(", log scale")};
    case DifferenceScale::Absolute:
        break;
    }
    return {};
}

QString optionsTable(const QString &referenceName, const BlandAltmanOptions &options)
{
    const QString level = percentText(1.0 - options.alpha);
    const QString limits = options.limitInterval == LimitInterval::Exact
                               ? BlandAltmanReport::tr("exact (non-central t)")
                               : BlandAltmanReport::tr("approximate (Bland and Altman 1999)");
    const QString axis = options.axis == DifferenceAxis::PairMean
                             ? BlandAltmanReport::tr("mean of the pair")
                             : BlandAltmanReport::tr("reference");
    return QStringLiteral("<table class=\"options\"><tr><td><b>%1</b> %2</td><td><b>%3</b> %4</td>"
                          "<td><b>%5</b> %6</td></tr><tr><td><b>%7</b> %8</td>"
                          "<td><b>%9</b> %10</td><td><b>%11</b> %12</td></tr></table>")
        .arg(BlandAltmanReport::tr("Reference:"), escaped(referenceName),
             BlandAltmanReport::tr("Differences:"), differencesText(options.differences),
             BlandAltmanReport::tr("X axis:"), axis,
             BlandAltmanReport::tr("Limits of agreement:"),
             BlandAltmanReport::tr("bias ± %1 SD, for %2 % of the differences")
                 .arg(QString::number(agreementLimitQuantile(options.coverage), 'f', 3),
                      percentText(options.coverage)),
             BlandAltmanReport::tr("Confidence intervals:"),
             BlandAltmanReport::tr("%1 % (alpha %2)").arg(level, QString::number(options.alpha, 'g', 6)))
        .arg(BlandAltmanReport::tr("Intervals of the limits:"), limits);
}

QString headerRow(const BlandAltmanOptions &options)
{
    const QString level = percentText(1.0 - options.alpha);
    const ColumnUnits unit = units(options.differences);
    return QStringLiteral("<tr><th></th><th>n</th><th>%1</th><th>%2</th><th>%3</th><th>%4</th>"
                          "<th>%5</th><th>p</th></tr>")
        .arg(BlandAltmanReport::tr("Bias%1<br>(%2 % CI)").arg(unit.location, level),
             BlandAltmanReport::tr("SD%1").arg(unit.spread),
             BlandAltmanReport::tr("Lower limit%1<br>(%2 % CI)").arg(unit.location, level),
             BlandAltmanReport::tr("Upper limit%1<br>(%2 % CI)").arg(unit.location, level),
             BlandAltmanReport::tr("Slope%1<br>(%2 % CI)").arg(unit.slope, level));
}

QString resultRow(const QString &name, const BlandAltmanFigures &f, DifferenceScale scale)
{
    const int decimals = blandAltmanDecimals(f, scale);
    // The slope is in units of difference per unit of the X axis, which the spread of the
    // differences says nothing about: four significant digits of its interval's width.
    const int slopeDecimals = decimalsForSpread((f.slopeUpper - f.slopeLower) / 4.0);
    return QStringLiteral("<tr><td class=\"name\">%1</td><td>%2</td>").arg(escaped(name)).arg(f.n)
           + figureCell(f.bias, f.biasLower, f.biasUpper, decimals)
           + QStringLiteral("<td>%1</td>").arg(reportNumber(f.sd, blandAltmanDecimals(f, DifferenceScale::Absolute)))
           + figureCell(f.loaLower, f.loaLowerCiLower, f.loaLowerCiUpper, decimals)
           + figureCell(f.loaUpper, f.loaUpperCiLower, f.loaUpperCiUpper, decimals)
           + figureCell(f.slope, f.slopeLower, f.slopeUpper, slopeDecimals)
           + QStringLiteral("<td>%1</td></tr>").arg(pValueText(f.slopeP).toHtmlEscaped());
}

} // namespace

QString differenceTitle(DifferenceScale scale, const QString &reference, const QString &compared)
{
    switch (scale) {
    case DifferenceScale::Percentage:
        return QStringLiteral("100 × (%1 %2 %3) / mean (%)").arg(compared, minus, reference);
    case DifferenceScale::Ratio:
        return QStringLiteral("%1 / %2").arg(compared, reference);
    case DifferenceScale::Absolute:
        break;
    }
    return QStringLiteral("%1 %2 %3").arg(compared, minus, reference);
}

QString axisTitle(DifferenceAxis axis, const QString &reference, const QString &compared)
{
    if (axis == DifferenceAxis::Reference)
        return reference;
    return BlandAltmanReport::tr("Mean of %1 and %2").arg(reference, compared);
}

int blandAltmanDecimals(const BlandAltmanFigures &figures, DifferenceScale scale)
{
    // A ratio of exp(s) spreads about its bias by roughly bias x s.
    const double spread = scale == DifferenceScale::Ratio ? figures.sd * figures.bias : figures.sd;
    return decimalsForSpread(spread);
}

QString blandAltmanDocument(const QString &referenceName, const QStringList &names,
                            const QVector<BlandAltmanFigures> &figures,
                            const BlandAltmanOptions &options, const QStringList &plotImages)
{
    QString html = QStringLiteral(
        "<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>%1</title><style>"
        "body{font-family:sans-serif;}h2{font-size:140%;}h3{font-size:115%;}"
        "table{border-collapse:collapse;margin-bottom:12px;}"
        "th,td{border:1px solid black;padding:5px;}th{text-align:left;}"
        "td{white-space:nowrap;text-align:right;}td.name{text-align:left;font-weight:bold;}"
        "table.options td{text-align:left;white-space:normal;}span.ci{font-size:85%;color:#444;}"
        "</style></head>\n<body><h2>%1</h2>")
                       .arg(BlandAltmanReport::tr("Bland–Altman analysis"));
    html += optionsTable(referenceName, options);
    html += QStringLiteral("<table>") + headerRow(options);
    for (int i = 0; i < figures.size(); ++i)
        html += resultRow(names.value(i), figures.at(i), options.differences);
    html += QStringLiteral("</table>");
    html += QStringLiteral("<p>%1</p>").arg(BlandAltmanReport::tr(
        "Slope: the least-squares slope of the differences on the X axis values; its p-value "
        "tests a proportional bias (slope 0)."));
    for (int i = 0; i < figures.size(); ++i) {
        const QString image = plotImages.value(i);
        if (image.isEmpty())
            continue;
        const QString title = differenceTitle(options.differences, referenceName, names.value(i));
        html += QStringLiteral("<h3>%1</h3><img src=\"%2\" width=\"800\" height=\"600\" alt=\"%3\">")
                    .arg(escaped(names.value(i)), escaped(image),
                         escaped(BlandAltmanReport::tr("Bland–Altman plot of %1").arg(title)));
    }
    html += QStringLiteral("</body></html>");
    return html;
}

} // namespace stats
