#include "pairquantities.h"

#include "vectortoolkit.h"

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

double inverseLogit(double t)
{
    const double odds = std::exp(t);
    return odds / (odds + 1.0);
}

} // namespace stats
