#include "tdicp.h"

#include "diagnostics.h"

#include <QDebug>

#include <cmath>

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

// mu_i = a_0 + (beta - 1) y_i, the expected difference x - y at a row, formed anew at each
// row rather than kept in a vector.
struct ExpectedDifference
{
    explicit ExpectedDifference(const PairQuantities &q)
        : intercept(q.intercept), slopeGap(q.slope - 1.0)
    {
    }
    double operator()(double y) const { return intercept + slopeGap * y; }

    double intercept;
    double slopeGap;
};

// Fixed-mode CP, on the scale of the squared residual differences: the mean over rows
// of F(kappa^2 / sigma_e^2; mu_i^2 / sigma_e^2). A row outside the distribution's domain
// raises its error in row order.
double fixedCoverage(const PairQuantities &q, const QVector<double> &y, double kappa)
{
    const ExpectedDifference expected(q);
    const double t = kappa * kappa / q.residualVariance;
    double total = 0.0;
    for (double value : y) {
        const double mu = expected(value);
        total += chiSquaredOneCdf(t, mu * mu / q.residualVariance);
    }
    return total / double(y.size());
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

// Fixed-mode variance of logit(CP), before division by CP^2 (n - 3) (1 - CP)^2, from the
// means over rows of g_i = phi(l_i) - phi(u_i), h_i = -(u_i phi(u_i) + l_i phi(l_i)) and
// g_i y_i, with u_i = (kappa + mu_i) / sigma_e and l_i = (kappa - mu_i) / sigma_e.
double fixedCoverageVarianceNumerator(const PairQuantities &q, const QVector<double> &y,
                                      double kappa)
{
    const ExpectedDifference expected(q);
    const double sigmaE = std::sqrt(q.residualVariance);
    double sumG = 0.0;
    double sumH = 0.0;
    double sumGY = 0.0;
    for (double value : y) {
        const double mu = expected(value);
        const double upper = (kappa + mu) / sigmaE;
        const double lower = (kappa - mu) / sigmaE;
        const double densityUpper = standardNormalDensity(upper);
        const double densityLower = standardNormalDensity(lower);
        const double g = densityLower - densityUpper;
        sumG += g;
        sumH += -(upper * densityUpper + lower * densityLower);
        sumGY += g * value;
    }
    const double n = y.size();
    const double gMean = sumG / n;
    const double hMean = sumH / n;
    const double cY = q.meanY * gMean - sumGY / n;
    return gMean * gMean + cY * cY / q.varianceY + hMean * hMean / 2.0;
}

} // namespace

// TDI = z_p sqrt(MSD1), on the data's scale (log scale when proportional).
double tdi(const PairQuantities &q, double p, bool proportional)
{
    const double zP = proportionQuantile(p);
    const double index = zP * std::sqrt(q.meanSquaredDeviation1);
    return proportional ? toPercent(index) : index;
}

// TDI upper limit, on the log scale of MSD1.
double tdiLimit(const PairQuantities &q, double p, bool proportional, double alpha, Mode mode)
{
    const double z = standardNormalQuantile(1.0 - alpha);
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
Coverage coverage(const PairQuantities &q, const QVector<double> &y, double kappa0,
                  bool proportional, Mode mode)
{
    Coverage c;
    c.kappa = coverageBound(kappa0, proportional);
    c.mode = mode;
    c.value = mode == Mode::Random ? randomCoverage(q, c.kappa) : fixedCoverage(q, y, c.kappa);
    return c;
}

// CP lower limit, on the logit scale of CP.
double cpLimit(const PairQuantities &q, const QVector<double> &y, const Coverage &c, double z)
{
    if (c.value >= 1.0)
        return unavailableLimit;
    const double numerator = c.mode == Mode::Random
                                 ? randomCoverageVarianceNumerator(q, c.kappa)
                                 : fixedCoverageVarianceNumerator(q, y, c.kappa);
    const double logitVariance =
        numerator / (c.value * c.value * (q.n - 3.0) * (1.0 - c.value) * (1.0 - c.value));
    const double logit = std::log(c.value / (1.0 - c.value));
    return inverseLogit(logit - z * std::sqrt(logitVariance));
}

double tdi(const QVector<double> &x, const QVector<double> &y, double p, bool proportional)
{
    return tdi(pairQuantities(x, y), p, proportional);
}

double tdiLimit(const QVector<double> &x, const QVector<double> &y, double p,
                bool proportional, double alpha, Mode mode)
{
    return tdiLimit(pairQuantities(x, y), p, proportional, alpha, mode);
}

double cp(const QVector<double> &x, const QVector<double> &y, double kappa0, bool proportional,
          Mode mode)
{
    // Rendering a large column pair costs far more than the estimate itself; qCDebug skips
    // it when the diagnostics are switched off.
    if (mode == Mode::Random)
        qCDebug(concordaDiagnostics) << x << "-" << y;
    return coverage(pairQuantities(x, y), y, kappa0, proportional, mode).value;
}

double cpLimit(const QVector<double> &x, const QVector<double> &y, double kappa0,
               bool proportional, double alpha, Mode mode)
{
    const double z = standardNormalQuantile(1.0 - alpha);
    const PairQuantities q = pairQuantities(x, y);
    return cpLimit(q, y, coverage(q, y, kappa0, proportional, mode), z);
}

} // namespace stats
