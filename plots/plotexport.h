#ifndef CONCORDA_PLOTS_PLOTEXPORT_H
#define CONCORDA_PLOTS_PLOTEXPORT_H

#include "plotmodel.h"

#include <QByteArray>
#include <QString>

class QCustomPlot;
class QImage;

// Plots as files and images: PNG (raster, twice the plot's size in pixels for print), SVG and
// PDF (vector, the plot's size in points). All work without a display.
namespace plots {

// The plot's file contents in the format; `title` goes into the SVG and PDF metadata.
QByteArray plotBytes(QCustomPlot *plot, stats::PlotFormat format, const QString &title);

// The plot as an image, twice its size in pixels.
QImage plotImage(QCustomPlot *plot);

// The PNG of the plot as a data URI, to embed it in an HTML document.
QString plotDataUri(QCustomPlot *plot);

// Writes the plot to `fileName` whole or not at all (the old file stays when writing fails);
// on failure *error says why.
bool savePlot(QCustomPlot *plot, stats::PlotFormat format, const QString &title,
              const QString &fileName, QString *error);

} // namespace plots

#endif
