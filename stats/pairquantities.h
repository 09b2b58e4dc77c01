#ifndef CONCORDA_STATS_PAIRQUANTITIES_H
#define CONCORDA_STATS_PAIRQUANTITIES_H

#include <QVector>

namespace stats {

// Whether a confidence limit treats the compared method's readings as a random
// sample (Random) or conditions on the observed readings (Fixed).
enum class Mode { Random, Fixed };

// The value of a confidence limit that cannot be formed: an alpha outside [0, 1] for
// the concordance limits, a CP estimate of 1 for the CP limit.
constexpr double unavailableLimit = -1.0;

// The summary of one column pair that every agreement estimator is built from, computed
// once per pair and shared by the estimators of a report row: x is the reference column,
// y the compared column, both of length n (for columns of different lengths every sum is
// NaN). Variances are population variances (divisor n). Nothing is guarded: degenerate
// data leave NaN or infinities in the fields that depend on them.
struct PairQuantities
{
    double n;                      // number of pairs
    double squaredDifferences;     // S = sum of (y_i - x_i)^2
    double meanSquaredDeviation;   // MSD = S / n
    double meanSquaredDeviation1;  // MSD1 = S / (n - 1)
    double meanX;                  // m_x
    double meanY;                  // m_y
    double delta;                  // m_x - m_y
    double squaresX;               // sum of (x_i - m_x)^2
    double squaresY;               // sum of (y_i - m_y)^2
    double crossProducts;          // sum of (x_i - m_x)(y_i - m_y)
    double varianceX;              // v_x
    double varianceY;              // v_y
    double scaleShift;             // w = sqrt(v_x / v_y)
    double locationShiftSquared;   // u^2 = delta^2 / sqrt(v_x * v_y)
    double biasCorrection;         // C_b, the accuracy
    double concordance;            // rho_c, the CCC in moment form
    double correlation;            // rho = rho_c / C_b
    double differenceVariance;     // s_d^2 = (MSD - delta^2) * n / (n - 3)
    double slope;                  // beta = rho * w, regression of x on y
    double intercept;              // a_0 = m_x - beta * m_y
    double residualVariance;       // sigma_e^2 = n * v_x * (1 - rho^2) / (n - 3)
};

// Two passes over the pair: the sums, then the squares around the means. Each sum is
// accumulated left to right in an accumulator of its own.
PairQuantities pairQuantities(const QVector<double> &x, const QVector<double> &y);

// Boost.Math standard normal quantile at probability p; throws std::domain_error for p
// outside [0, 1] or NaN and std::overflow_error for p = 0 or p = 1.
double standardNormalQuantile(double p);

// Boost.Math standard normal density; throws std::domain_error for NaN.
double standardNormalDensity(double x);

// Distribution function at t of the non-central chi-squared distribution with one degree
// of freedom and non-centrality lambda, in closed form. Throws Boost.Math's
// std::domain_error, message and all, for a lambda or a t that is negative or not finite.
double chiSquaredOneCdf(double t, double nonCentrality);

// Back-transform from the logit scale: e^t / (e^t + 1).
double inverseLogit(double t);

} // namespace stats

#endif
