#ifndef CONCORDA_STATS_QUANTILES_H
#define CONCORDA_STATS_QUANTILES_H

#include <QVector>

// The quantiles the confidence intervals of the analyses take, and the scaling of readings
// that keeps their fits from overflowing: one place for what several estimators need.
namespace stats {

// Half the complement of a confidence level 1 - alpha. Below the smallest normal double
// Boost.Math reports an overflow for the quantiles; there they are already beyond any use
// (37.5 for the normal, 1.4e307 for Student's t on 1 degree of freedom).
double tailProbability(double alpha);

// The standard normal and Student's t quantiles with `upperTail` above them, taken from the
// upper tail directly: 1 - p rounds to 1 for a p below 1e-16, where the quantile would
// overflow.
double normalUpperQuantile(double upperTail);
double studentUpperQuantile(double upperTail, double degreesOfFreedom);

// Paired readings divided by the power of two 2^exponent that brings the largest magnitude
// into [0.5, 1): exact, and no difference, square or sum of products of them can overflow.
// Slopes are unchanged; intercepts are scaled back with std::ldexp.
struct ScaledPairs
{
    QVector<double> x;
    QVector<double> y;
    int exponent = 0;
    double largest = 0; // the largest magnitude, scaled
};

ScaledPairs scaledPairs(QVector<double> x, QVector<double> y);

} // namespace stats

#endif
