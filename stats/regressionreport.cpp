#include "regressionreport.h"

#include "reporthtml.h"
#include "reportnumbers.h"

#include <QCoreApplication>

#include <cmath>

namespace stats {

namespace {

class RegressionReport
{
    Q_DECLARE_TR_FUNCTIONS(RegressionReport)
};

// Two significant digits of the interval's width: the digits the interval can tell apart,
// as a table in a paper prints them (0.929, 0.894 to 0.967). An interval without finite
// ends says nothing; four decimals then.
int decimalsForInterval(double lower, double upper)
{
    const double width = upper - lower;
    return std::isfinite(width) && width > 0.0 ? decimalsForSpread(width * 100.0) : 4;
}

bool isDeming(RegressionMethod method)
{
    return method != RegressionMethod::PassingBablok;
}

QString levelsText(const QVector<double> &levels)
{
    if (levels.isEmpty())
        return RegressionReport::tr("none");
    QStringList texts;
    for (double level : levels)
        texts.append(levelText(level));
    return texts.join(QStringLiteral("; "));
}

QString optionsTable(const QString &referenceName, const RegressionOptions &options,
                     const RegressionReplicates *replicates)
{
    QString method = regressionMethodName(options.method);
    if (isDeming(options.method) && replicates && replicates->errorRatioEstimated)
        method += RegressionReport::tr(", error ratio λ estimated from the replicates (the "
                                       "within-subject variances of the subject means)");
    else if (isDeming(options.method))
        method += RegressionReport::tr(", error ratio λ = %1").arg(options.errorRatio, 0, 'g', 6);
    const QString intervals = isDeming(options.method)
                                  ? RegressionReport::tr("jackknife, t on n − 2 degrees of freedom")
                                  : RegressionReport::tr("from the ranks of the slopes");
    const QString subjectRow =
        replicates ? QStringLiteral("<tr><td><b>%1</b> %2</td><td><b>%3</b> %4</td></tr>")
                         .arg(RegressionReport::tr("Subject:"), escaped(replicates->subjectName),
                              RegressionReport::tr("Fitted to:"),
                              RegressionReport::tr("the subject means of each method's readings "
                                                   "(replicates %1)")
                                  .arg(replicateDesignName(replicates->design)))
                   : QString();
    return QStringLiteral("<table class=\"options\"><tr><td><b>%1</b> %2</td><td><b>%3</b> %4</td></tr>"
                          "<tr><td><b>%5</b> %6</td><td><b>%7</b> %8</td></tr>%9</table>")
        .arg(RegressionReport::tr("Reference:"), escaped(referenceName),
             RegressionReport::tr("Method:"), method,
             RegressionReport::tr("Confidence intervals:"),
             RegressionReport::tr("%1 % (alpha %2), %3")
                 .arg(percentText(1.0 - options.alpha), alphaText(options.alpha), intervals),
             RegressionReport::tr("Decision levels:"), levelsText(options.decisionLevels), subjectRow);
}

QString headerRow(const RegressionOptions &options, bool errorRatios)
{
    const QString level = percentText(1.0 - options.alpha);
    QString header = QStringLiteral("<tr><th></th><th>n</th>%1<th>%2</th><th>%3</th>")
                         .arg(errorRatios ? QStringLiteral("<th>λ</th>") : QString(),
                              RegressionReport::tr("Slope<br>(%1 % CI)").arg(level),
                              RegressionReport::tr("Intercept<br>(%1 % CI)").arg(level));
    if (options.method == RegressionMethod::PassingBablok)
        header += QStringLiteral("<th>%1</th>").arg(RegressionReport::tr("Linearity (cusum)"));
    else if (options.method == RegressionMethod::WeightedDeming)
        header += QStringLiteral("<th>%1</th>").arg(RegressionReport::tr("Reweighting"));
    return header + QStringLiteral("</tr>");
}

QString linearityText(const RegressionFigures &f)
{
    const QString verdict = f.linear ? RegressionReport::tr("linear") : RegressionReport::tr("not linear");
    return RegressionReport::tr("H = %1 (critical %2): %3")
        .arg(reportNumber(f.cusumH, 3), reportNumber(f.cusumCritical, 3), verdict);
}

QString reweightingText(const RegressionFigures &f)
{
    const QString rounds = f.iterations == 1 ? RegressionReport::tr("1 round")
                                             : RegressionReport::tr("%1 rounds").arg(f.iterations);
    if (f.converged)
        return RegressionReport::tr("settled after %1").arg(rounds);
    return RegressionReport::tr("did not settle in %1").arg(rounds);
}

QString resultRow(const QString &name, const RegressionFigures &f, const RegressionOptions &options,
                  bool errorRatio)
{
    QString row = QStringLiteral("<tr><td class=\"name\">%1</td><td>%2</td>").arg(escaped(name), QString::number(f.n))
                  + (errorRatio ? QStringLiteral("<td>%1</td>").arg(f.errorRatio, 0, 'g', 4) : QString())
                  + estimateCell(f.slope, f.slopeLower, f.slopeUpper,
                                 decimalsForInterval(f.slopeLower, f.slopeUpper))
                  + estimateCell(f.intercept, f.interceptLower, f.interceptUpper,
                                 decimalsForInterval(f.interceptLower, f.interceptUpper));
    if (options.method == RegressionMethod::PassingBablok)
        row += QStringLiteral("<td class=\"text\">%1</td>").arg(linearityText(f));
    else if (options.method == RegressionMethod::WeightedDeming)
        row += QStringLiteral("<td class=\"text\">%1</td>").arg(reweightingText(f));
    return row + QStringLiteral("</tr>");
}

// How the Passing–Bablok intervals of the bias came about, or why there are none.
QString resamplingNote(const RegressionResampling &resampling, const QStringList &names)
{
    QStringList notes;
    bool resampled = false;
    for (int i = 0; i < resampling.failures.size(); ++i) {
        const int failures = resampling.failures.at(i);
        resampled = resampled || failures >= 0;
        if (failures < 0)
            notes << RegressionReport::tr("%1 has more than %2 pairs, so its bias has no bootstrap "
                                          "interval.")
                         .arg(names.value(i), QString::number(resampling.largestPairs));
        else if (failures > 0)
            notes << RegressionReport::tr("%1: %2 of the resamples have no defined line (every "
                                          "reference value equal) and take no part.")
                         .arg(names.value(i), QString::number(failures));
    }
    if (resampled)
        notes.prepend(RegressionReport::tr("Passing–Bablok intervals of the bias: BCa bootstrap "
                                           "of the pairs, %1 resamples, seed %2.")
                          .arg(QString::number(resampling.resamples), QString::number(resampling.seed)));
    QString html;
    for (const QString &note : notes)
        html += QStringLiteral("<p>%1</p>").arg(escaped(note));
    return html;
}

QString decisionLevelTable(const QStringList &names, const QVector<RegressionFigures> &figures,
                           const RegressionOptions &options, const RegressionResampling *resampling)
{
    if (options.decisionLevels.isEmpty())
        return QString();
    const bool intervals = isDeming(options.method) || resampling;
    QString html = QStringLiteral("<h3>%1</h3><table><tr><th></th><th>%2</th><th>%3</th></tr>")
                       .arg(RegressionReport::tr("Bias at the decision levels"),
                            RegressionReport::tr("Decision level"),
                            intervals
                                ? RegressionReport::tr("Bias<br>(%1 % CI)").arg(percentText(1.0 - options.alpha))
                                : RegressionReport::tr("Bias"));
    for (int i = 0; i < figures.size(); ++i) {
        const RegressionFigures &f = figures.at(i);
        const int decimals = decimalsForInterval(f.interceptLower, f.interceptUpper);
        for (const DecisionLevelBias &bias : f.biasAt) {
            html += QStringLiteral("<tr><td class=\"name\">%1</td><td>%2</td>")
                        .arg(escaped(names.value(i)), levelText(bias.level))
                    + estimateCell(bias.bias, bias.lower, bias.upper, decimals) + QStringLiteral("</tr>");
        }
    }
    html += QStringLiteral("</table>");
    if (!isDeming(options.method) && resampling)
        html += resamplingNote(*resampling, names);
    return html;
}

QString signedTerm(double value, int decimals)
{
    const QString magnitude = reportNumber(std::fabs(value), decimals);
    return value < 0 ? QStringLiteral(" − ") + magnitude : QStringLiteral(" + ") + magnitude;
}

} // namespace

QString regressionMethodName(RegressionMethod method)
{
    switch (method) {
    case RegressionMethod::Deming:
        return RegressionReport::tr("Deming");
    case RegressionMethod::WeightedDeming:
        return RegressionReport::tr("weighted Deming");
    case RegressionMethod::PassingBablok:
        break;
    }
    return RegressionReport::tr("Passing–Bablok");
}

QString regressionEquation(const RegressionFigures &figures, const QString &reference,
                           const QString &compared)
{
    return QStringLiteral("%1 = %2 × %3%4")
        .arg(compared,
             reportNumber(figures.slope, decimalsForInterval(figures.slopeLower, figures.slopeUpper)),
             reference,
             signedTerm(figures.intercept,
                        decimalsForInterval(figures.interceptLower, figures.interceptUpper)));
}

PlotModel regressionPlot(const QVector<double> &reference, const QVector<double> &compared,
                         const RegressionFigures &figures, const QString &referenceName,
                         const QString &comparedName, bool equalScales,
                         const QVector<BandPoint> &band, double alpha)
{
    PlotModel plot;
    plot.name = comparedName;
    plot.fileTitle = regressionEquation(figures, referenceName, comparedName);
    plot.title = RegressionReport::tr("%1 regression: %2 against %3")
                     .arg(regressionMethodName(figures.method), comparedName, referenceName);
    plot.xTitle = referenceName;
    plot.yTitle = comparedName;

    plot.xRange.include(reference);
    plot.yRange.include(compared);
    // The fitted line only where there are data: beyond them it is an extrapolation.
    const double low = plot.xRange.low;
    const double high = plot.xRange.high;
    const double atLow = figures.intercept + figures.slope * low;
    const double atHigh = figures.intercept + figures.slope * high;
    plot.lines = {straightLine(0.0, 0.0, 1.0, 1.0, {plotcolors::identity, 1.2, PlotStroke::Dashed}),
                  pathLine({low, high}, {atLow, atHigh}, {plotcolors::estimate, 1.8, PlotStroke::Solid})};
    plot.yRange.include(atLow);
    plot.yRange.include(atHigh);
    plot.notes = {{0, plot.fileTitle, plotcolors::estimate},
                  {1, RegressionReport::tr("dashed: identity (%1 = %2)").arg(comparedName, referenceName),
                   plotcolors::note}};
    plot.points = {{reference, compared, {}}};
    if (!band.isEmpty()) {
        PlotBand shaded{PlotBand::Between, {}, {}, {}, plotcolors::estimateBand};
        for (const BandPoint &point : band) {
            shaded.x.append(point.x);
            shaded.lower.append(point.lower);
            shaded.upper.append(point.upper);
        }
        plot.yRange.include(shaded.lower);
        plot.yRange.include(shaded.upper);
        plot.bands.append(shaded);
        plot.notes.append({2, RegressionReport::tr("shaded: %1 % confidence band of the line")
                                  .arg(percentText(1.0 - alpha)),
                           plotcolors::note});
    }
    plot.yRange.margin = 0.12;
    plot.equalScales = equalScales;
    return plot;
}

PlotModel residualPlot(const ResidualPlot &residuals, const RegressionFigures &figures,
                       const QString &referenceName, const QString &comparedName)
{
    PlotModel plot;
    plot.name = RegressionReport::tr("%1 residuals").arg(comparedName);
    plot.fileTitle = RegressionReport::tr("Residuals of %1 about the %2 line")
                         .arg(comparedName, regressionMethodName(figures.method));
    plot.title = plot.fileTitle;
    switch (figures.method) {
    case RegressionMethod::PassingBablok:
        plot.xTitle = RegressionReport::tr("Rank of the mean of %1 and %2").arg(referenceName, comparedName);
        plot.yTitle = RegressionReport::tr("%1 − line").arg(comparedName);
        break;
    case RegressionMethod::Deming:
        plot.xTitle = RegressionReport::tr("Estimated true value of %1").arg(referenceName);
        plot.yTitle = RegressionReport::tr("Residual, in units of %1's error").arg(comparedName);
        break;
    case RegressionMethod::WeightedDeming:
        plot.xTitle = RegressionReport::tr("Estimated true value of %1").arg(referenceName);
        plot.yTitle = RegressionReport::tr("Residual relative to the true value");
        break;
    }
    plot.lines = {horizontalLine(0.0, {plotcolors::guide, 1.0, PlotStroke::Dotted})};
    plot.points = {{residuals.position, residuals.residual, {}}};
    plot.xRange.include(residuals.position);
    plot.yRange.include(0.0);
    plot.yRange.include(residuals.residual);
    return plot;
}

QString regressionDocument(const QString &referenceName, const QStringList &names,
                           const QVector<RegressionFigures> &figures,
                           const RegressionOptions &options, const QStringList &plotImages,
                           const RegressionReplicates *replicates,
                           const RegressionResampling *resampling)
{
    const QString title = RegressionReport::tr("Method-comparison regression");
    QString html = reportStart(title, QStringLiteral("td.name,td.text{text-align:left;}"
                                                     "td.name{font-weight:bold;}"));
    html += optionsTable(referenceName, options, replicates);
    const bool errorRatios = replicates && replicates->errorRatioEstimated && isDeming(options.method);
    html += QStringLiteral("<table>") + headerRow(options, errorRatios);
    for (int i = 0; i < figures.size(); ++i)
        html += resultRow(names.value(i), figures.at(i), options, errorRatios);
    html += QStringLiteral("</table>");
    if (replicates) {
        html += QStringLiteral("<p>%1</p>").arg(RegressionReport::tr(
            "n counts subjects: each point is a subject's mean reading by each method."));
        for (const QString &note : replicates->notes)
            html += QStringLiteral("<p>%1</p>").arg(escaped(note));
    }
    html += QStringLiteral("<p>%1</p>").arg(RegressionReport::tr(
        "The line: compared = slope × reference + intercept. A slope interval that holds 1 and "
        "an intercept interval that holds 0 are consistent with agreement; a slope other than 1 "
        "is a proportional difference, an intercept other than 0 a constant one."));
    html += decisionLevelTable(names, figures, options, resampling);
    // Each variable's scatter plot, and its residual plot when the images hold one too.
    const int perVariable = plotImages.size() > figures.size() ? 2 : 1;
    for (int i = 0; i < figures.size(); ++i) {
        const QString image = plotImages.value(perVariable * i);
        if (image.isEmpty())
            continue;
        html += QStringLiteral("<h3>%1</h3><p>%2</p><img src=\"%3\" width=\"800\" height=\"600\" alt=\"%4\">")
                    .arg(escaped(names.value(i)),
                         escaped(regressionEquation(figures.at(i), referenceName, names.value(i))),
                         escaped(image),
                         escaped(RegressionReport::tr("Scatter plot of %1 against %2")
                                     .arg(names.value(i), referenceName)));
        const QString residuals = perVariable == 2 ? plotImages.value(2 * i + 1) : QString();
        if (!residuals.isEmpty())
            html += QStringLiteral("<img src=\"%1\" width=\"800\" height=\"600\" alt=\"%2\">")
                        .arg(escaped(residuals),
                             escaped(RegressionReport::tr("Residuals of %1").arg(names.value(i))));
    }
    return html + reportEnd();
}

} // namespace stats
