#include "report.h"

#include "plotdrawing.h"
#include "plotexport.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QMimeData>
#include <QPainter>

#include <qcustomplot.h>

namespace analysis {

QImage stackedPlotImage(const Report &report)
{
    QVector<QImage> images;
    QCustomPlot plot;
    for (const stats::PlotModel &model : report.plots) {
        plots::drawPlot(&plot, model);
        images.append(plots::plotImage(&plot));
    }
    if (images.isEmpty())
        return QImage();
    int height = 0;
    for (const QImage &image : images)
        height += image.height();
    QImage stacked(images.first().width(), height, QImage::Format_ARGB32_Premultiplied);
    stacked.fill(Qt::white);
    QPainter painter(&stacked);
    int top = 0;
    for (const QImage &image : images) {
        painter.drawImage(0, top, image);
        top += image.height();
    }
    return stacked;
}

void copyReportToClipboard(const Report &report)
{
    auto *mime = new QMimeData;
    mime->setHtml(report.html);
    const QImage image = stackedPlotImage(report);
    if (!image.isNull())
        mime->setImageData(image);
    QGuiApplication::clipboard()->setMimeData(mime, QClipboard::Clipboard);
}

} // namespace analysis
