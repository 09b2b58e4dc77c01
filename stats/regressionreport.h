#ifndef CONCORDA_STATS_REGRESSIONREPORT_H
#define CONCORDA_STATS_REGRESSIONREPORT_H

#include "bootstrap.h"
#include "plotmodel.h"
#include "regression.h"
#include "replicates.h"

#include <QString>
#include <QStringList>
#include <QVector>

// The texts of a regression report: the HTML document and the texts its plots share with
// it. QtCore only, so that the batch tool writes the very document the program shows.
namespace stats {

// The method's name as the report and the plots print it: "Passing–Bablok", "Deming",
// "weighted Deming".
QString regressionMethodName(RegressionMethod method);

// The fitted line in the variables' names: "MeterA = 1.0213 × LabGlucose − 0.1340".
QString regressionEquation(const RegressionFigures &figures, const QString &reference,
                           const QString &compared);

// What a regression with replicates adds to the document: the subject column and the
// design among the options, that the lines are fitted to the subject means, λ of each
// variable when it is estimated from the replicates, and what each analysis left out.
struct RegressionReplicates
{
    QString subjectName;
    ReplicateDesign design = ReplicateDesign::Exchangeable;
    bool errorRatioEstimated = false;
    QStringList notes;
};

// How the Passing–Bablok intervals of the bias were resampled, for the document to say:
// failures[i] for figures[i], -1 where no bootstrap ran.
struct RegressionResampling
{
    int resamples = 0;
    quint64 seed = 0;
    int largestPairs = 0;
    QVector<int> failures;
};

// The HTML document: the options, a table of slope and intercept with their intervals (and
// lambda, or the cusum test, as the method has them) for every compared variable (names[i]
// naming figures[i]), the bias at each decision level, and each variable's plot,
// plotImages[i] being the image's address or empty for none. Names are HTML-escaped.
QString regressionDocument(const QString &referenceName, const QStringList &names,
                           const QVector<RegressionFigures> &figures,
                           const RegressionOptions &options, const QStringList &plotImages,
                           const RegressionReplicates *replicates = nullptr,
                           const RegressionResampling *resampling = nullptr);


// The scatter plot of one compared variable against the reference, one point per pair; the
// line of identity (dashed) and the fitted line (solid) over the range of the data, labelled
// with its equation, and the line's confidence band shaded where one is given. With equalScales both axes show the same range in the same units per
// pixel, so that the identity line runs at 45 degrees.
PlotModel regressionPlot(const QVector<double> &reference, const QVector<double> &compared,
                         const RegressionFigures &figures, const QString &referenceName,
                         const QString &comparedName, bool equalScales = true,
                         const QVector<BandPoint> &band = QVector<BandPoint>(),
                         double alpha = 0.05);

// The residual plot of one compared variable: the residuals as the method defines them
// (regressionResiduals) against the estimated true value (Deming) or the rank of the pair's
// mean (Passing–Bablok), around a line at 0.
PlotModel residualPlot(const ResidualPlot &residuals, const RegressionFigures &figures,
                       const QString &referenceName, const QString &comparedName);

} // namespace stats

#endif
