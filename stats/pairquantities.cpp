#include "pairquantities.h"

#include "vectortoolkit.h"

#include <boost/math/distributions/non_central_chi_squared.hpp>
#include <boost/math/distributions/normal.hpp>

#include <cmath>

namespace stats {

PairQuantities pairQuantities(const QVector<double> &x, const QVector<double> &y)
{
    PairQuantities q;
    q.n = x.size();
    q.squaredDifferences = sum(power(subtract(y, x), 2));
    q.meanSquaredDeviation = q.squaredDifferences / q.n;
    q.meanSquaredDeviation1 = q.squaredDifferences / (q.n - 1.0);
    q.meanX = mean(x);
    q.meanY = mean(y);
    q.delta = q.meanX - q.meanY;
    q.varianceX = variance(x, false);
    q.varianceY = variance(y, false);

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

double chiSquaredOneCdf(double t, double nonCentrality)
{
    // Boost.Math rounds lambda / 2 to an int, so above about 4.3e9 it fails with a
    // rounding_error, and its series grows with sqrt(lambda) (milliseconds per call near
    // 1e9). With one degree of freedom the variable is (Z + sqrt(lambda))^2, so
    // F(t; lambda) = Phi(sqrt(t) - sqrt(lambda)) - Phi(-sqrt(t) - sqrt(lambda)) exactly.
    // From 1e6 on, where the second term underflows, this agrees with Boost.Math to
    // 1e-14 and holds for every finite lambda.
    constexpr double largeNonCentrality = 1e6;
    if (nonCentrality > largeNonCentrality && std::isfinite(nonCentrality) && std::isfinite(t)
        && t >= 0.0) {
        const boost::math::normal_distribution<> standardNormal(0.0, 1.0);
        const double rootSum = std::sqrt(t) + std::sqrt(nonCentrality);
        // sqrt(t) - sqrt(lambda), without the cancellation when t is close to lambda.
        const double upper = (t - nonCentrality) / rootSum;
        return boost::math::cdf(standardNormal, upper) - boost::math::cdf(standardNormal, -rootSum);
    }
    return boost::math::cdf(
        boost::math::non_central_chi_squared_distribution<>(1.0, nonCentrality), t);
}

double inverseLogit(double t)
{
    const double odds = std::exp(t);
    return odds / (odds + 1.0);
}

} // namespace stats
