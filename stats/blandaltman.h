#ifndef CONCORDA_STATS_BLANDALTMAN_H
#define CONCORDA_STATS_BLANDALTMAN_H

#include <QString>
#include <QVariant>
#include <QVector>

#include <limits>

// Bland-Altman analysis of one compared method against the reference: the differences of
// each pair, their mean (the bias) and the limits of agreement, with confidence intervals,
// and the proportional bias (the slope of the differences on the X axis values).
namespace stats {

enum class DifferenceScale {
    Absolute,   // y - x, in the data's units
    Percentage, // 100 (y - x) / ((x + y) / 2)
    Ratio,      // ln(y / x), reported back-transformed as the ratio y / x
};

enum class DifferenceAxis {
    PairMean,  // (x + y) / 2
    Reference, // x
};

enum class LimitInterval {
    Exact,       // from the non-central t distribution
    Approximate, // Bland and Altman (1999): limit +- t s sqrt(1/n + z^2 / (2 (n - 1)))
};

enum class LimitsMethod {
    Constant,      // bias -+ z SD
    Regression,    // following the X axis values (Bland and Altman 1999, section 3.2)
    Nonparametric, // sample quantiles of the differences
};

struct BlandAltmanOptions
{
    DifferenceScale differences = DifferenceScale::Absolute;
    DifferenceAxis axis = DifferenceAxis::PairMean;
    double coverage = 0.95; // the share of differences the limits of agreement are to hold
    double alpha = 0.05;    // two-sided confidence intervals at level 1 - alpha
    LimitInterval limitInterval = LimitInterval::Exact;
    LimitsMethod limits = LimitsMethod::Constant;
};

// The figures of one compared column, unrounded. Under DifferenceScale::Ratio the bias, the
// limits and their intervals are ratios y / x (back-transformed), while sd and the slope
// stay on the log scale. Percentages are in %.
struct BlandAltmanFigures
{
    qint64 n = 0; // complete pairs
    double bias = 0;
    double biasLower = 0;
    double biasUpper = 0;
    double sd = 0; // of the differences, divisor n - 1
    double loaLower = 0;
    double loaLowerCiLower = 0;
    double loaLowerCiUpper = 0;
    double loaUpper = 0;
    double loaUpperCiLower = 0;
    double loaUpperCiUpper = 0;
    double slope = 0; // least-squares slope of the differences on the X axis values
    double slopeLower = 0;
    double slopeUpper = 0;
    double slopeP = 0; // two-sided p-value against a slope of 0
    // The plotted points in row order: the X axis value and the difference of each pair, on
    // the reported scale (ratios y / x under DifferenceScale::Ratio).
    QVector<double> axisValues;
    QVector<double> differences;
};

// The standard normal quantile at 1 - (1 - coverage) / 2: how many standard deviations the
// limits of agreement lie from the bias (1.959964 for a coverage of 0.95).
double agreementLimitQuantile(double coverage);

// Why these options give no analysis, or an empty string: the coverage and alpha must lie
// strictly between 0 and 1.
QString blandAltmanOptionsProblem(const BlandAltmanOptions &options);

// The analysis of the pairs (x reference, y compared: equal length, no missing values).
// Returns the figures, or sets *problem to a sentence in the user's terms that names the
// variable `name` (too few pairs, readings the chosen differences cannot take, differences
// without spread, X axis values without spread) and returns figures holding only n.
BlandAltmanFigures blandAltman(const QVector<double> &x, const QVector<double> &y,
                               const BlandAltmanOptions &options, const QString &name,
                               QString *problem);

// The proportional bias: the least-squares slope of the differences on the X axis values
// (equal length), with its two-sided interval at level 1 - alpha (Student's t on n - 2) and
// its p-value against a slope of 0; NaN with fewer than 3 values.
struct ProportionalBias
{
    double slope = std::numeric_limits<double>::quiet_NaN();
    double lower = std::numeric_limits<double>::quiet_NaN();
    double upper = std::numeric_limits<double>::quiet_NaN();
    double p = std::numeric_limits<double>::quiet_NaN();
};

ProportionalBias proportionalBias(const QVector<double> &axisValues,
                                  const QVector<double> &differences, double alpha);

// The same on cell vectors as the data view hands them (a double variant where a cell reads
// as a number, an invalid one where it does not): incomplete pairs are dropped first.
BlandAltmanFigures blandAltmanFigures(const QVector<QVariant> &other, const QVector<QVariant> &gold,
                                      const BlandAltmanOptions &options, const QString &name,
                                      QString *problem);

} // namespace stats

#endif
