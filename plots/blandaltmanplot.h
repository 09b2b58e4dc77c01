#ifndef CONCORDA_PLOTS_BLANDALTMANPLOT_H
#define CONCORDA_PLOTS_BLANDALTMANPLOT_H

#include "blandaltman.h"

#include <QString>

class QCustomPlot;

namespace plots {

// The difference plot of one compared variable: its differences against the X axis values,
// one point per pair; the bias as a solid line and the limits of agreement as dashed lines,
// each labelled at the right edge with its value; their confidence intervals as light
// bands; a line at no difference (0, or 1 for ratios). Draws onto `plot`, clearing it first.
void drawBlandAltmanPlot(QCustomPlot *plot, const stats::BlandAltmanFigures &figures,
                         const stats::BlandAltmanOptions &options, const QString &referenceName,
                         const QString &comparedName);

} // namespace plots

#endif
