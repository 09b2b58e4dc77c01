#ifndef CONCORDA_PLOTS_PLOTDRAWING_H
#define CONCORDA_PLOTS_PLOTDRAWING_H

#include "plotmodel.h"

class QCustomPlot;

namespace plots {

// Draws the plot an analysis describes onto `plot`, clearing it first, in the look every
// plot of Concorda shares (plotframe.h): the bands behind, then the lines, the labels at
// the right edge, the notes in the corner, the points over everything; the axes fitted to
// the model's ranges.
void drawPlot(QCustomPlot *plot, const stats::PlotModel &model);

} // namespace plots

#endif
