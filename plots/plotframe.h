#ifndef CONCORDA_PLOTS_PLOTFRAME_H
#define CONCORDA_PLOTS_PLOTFRAME_H

#include <QColor>
#include <QPen>
#include <QSize>
#include <QString>
#include <QVector>

class QCPAxis;
class QCPGraph;
class QCPItemRect;
class QCPItemStraightLine;
class QCPItemText;
class QCustomPlot;

// The look every plot of Concorda shares: readable at 800 x 600 pixels on screen and in
// print, a title, axis titles, the points as small open circles, straight lines labelled
// at the right edge of the plot.
namespace plots {

// The size plots are drawn and exported at, in pixels (points in a PDF).
constexpr QSize plotSize(800, 600);

// Clears the plot and sets its title and the titles of its two axes.
void preparePlot(QCustomPlot *plot, const QString &title, const QString &xTitle,
                 const QString &yTitle);

// One point per (x, y) pair, in the order given.
QCPGraph *addPoints(QCustomPlot *plot, const QVector<double> &x, const QVector<double> &y);

// A horizontal line across the whole plot at `value`.
QCPItemStraightLine *addHorizontalLine(QCustomPlot *plot, double value, const QPen &pen);

// A line through the two points, in data coordinates, continued to the plot's edges.
QCPItemStraightLine *addStraightLine(QCustomPlot *plot, double x1, double y1, double x2,
                                     double y2, const QPen &pen);

// A text just above `value` at the right edge of the plot, right-aligned.
QCPItemText *addRightEdgeLabel(QCustomPlot *plot, double value, const QString &text,
                               const QColor &color);

// A band across the whole plot from `lower` to `upper`, behind the points and lines.
QCPItemRect *addHorizontalBand(QCustomPlot *plot, double lower, double upper, const QColor &fill);

// Sets the axis range to [low, high] widened by `margin` of its width on each side; a range
// of no width is widened around its value.
void fitRange(QCPAxis *axis, double low, double high, double margin = 0.06);

} // namespace plots

#endif
