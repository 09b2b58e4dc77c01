#ifndef CONCORDA_STATS_CONCORDANCE_H
#define CONCORDA_STATS_CONCORDANCE_H

#include "pairquantities.h"

#include <QVector>

// Concordance-family agreement indices of one column pair: x is the reference
// column, y the compared column, equal length n, incomplete pairs already removed. Each
// index comes in two forms: from the columns, or from the pair's summary, which the
// estimators of a report row share (pairQuantities).
//
// The lower confidence limits are one-sided at level 1 - alpha. An alpha outside
// [0, 1] gives -1 without computing anything; alpha = 0 or 1 lets Boost.Math throw
// std::overflow_error from the normal quantile, and a NaN alpha its std::domain_error.
// Degenerate data (n <= 3, a constant column, perfect agreement) give NaN or
// infinities rather than errors.
namespace stats {

// Bias correction factor C_b; symmetric in x and y.
double accuracy(const QVector<double> &x, const QVector<double> &y);

// Pearson correlation; the divisor chosen by sample cancels.
double precision(const QVector<double> &x, const QVector<double> &y, bool sample);

// Relative bias squared: delta^2 / s_d^2.
double rbs(const QVector<double> &x, const QVector<double> &y);

// Lower limits of C_b (logit scale), rho and rho_c (Fisher Z scale). The precision limit
// forms rho from population variances whatever sample says, so it bounds the r that
// precision() returns for either divisor; sample is taken to match precision's call.
double accuracyLimit(const QVector<double> &x, const QVector<double> &y, double alpha,
                     Mode mode);
double precisionLimit(const QVector<double> &x, const QVector<double> &y, double alpha,
                      bool sample, Mode mode);
double cccLimit(const QVector<double> &x, const QVector<double> &y, double alpha, Mode mode);

// The same indices from the pair's summary.
double accuracy(const PairQuantities &q);
double precision(const PairQuantities &q, bool sample);
double rbs(const PairQuantities &q);
double accuracyLimit(const PairQuantities &q, double alpha, Mode mode);
double precisionLimit(const PairQuantities &q, double alpha, Mode mode);
double cccLimit(const PairQuantities &q, double alpha, Mode mode);

} // namespace stats

#endif
