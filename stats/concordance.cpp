#include "concordance.h"

#include "vectortoolkit.h"

#include <cmath>

namespace stats {

namespace {

// A limit at a level outside [0, 1] is reported as -1; NaN passes on to the quantile.
bool alphaOutsideUnitInterval(double alpha)
{
    return alpha < 0.0 || alpha > 1.0;
}

// Fisher Z transform, 1/2 ln((1 + r) / (1 - r)).
double fisherZ(double r)
{
    return 0.5 * std::log((1.0 + r) / (1.0 - r));
}

// Variance of logit(C_b), divided by (n - 2)(1 - C_b)^2 below.
double accuracyLogitVarianceNumerator(const PairQuantities &q, Mode mode)
{
    const double w = q.scaleShift;
    const double u2 = q.locationShiftSquared;
    const double cb = q.biasCorrection;
    const double rho = q.correlation;
    if (mode == Mode::Random) {
        return u2 * cb * cb * (w + 1.0 / w - 2.0 * rho)
               + cb * cb * (w * w + 1.0 / (w * w) + 2.0 * rho * rho) / 2.0
               + (u2 * cb - 1.0) * (1.0 + rho * rho);
    }
    const double rho2 = rho * rho;
    const double oneMinusWCb = 1.0 - w * cb;
    return (1.0 - rho2) * w * u2 * cb * cb
           + (1.0 - rho2 * rho2) * oneMinusWCb * oneMinusWCb / 2.0;
}

// Variance of the Fisher Z of rho_c.
double concordanceZVariance(const PairQuantities &q, Mode mode)
{
    const double w = q.scaleShift;
    const double u2 = q.locationShiftSquared;
    const double rhoC = q.concordance;
    const double rho = q.correlation;
    const double rho2 = rho * rho;
    const double rhoC2 = rhoC * rhoC;
    const double oneMinusRhoC2 = 1.0 - rhoC2;
    if (mode == Mode::Random) {
        return ((1.0 - rho2) * rhoC2 / (oneMinusRhoC2 * rho2)
                + 2.0 * std::pow(rhoC, 3) * (1.0 - rhoC) * u2
                      / (rho * oneMinusRhoC2 * oneMinusRhoC2)
                - std::pow(u2, 2) * std::pow(rhoC, 4)
                      / (2.0 * rho2 * oneMinusRhoC2 * oneMinusRhoC2))
               / (q.n - 2.0);
    }
    const double oneMinusRhoRhoCW = 1.0 - rho * rhoC * w;
    return (1.0 - rho2) * rhoC2 / ((q.n - 2.0) * oneMinusRhoC2 * oneMinusRhoC2 * rho2)
           * (u2 * w * rhoC2 + oneMinusRhoRhoCW * oneMinusRhoRhoCW
              + (1.0 - rho2) * rhoC2 * w * w / 2.0);
}

} // namespace

// Accuracy C_b = 2 / (w + 1/w + u^2), on the data's scale.
double accuracy(const QVector<double> &x, const QVector<double> &y)
{
    return pairQuantities(x, y).biasCorrection;
}

// Precision, Pearson r = cov / (sd_x sd_y), on the data's scale.
double precision(const QVector<double> &x, const QVector<double> &y, bool sample)
{
    return covariance(x, y, sample)
           / (standardDeviation(x, sample) * standardDeviation(y, sample));
}

// Relative bias squared delta^2 / s_d^2, on the data's scale.
double rbs(const QVector<double> &x, const QVector<double> &y)
{
    const PairQuantities q = pairQuantities(x, y);
    return q.delta * q.delta / q.differenceVariance;
}

// Accuracy lower limit, on the logit scale of C_b.
double accuracyLimit(const QVector<double> &x, const QVector<double> &y, double alpha,
                     Mode mode)
{
    if (alphaOutsideUnitInterval(alpha))
        return unavailableLimit;
    const double z = standardNormalQuantile(1.0 - alpha);
    const PairQuantities q = pairQuantities(x, y);
    const double cb = q.biasCorrection;
    const double logit = std::log(cb / (1.0 - cb));
    const double logitVariance = accuracyLogitVarianceNumerator(q, mode)
                                 / ((q.n - 2.0) * (1.0 - cb) * (1.0 - cb));
    return inverseLogit(logit - z * std::sqrt(logitVariance));
}

// Precision lower limit, on the Fisher Z scale of rho. The correlation is formed from
// population variances whatever the divisor flag, so the limit belongs to the same r
// that precision() returns for either flag.
double precisionLimit(const QVector<double> &x, const QVector<double> &y, double alpha,
                      bool sample, Mode mode)
{
    Q_UNUSED(sample)
    if (alphaOutsideUnitInterval(alpha))
        return unavailableLimit;
    const double z = standardNormalQuantile(1.0 - alpha);
    const PairQuantities q = pairQuantities(x, y);
    const double rho = q.correlation;
    const double zVariance = mode == Mode::Random ? 1.0 / (q.n - 3.0)
                                                  : (1.0 - rho * rho / 2.0) / (q.n - 3.0);
    return std::tanh(fisherZ(rho) - z * std::sqrt(zVariance));
}

// CCC lower limit, on the Fisher Z scale of rho_c.
double cccLimit(const QVector<double> &x, const QVector<double> &y, double alpha, Mode mode)
{
    if (alphaOutsideUnitInterval(alpha))
        return unavailableLimit;
    const double z = standardNormalQuantile(1.0 - alpha);
    const PairQuantities q = pairQuantities(x, y);
    return std::tanh(fisherZ(q.concordance) - z * std::sqrt(concordanceZVariance(q, mode)));
}

} // namespace stats
