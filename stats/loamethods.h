#ifndef CONCORDA_STATS_LOAMETHODS_H
#define CONCORDA_STATS_LOAMETHODS_H

#include "blandaltman.h"

#include <QString>
#include <QVector>

#include <limits>

// Limits of agreement that are not constant: regression-based limits that follow the level
// when the bias or the spread of the differences changes with it (Bland and Altman 1999,
// section 3.2), and non-parametric limits from the sample quantiles of the differences.
//
// Both work on the differences and the X axis values as the caller has formed them: the
// pairs' differences as blandAltman() forms them, or per-subject or per-pair differences
// when there are replicates. They take the differences on the scale the statistics work on
// (for ratios, ln(y / x)) and give their figures on that scale; the caller transforms them
// back as the constant limits are.
namespace stats {

// A least-squares line with two-sided intervals for its coefficients from Student's t on
// n - 2 degrees of freedom.
struct LinearFit
{
    double intercept = std::numeric_limits<double>::quiet_NaN();
    double interceptLower = std::numeric_limits<double>::quiet_NaN();
    double interceptUpper = std::numeric_limits<double>::quiet_NaN();
    double slope = std::numeric_limits<double>::quiet_NaN();
    double slopeLower = std::numeric_limits<double>::quiet_NaN();
    double slopeUpper = std::numeric_limits<double>::quiet_NaN();
};

// The bias line and the limits of agreement at one X axis value.
struct LimitsAt
{
    double x = 0;
    double bias = 0;
    double lower = 0;
    double upper = 0;
};

struct RegressionLimits
{
    qint64 n = 0;
    LinearFit bias;   // d = b0 + b1 A
    LinearFit spread; // |r| = c0 + c1 A, r the residuals of the bias line
    // At the smallest, the median and the largest X axis value, in that order. The limits
    // are straight lines, so these points also draw them over the range of A.
    QVector<LimitsAt> limitsAt;
    // c0 + c1 A <= 0 at one end of the range at least: there the limits meet or cross, and
    // the spread the model describes is not a spread.
    bool spreadNotPositive = false;
};

// Regression-based limits: d = b0 + b1 A by least squares, the absolute residuals
// |r| = c0 + c1 A by least squares, and the limits b0 + b1 A -+ z sqrt(pi / 2) (c0 + c1 A),
// where sqrt(pi / 2) turns a mean absolute deviation of normal residuals into their standard
// deviation and z = agreementLimitQuantile(options.coverage). The two vectors are of equal
// length; of `options` the coverage and alpha count. On a problem (the options, fewer than 3 pairs, a value that is not finite, X
// axis values without spread) *problem holds a sentence naming `name` and the figures only n.
RegressionLimits regressionLimits(const QVector<double> &axisValues,
                                  const QVector<double> &differences,
                                  const BlandAltmanOptions &options, const QString &name,
                                  QString *problem);

// A sample quantile with its distribution-free confidence interval [x(l), x(u)] from order
// statistics: the number of differences below the true quantile is binomial (n, p), so
// P(x(l) <= quantile < x(u)) = P(l <= K <= u - 1) exactly. l is the largest rank with
// P(K <= l - 1) <= alpha / 2 and u the smallest with P(K >= u) <= alpha / 2.
struct QuantileInterval
{
    double estimate = std::numeric_limits<double>::quiet_NaN();
    // When n is too small for an end at the chosen level (even the smallest difference lies
    // above the quantile with a probability over alpha / 2), that end is -inf (lower) or
    // +inf (upper) and its rank is 0 or n + 1: the data do not bound it.
    double lower = std::numeric_limits<double>::quiet_NaN();
    double upper = std::numeric_limits<double>::quiet_NaN();
    int lowerRank = 0; // l, counted from 1
    int upperRank = 0; // u, counted from 1
    double confidence = std::numeric_limits<double>::quiet_NaN(); // P(l <= K <= u - 1)
};

struct NonparametricLimits
{
    qint64 n = 0;
    QuantileInterval median; // the bias
    QuantileInterval lower;  // the (1 - coverage) / 2 quantile
    QuantileInterval upper;  // the (1 + coverage) / 2 quantile
    // (n + 1) (1 - coverage) / 2 < 1: too few differences to place the limits between two
    // of them, so they are the smallest and the largest difference.
    bool limitsAtExtremes = false;
};

// Non-parametric limits: the sample quantiles at (1 -+ coverage) / 2 and the median, each
// with its order-statistic interval at level 1 - alpha. The same problems as
// regressionLimits() but for the X axis values, which these limits do not use.
NonparametricLimits nonparametricLimits(const QVector<double> &differences,
                                        const BlandAltmanOptions &options, const QString &name,
                                        QString *problem);

// The sample quantile at p of ascending values by the (n + 1) p rank rule with linear
// interpolation between neighbouring ranks (Hyndman and Fan's type 6, the convention of
// CLSI EP28 for reference limits); a rank below 1 or above n gives the smallest or the
// largest value. NaN for no values.
double sampleQuantile(const QVector<double> &sorted, double p);

// The quantile at p of ascending values with its order-statistic interval at level 1 - alpha.
QuantileInterval quantileInterval(const QVector<double> &sorted, double p, double alpha);

} // namespace stats

#endif
