#ifndef CONCORDA_STATS_PLOTMODEL_H
#define CONCORDA_STATS_PLOTMODEL_H

#include <QByteArray>
#include <QString>
#include <QVector>

#include <limits>

// A plot as data: what it shows, in data coordinates, with the colours and strokes to draw
// it. An analysis describes its plots here, beside its report, so that the program and the
// batch tool draw the very same picture; the plotting layer turns a model into pixels,
// vectors or PDF and knows no analysis.
namespace stats {

enum class PlotFormat { Svg, Png, Pdf };

// The usual file suffix of a format, without the dot; and the format a suffix or name
// stands for ("png", "svg", "pdf", any case), or false.
QString plotFormatSuffix(PlotFormat format);
bool plotFormatFromName(const QString &name, PlotFormat *format);

// The bytes of a PNG image as the address an HTML document embeds it by.
QString pngDataUri(const QByteArray &png);

struct PlotColor
{
    int red = 0;
    int green = 0;
    int blue = 0;
    int alpha = 255;
};

enum class PlotStroke { Solid, Dashed, Dotted };

struct PlotPen
{
    PlotColor color;
    double width = 1.0;
    PlotStroke stroke = PlotStroke::Solid;
};

// A line in data coordinates. Horizontal: across the whole plot at y.first(). Straight:
// through the first two points, continued to the plot's edges. Path: through every point
// in turn, only where the points are.
struct PlotLine
{
    enum Kind { Horizontal, Straight, Path };
    Kind kind = Path;
    QVector<double> x;
    QVector<double> y;
    PlotPen pen;
};

PlotLine horizontalLine(double y, const PlotPen &pen);
PlotLine straightLine(double x1, double y1, double x2, double y2, const PlotPen &pen);
PlotLine pathLine(const QVector<double> &x, const QVector<double> &y, const PlotPen &pen);

// A text at the plot's right edge, just above the value y (the line it names).
struct PlotLabel
{
    double y = 0;
    QString text;
    PlotColor color;
};

// A shaded area behind the lines and points. Horizontal: across the whole plot from
// lower.first() to upper.first(). Between: under a curve, between lower[i] and upper[i] at
// each x[i].
struct PlotBand
{
    enum Kind { Horizontal, Between };
    Kind kind = Horizontal;
    QVector<double> x;
    QVector<double> lower;
    QVector<double> upper;
    PlotColor fill;
};

// Points as small open circles. With weights, the area of each marker grows with its
// weight (a subject's number of readings, say); without, all are alike.
struct PlotPoints
{
    QVector<double> x;
    QVector<double> y;
    QVector<double> weights;
};

// A text in the top left corner of the plot, `row` lines down.
struct PlotNote
{
    int row = 0;
    QString text;
    PlotColor color;
};

// The shown range of an axis: from low to high, widened by `margin` of its width on each
// side; a range of no width is widened around its value.
struct PlotRange
{
    double low = std::numeric_limits<double>::infinity();
    double high = -std::numeric_limits<double>::infinity();
    double margin = 0.06;

    void include(double value);
    void include(const QVector<double> &values);
};

struct PlotModel
{
    QString name;      // the compared variable it belongs to
    QString fileTitle; // the title of a saved file (its SVG or PDF metadata)
    QString title;     // the heading drawn above the plot
    QString xTitle;
    QString yTitle;
    QVector<PlotBand> bands;   // drawn first, behind everything
    QVector<PlotLine> lines;   // then the lines, in this order
    QVector<PlotLabel> labels;
    QVector<PlotNote> notes;
    QVector<PlotPoints> points; // the points last, over everything
    PlotRange xRange;
    PlotRange yRange;
    bool equalScales = false; // one range for both axes, a unit as long across as up
};

// The colours every plot of Concorda shares.
namespace plotcolors {
constexpr PlotColor estimate{178, 34, 34};         // a fitted line, a bias
constexpr PlotColor estimateBand{178, 34, 34, 38}; // its confidence interval
constexpr PlotColor limit{40, 40, 40};             // limits of agreement
constexpr PlotColor limitBand{60, 60, 60, 30};     // their confidence intervals
constexpr PlotColor guide{150, 150, 150};          // no difference
constexpr PlotColor identity{110, 110, 110};       // the line of identity
constexpr PlotColor note{90, 90, 90};
} // namespace plotcolors

} // namespace stats

#endif
