#include "plotframe.h"

#include <qcustomplot.h>

#include <algorithm>
#include <cmath>

namespace plots {

namespace {

QFont plotFont(double pointSize, bool bold = false)
{
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPointSizeF(pointSize);
    font.setBold(bold);
    return font;
}

void styleAxis(QCPAxis *axis, const QString &title)
{
    axis->setLabel(title);
    axis->setLabelFont(plotFont(11));
    axis->setTickLabelFont(plotFont(10));
    axis->grid()->setPen(QPen(QColor(225, 225, 225), 0, Qt::SolidLine));
    axis->grid()->setZeroLinePen(Qt::NoPen);
}

} // namespace

void preparePlot(QCustomPlot *plot, const QString &title, const QString &xTitle,
                 const QString &yTitle)
{
    plot->clearGraphs();
    plot->clearItems();
    plot->setBackground(Qt::white);
    if (plot->plotLayout()->rowCount() < 2) {
        plot->plotLayout()->insertRow(0);
        plot->plotLayout()->addElement(0, 0, new QCPTextElement(plot, QString(), plotFont(12, true)));
    }
    if (auto *heading = qobject_cast<QCPTextElement *>(plot->plotLayout()->element(0, 0)))
        heading->setText(title);
    styleAxis(plot->xAxis, xTitle);
    styleAxis(plot->yAxis, yTitle);
    // A box around the plot: the top and right axes without ticks or labels.
    plot->xAxis2->setVisible(true);
    plot->yAxis2->setVisible(true);
    plot->xAxis2->setTicks(false);
    plot->yAxis2->setTicks(false);
    plot->xAxis2->setTickLabels(false);
    plot->yAxis2->setTickLabels(false);
    plot->resize(plotSize);
}

QCPGraph *addPoints(QCustomPlot *plot, const QVector<double> &x, const QVector<double> &y)
{
    QCPGraph *graph = plot->addGraph();
    graph->setLineStyle(QCPGraph::lsNone);
    graph->setScatterStyle(QCPScatterStyle(QCPScatterStyle::ssCircle, QPen(QColor(31, 80, 150), 1.2),
                                           QBrush(QColor(31, 80, 150, 40)), 6));
    graph->setData(x, y);
    return graph;
}

QCPItemStraightLine *addStraightLine(QCustomPlot *plot, double x1, double y1, double x2,
                                     double y2, const QPen &pen)
{
    auto *line = new QCPItemStraightLine(plot);
    line->point1->setCoords(x1, y1);
    line->point2->setCoords(x2, y2);
    line->setPen(pen);
    line->setClipToAxisRect(true);
    return line;
}

QCPItemStraightLine *addHorizontalLine(QCustomPlot *plot, double value, const QPen &pen)
{
    return addStraightLine(plot, 0.0, value, 1.0, value, pen);
}

QCPItemText *addRightEdgeLabel(QCustomPlot *plot, double value, const QString &text,
                               const QColor &color)
{
    auto *label = new QCPItemText(plot);
    label->position->setTypeX(QCPItemPosition::ptAxisRectRatio);
    label->position->setTypeY(QCPItemPosition::ptPlotCoords);
    label->position->setCoords(1.0, value);
    label->setPositionAlignment(Qt::AlignRight | Qt::AlignBottom);
    label->setPadding(QMargins(0, 0, 4, 1));
    label->setText(text);
    label->setFont(plotFont(9.5));
    label->setColor(color);
    label->setClipToAxisRect(true);
    return label;
}

QCPItemRect *addHorizontalBand(QCustomPlot *plot, double lower, double upper, const QColor &fill)
{
    auto *band = new QCPItemRect(plot);
    band->topLeft->setTypeX(QCPItemPosition::ptAxisRectRatio);
    band->bottomRight->setTypeX(QCPItemPosition::ptAxisRectRatio);
    band->topLeft->setCoords(0.0, upper);
    band->bottomRight->setCoords(1.0, lower);
    band->setPen(Qt::NoPen);
    band->setBrush(fill);
    band->setClipToAxisRect(true);
    // Behind the grid lines, points and lines of the main layer.
    band->setLayer(QStringLiteral("background"));
    return band;
}

void fitRange(QCPAxis *axis, double low, double high, double margin)
{
    double width = high - low;
    if (!(width > 0.0)) {
        const double half = std::max(std::fabs(low) * 0.05, 1.0);
        axis->setRange(low - half, high + half);
        return;
    }
    axis->setRange(low - margin * width, high + margin * width);
}

} // namespace plots
