#include "blandaltman.h"

#include "completepairs.h"
#include "quantiles.h"
#include "vectortoolkit.h"

#include <QCoreApplication>

#include <boost/math/distributions/non_central_t.hpp>
#include <boost/math/distributions/normal.hpp>
#include <boost/math/distributions/students_t.hpp>

#include <algorithm>
#include <cmath>
#include <exception>
#include <limits>

namespace stats {

namespace {

class BlandAltman
{
    Q_DECLARE_TR_FUNCTIONS(BlandAltman)
};

constexpr double notANumber = std::numeric_limits<double>::quiet_NaN();

QString pairCount(qint64 n)
{
    return n == 1 ? BlandAltman::tr("1 complete pair") : BlandAltman::tr("%1 complete pairs").arg(n);
}

QString failed(const QString &name, const QString &cause)
{
    return BlandAltman::tr("The Bland–Altman analysis of %1 could not be computed: %2.").arg(name, cause);
}

// The differences on the scale the statistics work on: y - x, the percentage of the pair's
// mean, or the logarithm of the ratio y / x.
double difference(double x, double y, DifferenceScale scale)
{
    switch (scale) {
    case DifferenceScale::Percentage:
        return 200.0 * (y - x) / (x + y);
    case DifferenceScale::Ratio:
        return std::log(y / x);
    case DifferenceScale::Absolute:
        break;
    }
    return y - x;
}

// Halved before adding, so that two readings near the largest double have a finite mean.
double axisValue(double x, double y, DifferenceAxis axis)
{
    return axis == DifferenceAxis::PairMean ? x / 2.0 + y / 2.0 : x;
}

// How large the rounding error of a difference can be, relative to which a standard
// deviation counts as no spread: readings of about 1000 differ by 1e-13 through rounding
// alone, a percentage or a log ratio by about 1e-14.
double roundingScale(const QVector<double> &x, const QVector<double> &y, DifferenceScale scale)
{
    if (scale == DifferenceScale::Percentage)
        return 100.0;
    if (scale == DifferenceScale::Ratio)
        return 1.0;
    double magnitude = 0.0;
    for (int i = 0; i < x.size(); ++i)
        magnitude = std::max({magnitude, std::fabs(x.at(i)), std::fabs(y.at(i))});
    return magnitude;
}

// Pairs whose readings the chosen differences cannot take: a reading of 0 or below for
// ratios, a pair whose mean is 0 for percentages.
qint64 unusablePairs(const QVector<double> &x, const QVector<double> &y, DifferenceScale scale)
{
    qint64 count = 0;
    for (int i = 0; i < x.size(); ++i) {
        if (scale == DifferenceScale::Ratio && (x.at(i) <= 0.0 || y.at(i) <= 0.0))
            ++count;
        else if (scale == DifferenceScale::Percentage && x.at(i) + y.at(i) == 0.0)
            ++count;
    }
    return count;
}

QString unusablePairsCause(const QString &name, qint64 count, DifferenceScale scale)
{
    const QString pairs = count == 1 ? BlandAltman::tr("1 pair") : BlandAltman::tr("%1 pairs").arg(count);
    if (scale == DifferenceScale::Ratio)
        return BlandAltman::tr("ratio differences take the logarithm of every reading, so every "
                               "reading must be greater than 0, but %1 of %2 and the Gold "
                               "Standard hold a zero or negative reading")
            .arg(pairs, name);
    return BlandAltman::tr("percentage differences divide by the mean of each pair, but %1 of "
                           "%2 and the Gold Standard have a mean of 0")
        .arg(pairs, name);
}

struct LeastSquares
{
    double slope = notANumber;
    double standardError = notANumber;
    double axisSquares = notANumber; // sum of the squared deviations of the X axis values
};

// Least-squares slope of d on a, around the means (the centring keeps large X values from
// cancelling), with its standard error on n - 2 degrees of freedom.
LeastSquares leastSquares(const QVector<double> &a, const QVector<double> &d)
{
    const int n = a.size();
    const double meanA = mean(a);
    const double meanD = mean(d);
    double axisSquares = 0.0;
    double products = 0.0;
    for (int i = 0; i < n; ++i) {
        const double da = a.at(i) - meanA;
        axisSquares += da * da;
        products += da * (d.at(i) - meanD);
    }
    LeastSquares fit;
    fit.axisSquares = axisSquares;
    fit.slope = products / axisSquares;
    double residualSquares = 0.0;
    for (int i = 0; i < n; ++i) {
        const double residual = d.at(i) - meanD - fit.slope * (a.at(i) - meanA);
        residualSquares += residual * residual;
    }
    fit.standardError = std::sqrt(residualSquares / (n - 2.0) / axisSquares);
    return fit;
}

// Two-sided p-value of a t statistic on the given degrees of freedom; an infinite
// statistic (residuals of exactly 0) has p = 0.
double twoSidedP(double statistic, double degreesOfFreedom)
{
    if (std::isnan(statistic))
        return notANumber;
    if (std::isinf(statistic))
        return 0.0;
    const boost::math::students_t_distribution<> t(degreesOfFreedom);
    return 2.0 * boost::math::cdf(boost::math::complement(t, std::fabs(statistic)));
}

} // namespace

double agreementLimitQuantile(double coverage)
{
    return boost::math::quantile(
        boost::math::complement(boost::math::normal_distribution<>(0.0, 1.0), (1.0 - coverage) / 2.0));
}

QString blandAltmanOptionsProblem(const BlandAltmanOptions &options)
{
    // Written so that NaN fails both checks.
    if (!(options.coverage > 0.0 && options.coverage < 1.0))
        return BlandAltman::tr("The coverage of the limits of agreement must lie strictly between "
                               "0 and 1, not %1.")
            .arg(options.coverage);
    if (!(options.alpha > 0.0 && options.alpha < 1.0))
        return BlandAltman::tr("Alpha must lie strictly between 0 and 1, not %1.").arg(options.alpha);
    return QString();
}

BlandAltmanFigures blandAltman(const QVector<double> &x, const QVector<double> &y,
                               const BlandAltmanOptions &options, const QString &name,
                               QString *problem)
{
    BlandAltmanFigures figures;
    figures.n = x.size();
    *problem = blandAltmanOptionsProblem(options);
    if (!problem->isEmpty())
        return figures;
    // Three pairs leave the slope of the differences one degree of freedom.
    if (figures.n < 3) {
        *problem = failed(name, BlandAltman::tr("%1 has %2 with the Gold Standard, and the "
                                                "analysis needs at least 3")
                                    .arg(name, pairCount(figures.n)));
        return figures;
    }
    const qint64 unusable = unusablePairs(x, y, options.differences);
    if (unusable > 0) {
        *problem = failed(name, unusablePairsCause(name, unusable, options.differences));
        return figures;
    }

    const int n = x.size();
    QVector<double> d(n);
    QVector<double> a(n);
    for (int i = 0; i < n; ++i) {
        d[i] = difference(x.at(i), y.at(i), options.differences);
        a[i] = axisValue(x.at(i), y.at(i), options.axis);
    }
    const double bias = mean(d);
    const double sd = standardDeviation(d, true);
    const LeastSquares fit = leastSquares(a, d);
    if (!std::isfinite(bias) || !std::isfinite(sd) || !std::isfinite(fit.axisSquares)) {
        *problem = failed(name, BlandAltman::tr("%1 or the Gold Standard holds a reading too "
                                                "large to compute with")
                                    .arg(name));
        return figures;
    }
    if (sd <= 1e-12 * roundingScale(x, y, options.differences)) {
        *problem = failed(name, BlandAltman::tr("the differences between %1 and the Gold "
                                                "Standard are the same in every pair, so they "
                                                "have no spread to set limits with")
                                    .arg(name));
        return figures;
    }
    double axisMagnitude = 0.0;
    for (double value : a)
        axisMagnitude = std::max(axisMagnitude, std::fabs(value));
    if (fit.axisSquares <= 1e-20 * axisMagnitude * axisMagnitude * n) {
        *problem = failed(name, BlandAltman::tr("the X axis values are the same in every pair, "
                                                "so the proportional bias of %1 cannot be "
                                                "estimated")
                                    .arg(name));
        return figures;
    }

    const double root = std::sqrt(double(n));
    const double z = agreementLimitQuantile(options.coverage);
    const double t = studentUpperQuantile(options.alpha / 2.0, n - 1.0);

    // Bias with its t interval.
    figures.bias = bias;
    figures.sd = sd;
    figures.biasLower = bias - t * sd / root;
    figures.biasUpper = bias + t * sd / root;

    // Limits of agreement, bias +- z s, and their intervals.
    figures.loaLower = bias - z * sd;
    figures.loaUpper = bias + z * sd;
    if (options.limitInterval == LimitInterval::Approximate) {
        // Bland and Altman (1999): the variance of a limit is s^2 (1/n + z^2 / (2 (n - 1))).
        const double half = t * sd * std::sqrt(1.0 / n + z * z / (2.0 * (n - 1.0)));
        figures.loaLowerCiLower = figures.loaLower - half;
        figures.loaLowerCiUpper = figures.loaLower + half;
        figures.loaUpperCiLower = figures.loaUpper - half;
        figures.loaUpperCiUpper = figures.loaUpper + half;
    } else {
        // Exact: sqrt(n) (limit - bias) / s follows the non-central t distribution with
        // n - 1 degrees of freedom and non-centrality z sqrt(n) (a tolerance-interval
        // argument), so its quantiles bound the upper limit; the lower one mirrors it.
        double low = notANumber;
        double high = notANumber;
        try {
            const boost::math::non_central_t_distribution<> limit(n - 1.0, z * root);
            low = boost::math::quantile(limit, options.alpha / 2.0);
            high = boost::math::quantile(boost::math::complement(limit, options.alpha / 2.0));
        } catch (const std::exception &) {
            *problem = failed(name, BlandAltman::tr("the exact confidence intervals of the "
                                                    "limits cannot be evaluated at these "
                                                    "options; choose the approximate ones"));
            return figures;
        }
        figures.loaUpperCiLower = bias + sd * low / root;
        figures.loaUpperCiUpper = bias + sd * high / root;
        figures.loaLowerCiLower = bias - sd * high / root;
        figures.loaLowerCiUpper = bias - sd * low / root;
    }

    const ProportionalBias slope = proportionalBias(a, d, options.alpha);
    figures.slope = slope.slope;
    figures.slopeLower = slope.lower;
    figures.slopeUpper = slope.upper;
    figures.slopeP = slope.p;

    figures.axisValues = a;
    figures.differences = d;
    if (options.differences == DifferenceScale::Ratio) {
        // Reported as ratios y / x; the standard deviation and the slope stay on the log scale.
        for (double *value : {&figures.bias, &figures.biasLower, &figures.biasUpper,
                              &figures.loaLower, &figures.loaLowerCiLower,
                              &figures.loaLowerCiUpper, &figures.loaUpper,
                              &figures.loaUpperCiLower, &figures.loaUpperCiUpper})
            *value = std::exp(*value);
        for (double &value : figures.differences)
            value = std::exp(value);
    }
    return figures;
}

// The slope of the differences on the X axis values, t on n - 2.
ProportionalBias proportionalBias(const QVector<double> &axisValues,
                                  const QVector<double> &differences, double alpha)
{
    ProportionalBias bias;
    const int n = axisValues.size();
    if (n < 3)
        return bias;
    const LeastSquares fit = leastSquares(axisValues, differences);
    const double t = studentUpperQuantile(alpha / 2.0, n - 2.0);
    bias.slope = fit.slope;
    bias.lower = fit.slope - t * fit.standardError;
    bias.upper = fit.slope + t * fit.standardError;
    bias.p = twoSidedP(fit.slope / fit.standardError, n - 2.0);
    return bias;
}

BlandAltmanFigures blandAltmanFigures(const QVector<QVariant> &other, const QVector<QVariant> &gold,
                                      const BlandAltmanOptions &options, const QString &name,
                                      QString *problem)
{
    const CompletePairs pairs = completePairs(gold, other);
    return blandAltman(pairs.x, pairs.y, options, name, problem);
}

} // namespace stats
