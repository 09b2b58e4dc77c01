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
    QString method = BlandAltmanReport::tr("bias ± %1 SD, for %2 % of the differences")
                         .arg(QString::number(agreementLimitQuantile(options.coverage), 'f', 3),
                              percentText(options.coverage));
    if (options.limits == LimitsMethod::Regression) {
        method = BlandAltmanReport::tr("regression-based, (b0 + b1 A) ± %1 × √(π/2) × (c0 + c1 A) "
                                       "for %2 % of the differences at each X axis value A "
                                       "(Bland and Altman 1999, section 3.2)")
                     .arg(QString::number(agreementLimitQuantile(options.coverage), 'f', 3),
                          percentText(options.coverage));
        limits = BlandAltmanReport::tr("of the coefficients, t on n − 2 degrees of freedom");
    } else if (options.limits == LimitsMethod::Nonparametric) {
        method = BlandAltmanReport::tr("non-parametric, the %1 % and %2 % sample quantiles of the "
                                       "differences ((n + 1) p rank rule)")
                     .arg(percentText((1.0 - options.coverage) / 2), percentText((1.0 + options.coverage) / 2));
        limits = BlandAltmanReport::tr("from order statistics (binomial, exact ranks)");
    }
    const QString axis = options.axis == DifferenceAxis::PairMean
                             ? BlandAltmanReport::tr("mean of the pair")
                             : BlandAltmanReport::tr("reference");
    return QStringLiteral("<table class=\"options\"><tr><td><b>%1</b> %2</td><td><b>%3</b> %4</td>"
                          "<td><b>%5</b> %6</td></tr><tr><td><b>%7</b> %8</td>"
                          "<td><b>%9</b> %10</td><td><b>%11</b> %12</td></tr>%13</table>")
        .arg(BlandAltmanReport::tr("Reference:"), escaped(referenceName),
             BlandAltmanReport::tr("Differences:"), differencesText(options.differences),
             BlandAltmanReport::tr("X axis:"), axis,
             BlandAltmanReport::tr("Limits of agreement:"), method,
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
    // Regression-based limits change with the X axis value: the table holds them at its median.
    const QString limitInterval = options.limits == LimitsMethod::Regression
                                      ? BlandAltmanReport::tr("at the median X")
                                      : BlandAltmanReport::tr("%1 % CI").arg(level);
    return QStringLiteral("<tr><th></th><th>n</th><th>%1</th><th>%2</th><th>%3</th><th>%4</th>"
                          "<th>%5</th><th>p</th></tr>")
        .arg(BlandAltmanReport::tr("Bias%1<br>(%2 % CI)").arg(unit.location, level),
             BlandAltmanReport::tr("SD%1").arg(unit.spread),
             BlandAltmanReport::tr("Lower limit%1<br>(%2)").arg(unit.location, limitInterval),
             BlandAltmanReport::tr("Upper limit%1<br>(%2)").arg(unit.location, limitInterval),
             BlandAltmanReport::tr("Slope%1<br>(%2 % CI)").arg(unit.slope, level));
}

// The regression-based limits of every compared variable: the coefficients of the bias and
// of the spread with their intervals, and the limits at the smallest, the median and the
// largest X axis value.
QString regressionLimitsTable(const QStringList &names, const QVector<BlandAltmanFigures> &figures,
                              const QVector<OtherLimits> &others, const BlandAltmanOptions &options)
{
    const QString level = percentText(1.0 - options.alpha);
    QString html = QStringLiteral("<h3>%1</h3><table><tr><th></th><th>%2</th><th>%3</th><th>%4</th>"
                                  "<th>%5</th><th>%6</th></tr>")
                       .arg(BlandAltmanReport::tr("Regression-based limits of agreement"),
                            BlandAltmanReport::tr("Bias: b0<br>(%1 % CI)").arg(level),
                            BlandAltmanReport::tr("b1 (per unit of X)<br>(%1 % CI)").arg(level),
                            BlandAltmanReport::tr("Spread: c0<br>(%1 % CI)").arg(level),
                            BlandAltmanReport::tr("c1 (per unit of X)<br>(%1 % CI)").arg(level),
                            BlandAltmanReport::tr("Limits at the smallest, median and largest X"));
    QStringList warnings;
    for (int i = 0; i < others.size(); ++i) {
        const RegressionLimits &r = others.at(i).regression;
        const int decimals = blandAltmanDecimals(figures.at(i), options.differences);
        const int coefficientDecimals = decimalsForSpread(std::fabs(r.bias.interceptUpper - r.bias.interceptLower) / 4);
        const int slopeDecimals = decimalsForSpread(std::fabs(r.bias.slopeUpper - r.bias.slopeLower) / 4);
        QStringList at;
        for (const LimitsAt &point : r.limitsAt)
            at << BlandAltmanReport::tr("at %1: %2 to %3")
                      .arg(reportNumber(point.x, decimalsForSpread(std::fabs(point.x) / 100)),
                           reportNumber(point.lower, decimals), reportNumber(point.upper, decimals));
        html += QStringLiteral("<tr><td class=\"name\">%1</td>").arg(escaped(names.value(i)))
                + estimateCell(r.bias.intercept, r.bias.interceptLower, r.bias.interceptUpper, coefficientDecimals)
                + estimateCell(r.bias.slope, r.bias.slopeLower, r.bias.slopeUpper, slopeDecimals)
                + estimateCell(r.spread.intercept, r.spread.interceptLower, r.spread.interceptUpper, coefficientDecimals)
                + estimateCell(r.spread.slope, r.spread.slopeLower, r.spread.slopeUpper, slopeDecimals)
                + QStringLiteral("<td>%1</td></tr>").arg(at.join(QStringLiteral("<br>")));
        if (r.spreadNotPositive)
            warnings << BlandAltmanReport::tr("For %1 the fitted spread c0 + c1 A falls to 0 or below "
                                              "within the range of the X axis values: there the "
                                              "limits meet or cross, and the model does not "
                                              "describe the spread.")
                            .arg(names.value(i));
    }
    html += QStringLiteral("</table>");
    for (const QString &warning : warnings)
        html += QStringLiteral("<p>%1</p>").arg(escaped(warning));
    if (options.differences == DifferenceScale::Ratio)
        html += QStringLiteral("<p>%1</p>").arg(BlandAltmanReport::tr(
            "The coefficients are on the log scale of the ratios; the limits are ratios."));
    return html;
}

// The non-parametric limits' centre, the median, with its interval, and what too few
// differences leave unbounded.
QString nonparametricNotes(const QStringList &names, const QVector<BlandAltmanFigures> &figures,
                           const QVector<OtherLimits> &others, const BlandAltmanOptions &options)
{
    QString html;
    for (int i = 0; i < others.size(); ++i) {
        const NonparametricLimits &np = others.at(i).nonparametric;
        const int decimals = blandAltmanDecimals(figures.at(i), options.differences);
        QString text = BlandAltmanReport::tr("%1: median difference %2 (%3 % CI %4).")
                           .arg(names.value(i), reportNumber(np.median.estimate, decimals),
                                percentText(1.0 - options.alpha),
                                intervalText(np.median.lower, np.median.upper, decimals));
        if (np.limitsAtExtremes)
            text += QLatin1Char(' ')
                    + BlandAltmanReport::tr("With %1 differences the limits are the smallest and the "
                                            "largest of them.")
                          .arg(np.n);
        if (std::isinf(np.lower.lower) || std::isinf(np.upper.upper))
            text += QLatin1Char(' ')
                    + BlandAltmanReport::tr("Too few differences bound the outer ends of the limits' "
                                            "intervals at %1 % confidence: they reach to infinity.")
                          .arg(percentText(1.0 - options.alpha));
        html += QStringLiteral("<p>%1</p>").arg(escaped(text));
    }
    return html;
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
                          const QString &referenceName, const QString &comparedName,
                          const OtherLimits *otherLimits)
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
    if (otherLimits && options.limits == LimitsMethod::Regression) {
        // Lines over the range of the X axis values in place of the constant ones.
        const QVector<LimitsAt> &at = otherLimits->regression.limitsAt;
        QVector<double> x, bias, lower, upper;
        for (const LimitsAt &point : at) {
            x << point.x;
            bias << point.bias;
            lower << point.lower;
            upper << point.upper;
        }
        plot.bands.clear();
        plot.lines = {plot.lines.first(), pathLine(x, bias, {plotcolors::estimate, 1.6, PlotStroke::Solid}),
                      pathLine(x, lower, limitPen), pathLine(x, upper, limitPen)};
        plot.labels = {{bias.value(bias.size() - 1), BlandAltmanReport::tr("Bias"), plotcolors::estimate},
                       {upper.value(upper.size() - 1), BlandAltmanReport::tr("Upper limit"), plotcolors::limit},
                       {lower.value(lower.size() - 1), BlandAltmanReport::tr("Lower limit"), plotcolors::limit}};
        plot.yRange.include(lower);
        plot.yRange.include(upper);
    } else if (otherLimits && options.limits == LimitsMethod::Nonparametric) {
        // The median with its interval in place of the mean.
        const QuantileInterval &median = otherLimits->nonparametric.median;
        plot.bands = {{PlotBand::Horizontal, {}, {median.lower}, {median.upper}, plotcolors::estimateBand},
                      plot.bands.at(1), plot.bands.at(2)};
        plot.lines = {plot.lines.at(0),
                      horizontalLine(median.estimate, {plotcolors::estimate, 1.6, PlotStroke::Solid}),
                      plot.lines.at(2), plot.lines.at(3)};
        plot.labels = {{median.estimate, BlandAltmanReport::tr("Median %1").arg(valueText(median.estimate)),
                        plotcolors::estimate},
                       plot.labels.at(1), plot.labels.at(2)};
        for (double value : {median.lower, median.upper})
            plot.yRange.include(value);
    }

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
                            const ReplicatesSection *replicates, const QVector<OtherLimits> *otherLimits)
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
    if (otherLimits && options.limits == LimitsMethod::Regression)
        html += regressionLimitsTable(names, figures, *otherLimits, options);
    else if (otherLimits && options.limits == LimitsMethod::Nonparametric)
        html += nonparametricNotes(names, figures, *otherLimits, options);
    if (replicates && options.limits != LimitsMethod::Constant)
        html += QStringLiteral("<p>%1</p>").arg(BlandAltmanReport::tr(
            "With replicates these limits rest on the plotted differences (of the subject means, "
            "or of the pairs), and their intervals do not account for the within-subject error."));
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
