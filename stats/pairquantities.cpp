#include "pairquantities.h"

#include <boost/math/distributions/non_central_chi_squared.hpp>
#include <boost/math/distributions/normal.hpp>

#include <algorithm>
#include <cmath>
#include <limits>

namespace stats {

namespace {

constexpr double notANumber = std::numeric_limits<double>::quiet_NaN();

} // namespace

PairQuantities pairQuantities(const QVector<double> &x, const QVector<double> &y)
{
    PairQuantities q;
    const int n = x.size();
    const int common = qMin(n, y.size());
    const double *xs = x.constData();
    const double *ys = y.constData();
    q.n = n;

    double sumX = 0.0;
    double sumY = 0.0;
    double squaredDifferences = 0.0;
    for (int i = 0; i < common; ++i) {
        sumX += xs[i];
        sumY += ys[i];
        const double difference = ys[i] - xs[i];
        squaredDifferences += difference * difference;
    }
    if (common != y.size() || common != n)
        squaredDifferences = sumX = sumY = notANumber;
    q.squaredDifferences = squaredDifferences;
    q.meanSquaredDeviation = q.squaredDifferences / q.n;
    q.meanSquaredDeviation1 = q.squaredDifferences / (q.n - 1.0);
    q.meanX = sumX / q.n;
    q.meanY = sumY / q.n;
    q.delta = q.meanX - q.meanY;

    double squaresX = 0.0;
    double squaresY = 0.0;
    double crossProducts = 0.0;
    for (int i = 0; i < common; ++i) {
        const double deviationX = xs[i] - q.meanX;
        const double deviationY = ys[i] - q.meanY;
        squaresX += deviationX * deviationX;
        squaresY += deviationY * deviationY;
        crossProducts += deviationX * deviationY;
    }
    q.squaresX = squaresX;
    q.squaresY = squaresY;
    q.crossProducts = crossProducts;
    q.varianceX = q.squaresX / q.n;
    q.varianceY = q.squaresY / q.n;

    const double deltaSquared = q.delta * q.delta;
    // Lin's scale shift and squared location shift.
    q.scaleShift = std::sqrt(q.varianceX / q.varianceY);
    q.locationShiftSquared = deltaSquared / std::sqrt(q.varianceX * q.varianceY);
    // Bias correction factor C_b (accuracy), on the data's scale.
    q.biasCorrection = 2.0 / (q.scaleShift + 1.0 / q.scaleShift + q.locationShiftSquared);
    // Concordance correlation coefficient in moment form, on the data's scale.
    q.concordance =
        1.0 - q.meanSquaredDeviation / (q.varianceX + q.varianceY + deltaSquared);
    // Pearson correlation recovered from CCC and accuracy.
    q.correlation = q.concordance / q.biasCorrection;

    // Variance of the differences, with the n / (n - 3) factor the TDI/CP theory uses.
    q.differenceVariance = (q.meanSquaredDeviation - deltaSquared) * q.n / (q.n - 3.0);
    // Regression of x on y: slope, intercept and residual variance.
    q.slope = q.correlation * q.scaleShift;
    q.intercept = q.meanX - q.slope * q.meanY;
    q.residualVariance =
        q.n * q.varianceX * (1.0 - q.correlation * q.correlation) / (q.n - 3.0);
    return q;
}

double standardNormalQuantile(double p)
{
    return boost::math::quantile(boost::math::normal_distribution<>(0.0, 1.0), p);
}

double standardNormalDensity(double x)
{
    return boost::math::pdf(boost::math::normal_distribution<>(0.0, 1.0), x);
}

// With one degree of freedom the variable is (Z + sqrt(lambda))^2 for a standard normal Z,
// so F(t; lambda) = Phi(sqrt(t) - sqrt(lambda)) - Phi(-sqrt(t) - sqrt(lambda)) exactly. Each
// term is taken from erfc on the side where it is small, which keeps the result accurate to
// about 1e-16 in both tails; Boost.Math's series agrees to 1e-13 and costs far more, and
// above a lambda of about 4.3e9 it fails.
double chiSquaredOneCdf(double t, double nonCentrality)
{
    const bool inDomain = t >= 0.0 && nonCentrality >= 0.0 && std::isfinite(t)
                          && std::isfinite(nonCentrality);
    if (!inDomain) {
        // Boost.Math raises its own error, with its own message, for every argument here.
        return boost::math::cdf(
            boost::math::non_central_chi_squared_distribution<>(1.0, nonCentrality), t);
    }
    if (t == 0.0)
        return 0.0;
    constexpr double halfRoot2 = 0.70710678118654752440; // 1 / sqrt(2)
    const double rootSum = std::sqrt(t) + std::sqrt(nonCentrality);
    // sqrt(t) - sqrt(lambda), without the cancellation when t is close to lambda.
    const double rootDifference = (t - nonCentrality) / rootSum;
    // Phi(-rootSum), the mass below -sqrt(t) - sqrt(lambda).
    const double lowerTail = 0.5 * std::erfc(rootSum * halfRoot2);
    if (rootDifference >= 0.0)
        return 1.0 - (0.5 * std::erfc(rootDifference * halfRoot2) + lowerTail);
    return std::max(0.0, 0.5 * std::erfc(-rootDifference * halfRoot2) - lowerTail);
}

double inverseLogit(double t)
{
    const double odds = std::exp(t);
    return odds / (odds + 1.0);
}

} // namespace stats
