#include "blandaltmanreport.h"

#include "reporthtml.h"
#include "reportnumbers.h"

#include <QCoreApplication>

#include <algorithm>
#include <cmath>

namespace stats {

namespace {

class BlandAltmanReport
{
    Q_DECLARE_TR_FUNCTIONS(BlandAltmanReport)
};

const QString minus = QStringLiteral("−");

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

QString designText(ReplicateDesign design)
{
    return design == ReplicateDesign::Linked
               ? BlandAltmanReport::tr("linked: each row pairs readings taken together, and the "
                                       "true value may change between rows (Bland and Altman "
                                       "2007)")
               : BlandAltmanReport::tr("exchangeable: the true value is constant within a "
                                       "subject, and the methods' readings are not paired "
                                       "(Bland and Altman 1999, section 5)");
}

// The rows the options table gains with replicates.
QString replicateOptionRows(const ReplicatesSection &replicates)
{
    return QStringLiteral("<tr><td><b>%1</b> %2</td><td colspan=\"2\"><b>%3</b> %4</td></tr>")
        .arg(BlandAltmanReport::tr("Subject:"), escaped(replicates.subjectName),
             BlandAltmanReport::tr("Replicates:"), designText(replicates.design));
}

QString optionsTable(const QString &referenceName, const BlandAltmanOptions &options,
                     const ReplicatesSection *replicates)
{
    const QString level = percentText(1.0 - options.alpha);
    QString limits = options.limitInterval == LimitInterval::Exact
                         ? BlandAltmanReport::tr("exact (non-central t)")
                         : BlandAltmanReport::tr("approximate (Bland and Altman 1999)");
    if (replicates)
        limits = BlandAltmanReport::tr("MOVER (Zou 2013), over the between- and within-subject "
                                       "variance components");
    const QString axis = options.axis == DifferenceAxis::PairMean
                             ? BlandAltmanReport::tr("mean of the pair")
                             : BlandAltmanReport::tr("reference");
    return QStringLiteral("<table class=\"options\"><tr><td><b>%1</b> %2</td><td><b>%3</b> %4</td>"
                          "<td><b>%5</b> %6</td></tr><tr><td><b>%7</b> %8</td>"
                          "<td><b>%9</b> %10</td><td><b>%11</b> %12</td></tr>%13</table>")
        .arg(BlandAltmanReport::tr("Reference:"), escaped(referenceName),
             BlandAltmanReport::tr("Differences:"), differencesText(options.differences),
             BlandAltmanReport::tr("X axis:"), axis,
             BlandAltmanReport::tr("Limits of agreement:"),
             BlandAltmanReport::tr("bias ± %1 SD, for %2 % of the differences")
                 .arg(QString::number(agreementLimitQuantile(options.coverage), 'f', 3),
                      percentText(options.coverage)),
             BlandAltmanReport::tr("Confidence intervals:"),
             BlandAltmanReport::tr("%1 % (alpha %2)").arg(level, alphaText(options.alpha)))
        .arg(BlandAltmanReport::tr("Intervals of the limits:"), limits,
             replicates ? replicateOptionRows(*replicates) : QString());
}

// The repeatability of each method: its within-subject SD with the interval, the
// repeatability coefficient, and Kendall's tau between the subject means and SDs, which
// tells whether the error grows with the level.
QString repeatabilityTable(const ReplicatesSection &replicates, const BlandAltmanOptions &options)
{
    const QString level = percentText(1.0 - options.alpha);
    QString html = QStringLiteral("<h3>%1</h3><table><tr><th></th><th>%2</th><th>%3</th><th>df</th>"
                                  "<th>%4</th><th>%5</th><th>%6</th></tr>")
                       .arg(BlandAltmanReport::tr("Repeatability"), BlandAltmanReport::tr("Subjects"),
                            BlandAltmanReport::tr("Readings"),
                            BlandAltmanReport::tr("Within-subject SD<br>(%1 % CI)").arg(level),
                            BlandAltmanReport::tr("Repeatability<br>coefficient"),
                            BlandAltmanReport::tr("Kendall's τ, mean<br>against SD (p)"));
    QVector<const RepeatabilityFigures *> shown;
    for (const RepeatabilityFigures &r : replicates.repeatability) {
        // The reference's row is the same beside every compared variable that has the same
        // subjects: it is shown once.
        const bool seen = std::any_of(shown.cbegin(), shown.cend(), [&r](const RepeatabilityFigures *other) {
            return other->name == r.name && other->readings == r.readings && other->subjects == r.subjects
                   && (other->withinSd == r.withinSd || (std::isnan(other->withinSd) && std::isnan(r.withinSd)));
        });
        if (seen)
            continue;
        shown.append(&r);
        const int decimals = decimalsForSpread(r.withinSd);
        html += QStringLiteral("<tr><td class=\"name\">%1</td><td>%2</td><td>%3</td><td>%4</td>")
                    .arg(escaped(r.name), QString::number(r.subjects), QString::number(r.readings),
                         QString::number(r.df))
                + estimateCell(r.withinSd, r.withinSdLower, r.withinSdUpper, decimals)
                + QStringLiteral("<td>%1</td><td>%2 (%3)</td></tr>")
                      .arg(reportNumber(r.repeatability, decimals), reportNumber(r.kendallTau, 3),
                           pValueText(r.kendallP).toHtmlEscaped());
    }
    html += QStringLiteral("</table><p>%1</p>")
                .arg(BlandAltmanReport::tr("Repeatability coefficient: %1 × √2 × the within-subject "
                                           "SD; two single readings of one subject differ by less "
                                           "than it for %2 % of subjects.")
                         .arg(QString::number(agreementLimitQuantile(options.coverage), 'f', 3),
                              percentText(options.coverage)));
    for (const QString &note : replicates.notes)
        html += QStringLiteral("<p>%1</p>").arg(escaped(note));
    return html;
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
    return QStringLiteral("<tr><td class=\"name\">%1</td><td>%2</td>").arg(escaped(name), QString::number(f.n))
           + estimateCell(f.bias, f.biasLower, f.biasUpper, decimals)
           + QStringLiteral("<td>%1</td>").arg(reportNumber(f.sd, blandAltmanDecimals(f, DifferenceScale::Absolute)))
           + estimateCell(f.loaLower, f.loaLowerCiLower, f.loaLowerCiUpper, decimals)
           + estimateCell(f.loaUpper, f.loaUpperCiLower, f.loaUpperCiUpper, decimals)
           + estimateCell(f.slope, f.slopeLower, f.slopeUpper, slopeDecimals)
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

PlotModel blandAltmanPlot(const BlandAltmanFigures &figures, const BlandAltmanOptions &options,
                          const QString &referenceName, const QString &comparedName)
{
    PlotModel plot;
    plot.name = comparedName;
    plot.yTitle = differenceTitle(options.differences, referenceName, comparedName);
    plot.fileTitle = plot.yTitle;
    plot.title = BlandAltmanReport::tr("Bland–Altman plot: %1").arg(plot.yTitle);
    plot.xTitle = axisTitle(options.axis, referenceName, comparedName);

    const double noDifference = options.differences == DifferenceScale::Ratio ? 1.0 : 0.0;
    const int decimals = blandAltmanDecimals(figures, options.differences);
    const QString unit = options.differences == DifferenceScale::Percentage ? QStringLiteral(" %")
                                                                            : QString();
    const auto valueText = [decimals, &unit](double value) {
        return reportNumber(value, decimals) + unit;
    };

    plot.bands = {{PlotBand::Horizontal, {}, {figures.biasLower}, {figures.biasUpper}, plotcolors::estimateBand},
                  {PlotBand::Horizontal, {}, {figures.loaLowerCiLower}, {figures.loaLowerCiUpper}, plotcolors::limitBand},
                  {PlotBand::Horizontal, {}, {figures.loaUpperCiLower}, {figures.loaUpperCiUpper}, plotcolors::limitBand}};
    const PlotPen limitPen{plotcolors::limit, 1.4, PlotStroke::Dashed};
    plot.lines = {horizontalLine(noDifference, {plotcolors::guide, 1.0, PlotStroke::Dotted}),
                  horizontalLine(figures.bias, {plotcolors::estimate, 1.6, PlotStroke::Solid}),
                  horizontalLine(figures.loaLower, limitPen),
                  horizontalLine(figures.loaUpper, limitPen)};
    plot.labels = {{figures.bias, BlandAltmanReport::tr("Bias %1").arg(valueText(figures.bias)), plotcolors::estimate},
                   {figures.loaUpper, BlandAltmanReport::tr("Upper limit %1").arg(valueText(figures.loaUpper)), plotcolors::limit},
                   {figures.loaLower, BlandAltmanReport::tr("Lower limit %1").arg(valueText(figures.loaLower)), plotcolors::limit}};
    plot.points = {{figures.axisValues, figures.differences, {}}};

    plot.xRange.include(figures.axisValues);
    plot.yRange.include(noDifference);
    plot.yRange.include(figures.differences);
    for (double value : {figures.loaLowerCiLower, figures.loaUpperCiUpper, figures.biasLower,
                         figures.biasUpper})
        plot.yRange.include(value);
    // Room above the upper limit's label.
    plot.yRange.margin = 0.08;
    return plot;
}

QString blandAltmanDocument(const QString &referenceName, const QStringList &names,
                            const QVector<BlandAltmanFigures> &figures,
                            const BlandAltmanOptions &options, const QStringList &plotImages,
                            const ReplicatesSection *replicates)
{
    QString html = reportStart(BlandAltmanReport::tr("Bland–Altman analysis"), nameCellRules());
    html += optionsTable(referenceName, options, replicates);
    html += QStringLiteral("<table>") + headerRow(options);
    for (int i = 0; i < figures.size(); ++i)
        html += resultRow(names.value(i), figures.at(i), options.differences);
    html += QStringLiteral("</table>");
    html += QStringLiteral("<p>%1</p>").arg(BlandAltmanReport::tr(
        "Slope: the least-squares slope of the differences on the X axis values; its p-value "
        "tests a proportional bias (slope 0)."));
    if (replicates) {
        html += QStringLiteral("<p>%1</p>").arg(BlandAltmanReport::tr(
            "n counts subjects; SD is the standard deviation of the difference between single "
            "readings of the two methods, within-subject error included."));
        html += repeatabilityTable(*replicates, options);
    }
    for (int i = 0; i < figures.size(); ++i) {
        const QString image = plotImages.value(i);
        if (image.isEmpty())
            continue;
        const QString title = differenceTitle(options.differences, referenceName, names.value(i));
        html += QStringLiteral("<h3>%1</h3><img src=\"%2\" width=\"800\" height=\"600\" alt=\"%3\">")
                    .arg(escaped(names.value(i)), escaped(image),
                         escaped(BlandAltmanReport::tr("Bland–Altman plot of %1").arg(title)));
    }
    return html + reportEnd();
}

} // namespace stats
