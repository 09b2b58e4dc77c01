#ifndef CONCORDA_STATS_PASSINGBABLOK_H
#define CONCORDA_STATS_PASSINGBABLOK_H

#include "deming.h"
#include "progress.h"

#include <QVector>

// The Passing-Bablok line and its cusum linearity test, the pieces from which
// regression() builds its figures. The readings are expected on a scale where their
// differences cannot overflow (regression() scales them so that the largest is below 1).
namespace stats {

struct PassingBablokFit
{
    Line line;
    double slopeLower = 0;
    double slopeUpper = 0;
    double interceptLower = 0;
    double interceptUpper = 0;
    bool stopped = false; // the progress callback asked to stop; no figure holds
};

// Passing and Bablok's shifted median of the pairwise slopes with its confidence interval
// at the normal quantile z, and the median intercepts that go with the slope and its
// limits. A limit is -inf or +inf where the interval reaches past the smallest or largest
// slope; the slope itself is infinite when most pairs share a reference value.
// The slopes are selected without forming them, in O(n log n) expected time and O(n)
// memory; the figures are those of sorting all n(n - 1)/2 slopes as computed in double.
PassingBablokFit passingBablokFit(const QVector<double> &x, const QVector<double> &y, double z,
                                  const ProgressCallback &progress = ProgressCallback());

// Passing and Bablok's cusum statistic H of the residual signs about the line, taken in
// the order of the points along it.
double cusumStatistic(const QVector<double> &x, const QVector<double> &y, const Line &line);

} // namespace stats

#endif
