#ifndef CONCORDA_PLOTS_REGRESSIONPLOT_H
#define CONCORDA_PLOTS_REGRESSIONPLOT_H

#include "regression.h"

#include <QString>
#include <QVector>

class QCustomPlot;

namespace plots {

// The scatter plot of one compared variable against the reference, one point per pair; the
// line of identity (dashed) and the fitted line (solid) over the range of the data, labelled
// with its equation. With equalScales both axes show the same range in the same units per
// pixel, so that the identity line runs at 45 degrees. Draws onto `plot`, clearing it first.
void drawRegressionPlot(QCustomPlot *plot, const QVector<double> &reference,
                        const QVector<double> &compared, const stats::RegressionFigures &figures,
                        const QString &referenceName, const QString &comparedName,
                        bool equalScales = true);

} // namespace plots

#endif
