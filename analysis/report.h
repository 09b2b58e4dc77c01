#ifndef CONCORDA_ANALYSIS_REPORT_H
#define CONCORDA_ANALYSIS_REPORT_H

#include "plotmodel.h"

#include <QString>
#include <QVector>

class QImage;

namespace analysis {

// A finished analysis as the result window shows it: the HTML document and the plots in it,
// drawn anew from their models whenever they are needed (shown, saved, copied). An empty
// document means there is nothing to show.
struct Report
{
    QString html;
    QVector<stats::PlotModel> plots;
};

// The report's plots one below the other as one image, empty without plots.
QImage stackedPlotImage(const Report &report);

// Puts the document on the system clipboard as HTML and, when the report has plots, their
// image beside it, replacing what the clipboard held.
void copyReportToClipboard(const Report &report);

} // namespace analysis

#endif
