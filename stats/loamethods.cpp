#include "loamethods.h"

#include "quantiles.h"
#include "vectortoolkit.h"

#include <QCoreApplication>

#include <boost/math/constants/constants.hpp>
#include <boost/math/distributions/binomial.hpp>
#include <boost/math/distributions/students_t.hpp>

#include <algorithm>
#include <cmath>
#include <limits>

namespace stats {

namespace {

class LimitsOfAgreement
{
    Q_DECLARE_TR_FUNCTIONS(LimitsOfAgreement)
};

constexpr double infinity = std::numeric_limits<double>::infinity();

QString failed(const QString &name, const QString &cause)
{
    return LimitsOfAgreement::tr("The limits of agreement of %1 could not be computed: %2.")
        .arg(name, cause);
}

bool allFinite(const QVector<double> &values)
{
    return std::all_of(values.cbegin(), values.cend(), [](double v) { return std::isfinite(v); });
}

// The checks both kinds of limits share, in the order the computation meets them (the
// regression passes its X axis values too, the quantiles none). Three differences, as for
// the constant limits, so that the three kinds refuse the same data; the regression needs
// them for its n - 2 degrees of freedom.
QString dataProblem(const QVector<double> &differences, const QVector<double> &axisValues,
                    const BlandAltmanOptions &options, const QString &name)
{
    const QString optionsProblem = blandAltmanOptionsProblem(options);
    if (!optionsProblem.isEmpty())
        return optionsProblem;
    const int n = differences.size();
    if (n < 3) {
        const QString count = n == 1 ? LimitsOfAgreement::tr("1 difference")
                                     : LimitsOfAgreement::tr("%1 differences").arg(n);
        return failed(name, LimitsOfAgreement::tr("%1 has %2 with the Gold Standard, and the "
                                                  "limits need at least 3")
                                .arg(name, count));
    }
    if (!allFinite(differences) || !allFinite(axisValues))
        return failed(name, LimitsOfAgreement::tr("%1 or the Gold Standard holds a reading too "
                                                  "large to compute with")
                                .arg(name));
    return QString();
}

// Least squares of v on a around the means (so that large X values do not cancel):
// slope Sav / Saa, intercept mean(v) - slope mean(a), residual variance s^2 on n - 2
// degrees of freedom, SE(slope) = s / sqrt(Saa), SE(intercept) = s sqrt(1/n + mean(a)^2 / Saa).
LinearFit leastSquares(const QVector<double> &a, const QVector<double> &v, double t,
                       QVector<double> *residuals)
{
    const int n = a.size();
    const double meanA = mean(a);
    const double meanV = mean(v);
    double saa = 0;
    double sav = 0;
    for (int i = 0; i < n; ++i) {
        saa += (a[i] - meanA) * (a[i] - meanA);
        sav += (a[i] - meanA) * (v[i] - meanV);
    }
    LinearFit fit;
    fit.slope = sav / saa;
    fit.intercept = meanV - fit.slope * meanA;
    residuals->resize(n);
    double squares = 0;
    for (int i = 0; i < n; ++i) {
        (*residuals)[i] = v[i] - meanV - fit.slope * (a[i] - meanA);
        squares += (*residuals)[i] * (*residuals)[i];
    }
    const double s = std::sqrt(squares / (n - 2));
    const double slopeHalf = t * s / std::sqrt(saa);
    const double interceptHalf = t * s * std::sqrt(1.0 / n + meanA * meanA / saa);
    fit.slopeLower = fit.slope - slopeHalf;
    fit.slopeUpper = fit.slope + slopeHalf;
    fit.interceptLower = fit.intercept - interceptHalf;
    fit.interceptUpper = fit.intercept + interceptHalf;
    return fit;
}

} // namespace

RegressionLimits regressionLimits(const QVector<double> &axisValues,
                                  const QVector<double> &differences,
                                  const BlandAltmanOptions &options, const QString &name,
                                  QString *problem)
{
    RegressionLimits limits;
    limits.n = differences.size();
    *problem = dataProblem(differences, axisValues, options, name);
    if (!problem->isEmpty())
        return limits;
    QVector<double> sorted = axisValues;
    std::sort(sorted.begin(), sorted.end());
    // Relative to the magnitude of A, as for the slope of the constant limits: values that
    // differ by rounding alone have no spread to fit a line on.
    const double magnitude = std::max(std::fabs(sorted.first()), std::fabs(sorted.last()));
    if (!(sorted.last() - sorted.first() > 1e-10 * magnitude)) {
        *problem = failed(name, LimitsOfAgreement::tr("the X axis values are the same in every "
                                                      "pair, so limits that follow the level "
                                                      "of %1 cannot be fitted")
                                    .arg(name));
        return limits;
    }

    const int n = differences.size();
    const double t = studentUpperQuantile(tailProbability(options.alpha), n - 2.0);
    QVector<double> residuals;
    limits.bias = leastSquares(axisValues, differences, t, &residuals);
    for (double &r : residuals)
        r = std::fabs(r);
    QVector<double> unused;
    limits.spread = leastSquares(axisValues, residuals, t, &unused);

    // E|r| = sigma sqrt(2 / pi) for normal residuals, so sigma = sqrt(pi / 2) E|r|.
    const double zRoot = agreementLimitQuantile(options.coverage)
                       * boost::math::constants::root_half_pi<double>();
    for (double a : {sorted.first(), sampleQuantile(sorted, 0.5), sorted.last()}) {
        LimitsAt at;
        at.x = a;
        at.bias = limits.bias.intercept + limits.bias.slope * a;
        const double spread = limits.spread.intercept + limits.spread.slope * a;
        at.lower = at.bias - zRoot * spread;
        at.upper = at.bias + zRoot * spread;
        limits.limitsAt.append(at);
        // The spread line is straight: positive at both ends, it is positive between them.
        limits.spreadNotPositive = limits.spreadNotPositive || !(spread > 0);
    }
    return limits;
}

NonparametricLimits nonparametricLimits(const QVector<double> &differences,
                                        const BlandAltmanOptions &options, const QString &name,
                                        QString *problem)
{
    NonparametricLimits limits;
    limits.n = differences.size();
    *problem = dataProblem(differences, QVector<double>(), options, name);
    if (!problem->isEmpty())
        return limits;
    QVector<double> sorted = differences;
    std::sort(sorted.begin(), sorted.end());
    const double tail = (1 - options.coverage) / 2;
    limits.median = quantileInterval(sorted, 0.5, options.alpha);
    limits.lower = quantileInterval(sorted, tail, options.alpha);
    limits.upper = quantileInterval(sorted, 1 - tail, options.alpha);
    limits.limitsAtExtremes = (sorted.size() + 1) * tail < 1;
    return limits;
}

double sampleQuantile(const QVector<double> &sorted, double p)
{
    const int n = sorted.size();
    if (n == 0)
        return std::numeric_limits<double>::quiet_NaN();
    const double h = (n + 1) * p;
    if (!(h > 1))
        return sorted.first();
    if (!(h < n))
        return sorted.last();
    const int below = int(h); // the rank at or under h, counted from 1
    const double fraction = h - below;
    return sorted[below - 1] + fraction * (sorted[below] - sorted[below - 1]);
}

// Both ranks by bisection on the binomial distribution function, which rises with the rank:
// l - 1 is the largest k in [-1, n] with P(K <= k) <= alpha / 2 (P(K <= -1) = 0), and u - 1
// the smallest k in [0, n] with P(K > k) <= alpha / 2 (P(K > n) = 0).
QuantileInterval quantileInterval(const QVector<double> &sorted, double p, double alpha)
{
    const int n = sorted.size();
    QuantileInterval interval;
    interval.estimate = sampleQuantile(sorted, p);
    if (n == 0)
        return interval;
    const boost::math::binomial_distribution<> count(n, p);
    const double tail = alpha / 2;
    const auto atMost = [&](int k) { return k < 0 ? 0.0 : boost::math::cdf(count, k); };
    const auto above = [&](int k) {
        return k >= n ? 0.0 : boost::math::cdf(boost::math::complement(count, k));
    };
    int low = -1; // atMost(low) <= tail
    int high = n; // atMost(high) = 1 > tail
    while (high - low > 1) {
        const int middle = low + (high - low) / 2;
        (atMost(middle) <= tail ? low : high) = middle;
    }
    interval.lowerRank = low + 1;
    low = -1; // above(low) > tail, as P(K > -1) = 1
    high = n; // above(high) = 0 <= tail
    while (high - low > 1) {
        const int middle = low + (high - low) / 2;
        (above(middle) <= tail ? high : low) = middle;
    }
    interval.upperRank = high + 1;
    interval.lower = interval.lowerRank == 0 ? -infinity : sorted[interval.lowerRank - 1];
    interval.upper = interval.upperRank == n + 1 ? infinity : sorted[interval.upperRank - 1];
    interval.confidence = 1 - atMost(interval.lowerRank - 1) - above(interval.upperRank - 1);
    return interval;
}

} // namespace stats
