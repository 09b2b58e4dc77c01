#ifndef CONCORDA_STATS_BLANDALTMANREPORT_H
#define CONCORDA_STATS_BLANDALTMANREPORT_H

#include "blandaltman.h"
#include "loamethods.h"
#include "plotmodel.h"
#include "replicates.h"

#include <QString>
#include <QStringList>
#include <QVector>

// The texts of a Bland–Altman report: the HTML document and the titles its plots share
// with it. QtCore only, so that the batch tool writes the very document the program shows.
namespace stats {

// What the differences are, in the variables' names: "MeterA − LabGlucose",
// "100 × (MeterA − LabGlucose) / mean (%)" or "MeterA / LabGlucose".
QString differenceTitle(DifferenceScale scale, const QString &reference, const QString &compared);

// What the X axis shows: "Mean of LabGlucose and MeterA" or "LabGlucose".
QString axisTitle(DifferenceAxis axis, const QString &reference, const QString &compared);

// The number of decimals the figures of one compared variable are printed with.
int blandAltmanDecimals(const BlandAltmanFigures &figures, DifferenceScale scale);

// What a report with replicates adds to the document: the subject column and the design
// among the options, the intervals of the limits by MOVER, and below the figures the
// repeatability of the methods and what each analysis left out.
struct ReplicatesSection
{
    QString subjectName;
    ReplicateDesign design = ReplicateDesign::Exchangeable;
    QVector<RepeatabilityFigures> repeatability; // two per compared variable: reference, compared
    QStringList notes;                           // rows and subjects left out, and why
};

// The limits of agreement of one compared variable by a method other than the constant
// limits, with their figures on the reported scale (ratios back-transformed; the
// regression's coefficients stay on the working scale).
struct OtherLimits
{
    RegressionLimits regression;       // LimitsMethod::Regression
    NonparametricLimits nonparametric; // LimitsMethod::Nonparametric
};

// The HTML document: the options, a table of the figures of every compared variable
// (names[i] naming figures[i]), and below it each variable's plot, plotImages[i] being the
// image's address (a data URI) or empty for none. Names are HTML-escaped. With replicates,
// n counts subjects and SD is that of the difference between single readings.
QString blandAltmanDocument(const QString &referenceName, const QStringList &names,
                            const QVector<BlandAltmanFigures> &figures,
                            const BlandAltmanOptions &options, const QStringList &plotImages,
                            const ReplicatesSection *replicates = nullptr,
                            const QVector<OtherLimits> *otherLimits = nullptr);

// The difference plot of one compared variable: its differences against the X axis values,
// one point per pair; the bias as a solid line and the limits of agreement as dashed lines,
// each labelled at the right edge with its value; their confidence intervals as light
// bands; a line at no difference (0, or 1 for ratios). Regression-based limits are lines
// over the range of the X axis values; non-parametric ones stand about the median.
PlotModel blandAltmanPlot(const BlandAltmanFigures &figures, const BlandAltmanOptions &options,
                          const QString &referenceName, const QString &comparedName,
                          const OtherLimits *otherLimits = nullptr);

} // namespace stats

#endif
