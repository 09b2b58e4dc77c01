#ifndef CONCORDA_ANALYSIS_REPORT_H
#define CONCORDA_ANALYSIS_REPORT_H

#include <QString>
#include <QVector>

#include <functional>

class QCustomPlot;
class QImage;

namespace analysis {

// A plot of a report, drawn anew whenever it is needed (shown, saved, copied).
struct ReportPlot
{
    QString name;  // the compared variable it belongs to
    QString title; // what it shows, for a file's metadata
    std::function<void(QCustomPlot *plot)> draw;
};

// A finished analysis as the result window shows it: the HTML document and the plots in it.
// An empty document means there is nothing to show.
struct Report
{
    QString html;
    QVector<ReportPlot> plots;
};

// Draws `plot` on `canvas`, adds it to the report and returns its image as the address the
// document embeds it by.
QString addPlot(Report *report, QCustomPlot *canvas, const ReportPlot &plot);

// The report's plots one below the other as one image, empty without plots.
QImage stackedPlotImage(const Report &report);

// Puts the document on the system clipboard as HTML and, when the report has plots, their
// image beside it, replacing what the clipboard held.
void copyReportToClipboard(const Report &report);

} // namespace analysis

#endif
