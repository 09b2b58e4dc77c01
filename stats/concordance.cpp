#include "concordance.h"

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
double accuracy(const PairQuantities &q)
{
    return q.biasCorrection;
}

// Precision, Pearson r = cov / (sd_x sd_y), on the data's scale, each moment with the
// divisor that sample chooses.
double precision(const PairQuantities &q, bool sample)
{
    const double divisor = sample ? q.n - 1.0 : q.n;
    const double covariance = q.crossProducts / divisor;
    return covariance
           / (std::sqrt(q.squaresX / divisor) * std::sqrt(q.squaresY / divisor));
}

// Relative bias squared delta^2 / s_d^2, on the data's scale.
double rbs(const PairQuantities &q)
{
    return q.delta * q.delta / q.differenceVariance;
}

// Accuracy lower limit, on the logit scale of C_b.
double accuracyLimit(const PairQuantities &q, double alpha, Mode mode)
{
    if (alphaOutsideUnitInterval(alpha))
        return unavailableLimit;
    const double z = standardNormalQuantile(1.0 - alpha);
    const double cb = q.biasCorrection;
    const double logit = std::log(cb / (1.0 - cb));
    const double logitVariance = accuracyLogitVarianceNumerator(q, mode)
                                 / ((q.n - 2.0) * (1.0 - cb) * (1.0 - cb));
    return inverseLogit(logit - z * std::sqrt(logitVariance));
}

// Precision lower limit, on the Fisher Z scale of rho. The correlation is formed from
// population variances whatever the divisor, so the limit belongs to the same r that
// precision() returns for either divisor.
double precisionLimit(const PairQuantities &q, double alpha, Mode mode)
{
    if (alphaOutsideUnitInterval(alpha))
        return unavailableLimit;
    const double z = standardNormalQuantile(1.0 - alpha);
    const double rho = q.correlation;
    const double zVariance = mode == Mode::Random ? 1.0 / (q.n - 3.0)
                                                  : (1.0 - rho * rho / 2.0) / (q.n - 3.0);
    return std::tanh(fisherZ(rho) - z * std::sqrt(zVariance));
}

// CCC lower limit, on the Fisher Z scale of rho_c.
double cccLimit(const PairQuantities &q, double alpha, Mode mode)
{
    if (alphaOutsideUnitInterval(alpha))
        return unavailableLimit;
    const double z = standardNormalQuantile(1.0 - alpha);
    return std::tanh(fisherZ(q.concordance) - z * std::sqrt(concordanceZVariance(q, mode)));
}

double accuracy(const QVector<double> &x, const QVector<double> &y)
{
    return accuracy(pairQuantities(x, y));
}

double precision(const QVector<double> &x, const QVector<double> &y, bool sample)
{
    return precision(pairQuantities(x, y), sample);
}

double rbs(const QVector<double> &x, const QVector<double> &y)
{
    return rbs(pairQuantities(x, y));
}

double accuracyLimit(const QVector<double> &x, const QVector<double> &y, double alpha,
                     Mode mode)
{
    return accuracyLimit(pairQuantities(x, y), alpha, mode);
}

double precisionLimit(const QVector<double> &x, const QVector<double> &y, double alpha,
                      bool sample, Mode mode)
{
    Q_UNUSED(sample)
    return precisionLimit(pairQuantities(x, y), alpha, mode);
}

double cccLimit(const QVector<double> &x, const QVector<double> &y, double alpha, Mode mode)
{
    return cccLimit(pairQuantities(x, y), alpha, mode);
}

} // namespace stats
