#include "tdicp.h"

#include "diagnostics.h"
#include "vectortoolkit.h"

#include <QDebug>

#include <cmath>
#include <utility>

namespace stats {

namespace {

// Converts a TDI on the log scale back to a percentage.
double toPercent(double logScaleValue)
{
    return (std::exp(logScaleValue) - 1.0) * 100.0;
}

// The CP bound on the scale of the data: a percentage becomes ln(1 + kappa0 / 100).
double coverageBound(double kappa0, bool proportional)
{
    return proportional ? std::log(1.0 + kappa0 / 100.0) : kappa0;
}

// z_p, the normal quantile at (1 + p) / 2.
double proportionQuantile(double p)
{
    return standardNormalQuantile(1.0 - (1.0 - p) * 0.5);
}

// Random-mode CP, on the scale of the squared differences: F(kappa^2 / s_d^2; delta^2 / s_d^2).
double randomCoverage(const PairQuantities &q, double kappa)
{
    const double nonCentrality = q.delta * q.delta / q.differenceVariance;
    return chiSquaredOneCdf(kappa * kappa / q.differenceVariance, nonCentrality);
}

// mu_i = a_0 + (beta - 1) y_i, the expected difference x - y at each row.
QVector<double> expectedDifferences(const PairQuantities &q, const QVector<double> &y)
{
    return add(q.intercept, multiply(q.slope - 1.0, y));
}

// Fixed-mode CP, on the scale of the squared residual differences: the mean over rows
// of F(kappa^2 / sigma_e^2; mu_i^2 / sigma_e^2).
double fixedCoverage(const PairQuantities &q, const QVector<double> &expected, double kappa)
{
    return mean(nonCentralChiSquaredCdf(kappa * kappa / q.residualVariance, 1,
                                        divide(power(expected, 2), q.residualVariance)));
}

// Random-mode variance of logit(CP), before division by CP^2 (n - 3) (1 - CP)^2.
double randomCoverageVarianceNumerator(const PairQuantities &q, double kappa)
{
    const double sigmaD = std::sqrt(q.differenceVariance);
    const double shift = q.meanY - q.meanX;
    const double upper = (kappa + shift) / sigmaD;
    const double lower = (kappa - shift) / sigmaD;
    const double densityUpper = standardNormalDensity(upper);
    const double densityLower = standardNormalDensity(lower);
    const double g = densityUpper - densityLower;
    const double h = upper * densityUpper + lower * densityLower;
    return g * g + h * h / 2.0;
}

// Fixed-mode variance of logit(CP), before division by CP^2 (n - 3) (1 - CP)^2.
// Vectors are moved into their last use so that the toolkit reuses their buffers.
double fixedCoverageVarianceNumerator(const PairQuantities &q, const QVector<double> &y,
                                      const QVector<double> &expected, double kappa)
{
    const double sigmaE = std::sqrt(q.residualVariance);
    QVector<double> upper = divide(add(kappa, expected), sigmaE);
    QVector<double> lower = divide(subtract(kappa, expected), sigmaE);
    const QVector<double> densityUpper = normalDensity(upper);
    QVector<double> densityLower = normalDensity(lower);
    const QVector<double> h = negate(add(multiply(std::move(upper), densityUpper),
                                         multiply(std::move(lower), densityLower)));
    QVector<double> g = subtract(std::move(densityLower), densityUpper);
    const double gMean = mean(g);
    const double hMean = mean(h);
    const double cY = q.meanY * gMean - mean(multiply(std::move(g), y));
    return gMean * gMean + cY * cY / q.varianceY + hMean * hMean / 2.0;
}

} // namespace

// TDI = z_p sqrt(MSD1), on the data's scale (log scale when proportional).
double tdi(const QVector<double> &x, const QVector<double> &y, double p, bool proportional)
{
    const double zP = proportionQuantile(p);
    const PairQuantities q = pairQuantities(x, y);
    const double index = zP * std::sqrt(q.meanSquaredDeviation1);
    return proportional ? toPercent(index) : index;
}

// TDI upper limit, on the log scale of MSD1.
double tdiLimit(const QVector<double> &x, const QVector<double> &y, double p,
                bool proportional, double alpha, Mode mode)
{
    const double z = standardNormalQuantile(1.0 - alpha);
    const PairQuantities q = pairQuantities(x, y);
    const double deltaSquared = q.delta * q.delta;
    double a = deltaSquared * deltaSquared;
    if (mode == Mode::Fixed && q.varianceY != 0.0) {
        const double slopeGap = 1.0 - q.slope;
        const double base = deltaSquared + q.varianceY * slopeGap * slopeGap;
        a = base * base;
    }
    const double msd1 = q.meanSquaredDeviation1;
    const double logVariance = 2.0 * (1.0 - a / (msd1 * msd1)) / (q.n - 2.0);
    const double msdUpper = std::exp(std::log(msd1) + z * std::sqrt(logVariance));
    const double limit = proportionQuantile(p) * std::sqrt(msdUpper);
    return proportional ? toPercent(limit) : limit;
}

// CP, the share of differences y - x within +-kappa, on the data's scale (log scale
// when proportional).
double cp(const QVector<double> &x, const QVector<double> &y, double kappa0, bool proportional,
          Mode mode)
{
    // Rendering a large column pair costs far more than the estimate itself; qCDebug skips
    // it when the diagnostics are switched off.
    if (mode == Mode::Random)
        qCDebug(concordaDiagnostics) << x << "-" << y;
    const PairQuantities q = pairQuantities(x, y);
    const double kappa = coverageBound(kappa0, proportional);
    if (mode == Mode::Random)
        return randomCoverage(q, kappa);
    return fixedCoverage(q, expectedDifferences(q, y), kappa);
}

// CP lower limit, on the logit scale of CP.
double cpLimit(const QVector<double> &x, const QVector<double> &y, double kappa0,
               bool proportional, double alpha, Mode mode)
{
    const double z = standardNormalQuantile(1.0 - alpha);
    const PairQuantities q = pairQuantities(x, y);
    const double kappa = coverageBound(kappa0, proportional);
    double coverage = 0.0;
    double numerator = 0.0;
    if (mode == Mode::Random) {
        coverage = randomCoverage(q, kappa);
        if (coverage >= 1.0)
            return unavailableLimit;
        numerator = randomCoverageVarianceNumerator(q, kappa);
    } else {
        const QVector<double> expected = expectedDifferences(q, y);
        coverage = fixedCoverage(q, expected, kappa);
        if (coverage >= 1.0)
            return unavailableLimit;
        numerator = fixedCoverageVarianceNumerator(q, y, expected, kappa);
    }
    const double logitVariance =
        numerator / (coverage * coverage * (q.n - 3.0) * (1.0 - coverage) * (1.0 - coverage));
    const double logit = std::log(coverage / (1.0 - coverage));
    return inverseLogit(logit - z * std::sqrt(logitVariance));
}

} // namespace stats
