#include "plotexport.h"

#include "plotframe.h"

#include <QBuffer>
#include <QImage>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <QSaveFile>
#include <QSvgGenerator>

#include <qcustomplot.h>

namespace plots {

namespace {

// Twice the plot's pixels: sharp on high-resolution screens and in print.
constexpr double rasterScale = 2.0;

void paintVector(QCustomPlot *plot, QPaintDevice *device)
{
    QCPPainter painter(device);
    painter.setMode(QCPPainter::pmVectorized);
    painter.setMode(QCPPainter::pmNoCaching);
    plot->toPainter(&painter, plotSize.width(), plotSize.height());
    painter.end();
}

QByteArray svgBytes(QCustomPlot *plot, const QString &title)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QSvgGenerator generator;
    generator.setOutputDevice(&buffer);
    generator.setSize(plotSize);
    generator.setViewBox(QRect(QPoint(0, 0), plotSize));
    generator.setTitle(title);
    generator.setDescription(QStringLiteral("Concorda"));
    paintVector(plot, &generator);
    return buffer.data();
}

QByteArray pdfBytes(QCustomPlot *plot, const QString &title)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&buffer);
        writer.setCreator(QStringLiteral("Concorda"));
        writer.setTitle(title);
        // One point per pixel of the plot, no margin: the page is the plot.
        writer.setResolution(72);
        writer.setPageLayout(QPageLayout(QPageSize(QSizeF(plotSize), QPageSize::Point),
                                         QPageLayout::Portrait, QMarginsF()));
        paintVector(plot, &writer);
    }
    return buffer.data();
}

QByteArray pngBytes(QCustomPlot *plot)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    plotImage(plot).save(&buffer, "PNG");
    return buffer.data();
}

} // namespace

QByteArray plotBytes(QCustomPlot *plot, stats::PlotFormat format, const QString &title)
{
    switch (format) {
    case stats::PlotFormat::Svg:
        return svgBytes(plot, title);
    case stats::PlotFormat::Pdf:
        return pdfBytes(plot, title);
    case stats::PlotFormat::Png:
        break;
    }
    return pngBytes(plot);
}

QImage plotImage(QCustomPlot *plot)
{
    return plot->toPixmap(plotSize.width(), plotSize.height(), rasterScale).toImage();
}

QString plotDataUri(QCustomPlot *plot)
{
    return stats::pngDataUri(pngBytes(plot));
}

bool savePlot(QCustomPlot *plot, stats::PlotFormat format, const QString &title,
              const QString &fileName, QString *error)
{
    const QByteArray bytes = plotBytes(plot, format, title);
    QSaveFile file(fileName);
    if (file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit())
        return true;
    *error = file.errorString();
    return false;
}

} // namespace plots
