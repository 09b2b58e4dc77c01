#include "plotdrawing.h"

#include "plotframe.h"

#include <qcustomplot.h>

#include <QMap>

#include <cmath>

namespace plots {

namespace {

QColor colorOf(const stats::PlotColor &color)
{
    return QColor(color.red, color.green, color.blue, color.alpha);
}

QPen penOf(const stats::PlotPen &pen)
{
    Qt::PenStyle style = Qt::SolidLine;
    if (pen.stroke == stats::PlotStroke::Dashed)
        style = Qt::DashLine;
    else if (pen.stroke == stats::PlotStroke::Dotted)
        style = Qt::DotLine;
    return QPen(colorOf(pen.color), pen.width, style);
}

void addBand(QCustomPlot *plot, const stats::PlotBand &band)
{
    if (band.kind == stats::PlotBand::Horizontal) {
        addHorizontalBand(plot, band.lower.value(0), band.upper.value(0), colorOf(band.fill));
        return;
    }
    // The area between two curves: the upper one filled down to the lower one.
    QCPGraph *lower = plot->addGraph();
    QCPGraph *upper = plot->addGraph();
    lower->setData(band.x, band.lower, true);
    upper->setData(band.x, band.upper, true);
    lower->setPen(Qt::NoPen);
    upper->setPen(Qt::NoPen);
    upper->setBrush(colorOf(band.fill));
    upper->setChannelFillGraph(lower);
    lower->setLayer(QStringLiteral("background"));
    upper->setLayer(QStringLiteral("background"));
}

void addLine(QCustomPlot *plot, const stats::PlotLine &line)
{
    const QPen pen = penOf(line.pen);
    switch (line.kind) {
    case stats::PlotLine::Horizontal:
        addHorizontalLine(plot, line.y.value(0), pen);
        return;
    case stats::PlotLine::Straight:
        addStraightLine(plot, line.x.value(0), line.y.value(0), line.x.value(1), line.y.value(1), pen);
        return;
    case stats::PlotLine::Path:
        break;
    }
    if (line.x.size() == 2) {
        auto *segment = new QCPItemLine(plot);
        segment->start->setCoords(line.x.at(0), line.y.at(0));
        segment->end->setCoords(line.x.at(1), line.y.at(1));
        segment->setPen(pen);
        segment->setClipToAxisRect(true);
        return;
    }
    auto *curve = new QCPCurve(plot->xAxis, plot->yAxis);
    curve->setData(line.x, line.y);
    curve->setPen(pen);
}

QCPItemText *addNote(QCustomPlot *plot, const stats::PlotNote &note)
{
    auto *label = new QCPItemText(plot);
    label->position->setType(QCPItemPosition::ptAxisRectRatio);
    label->position->setCoords(0.02, 0.02 + 0.055 * note.row);
    label->setPositionAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setText(note.text);
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPointSizeF(9.5);
    label->setFont(font);
    label->setColor(colorOf(note.color));
    return label;
}

// Points with weights are drawn in groups of equal weight, the marker's area growing with
// the weight relative to the smallest.
void addPointSet(QCustomPlot *plot, const stats::PlotPoints &points)
{
    if (points.weights.isEmpty()) {
        addPoints(plot, points.x, points.y);
        return;
    }
    double smallest = INFINITY;
    for (double weight : points.weights)
        smallest = std::min(smallest, weight);
    QMap<double, QPair<QVector<double>, QVector<double>>> groups;
    for (int i = 0; i < points.x.size(); ++i) {
        auto &group = groups[points.weights.value(i, smallest)];
        group.first.append(points.x.at(i));
        group.second.append(points.y.at(i));
    }
    for (auto group = groups.cbegin(); group != groups.cend(); ++group) {
        QCPGraph *graph = addPoints(plot, group.value().first, group.value().second);
        QCPScatterStyle style = graph->scatterStyle();
        style.setSize(style.size() * std::sqrt(group.key() / smallest));
        graph->setScatterStyle(style);
    }
}

// An axis over the model's range; one that holds no finite value shows 0 to 1.
void fitModelRange(QCPAxis *axis, const stats::PlotRange &range, double margin)
{
    if (range.low > range.high)
        fitRange(axis, 0.0, 1.0, margin);
    else
        fitRange(axis, range.low, range.high, margin);
}

} // namespace

void drawPlot(QCustomPlot *plot, const stats::PlotModel &model)
{
    preparePlot(plot, model.title, model.xTitle, model.yTitle);
    for (const stats::PlotBand &band : model.bands)
        addBand(plot, band);
    for (const stats::PlotLine &line : model.lines)
        addLine(plot, line);
    for (const stats::PlotLabel &label : model.labels)
        addRightEdgeLabel(plot, label.y, label.text, colorOf(label.color));
    for (const stats::PlotNote &note : model.notes)
        addNote(plot, note);
    for (const stats::PlotPoints &points : model.points)
        addPointSet(plot, points);

    if (!model.equalScales) {
        fitModelRange(plot->xAxis, model.xRange, model.xRange.margin);
        fitModelRange(plot->yAxis, model.yRange, model.yRange.margin);
        return;
    }
    // One range for both axes, then the wider axis of the frame widened further, so that a
    // unit is as long across as up.
    stats::PlotRange both = model.xRange;
    both.include(model.yRange.low);
    both.include(model.yRange.high);
    fitModelRange(plot->xAxis, both, model.xRange.margin);
    fitModelRange(plot->yAxis, both, model.yRange.margin);
    plot->replot();
    plot->xAxis->setScaleRatio(plot->yAxis, 1.0);
}

} // namespace plots
