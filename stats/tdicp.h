#ifndef CONCORDA_STATS_TDICP_H
#define CONCORDA_STATS_TDICP_H

#include "pairquantities.h"

#include <QVector>

// Indices of individual agreement of one column pair: the total deviation index
// (TDI), the bound within which a proportion p of the differences y - x lies, and
// the coverage probability (CP), the proportion of differences within a bound kappa0.
// x is the reference column, y the compared column, equal length n, incomplete pairs
// removed and, when proportional is set, already log-transformed: kappa0 is then a
// percentage and TDI is reported as one. Each index comes in two forms: from the columns,
// or from the pair's summary (pairQuantities), which the estimators of a report row share.
//
// Errors of Boost.Math are not caught: a p outside [-1, 1] or an alpha outside [0, 1]
// throws std::domain_error, p = +-1 or alpha = 0 or 1 std::overflow_error, and a
// non-centrality that is negative or not finite (the spread of the differences, or the
// residual spread in fixed mode, is zero, negative or NaN) std::domain_error from CP.
namespace stats {

// TDI for the proportion p; a percentage when proportional is set.
double tdi(const QVector<double> &x, const QVector<double> &y, double p, bool proportional);

// Upper confidence limit of TDI at level 1 - alpha.
double tdiLimit(const QVector<double> &x, const QVector<double> &y, double p,
                bool proportional, double alpha, Mode mode);

// CP for the bound kappa0. The random-mode estimate writes the two columns to the debug
// output first, as a developer diagnostic.
double cp(const QVector<double> &x, const QVector<double> &y, double kappa0, bool proportional,
          Mode mode);

// Lower confidence limit of CP at level 1 - alpha; -1 when CP is 1.
double cpLimit(const QVector<double> &x, const QVector<double> &y, double kappa0,
               bool proportional, double alpha, Mode mode);

// The same indices from the pair's summary; CP in fixed mode also reads the compared column.
double tdi(const PairQuantities &q, double p, bool proportional);
double tdiLimit(const PairQuantities &q, double p, bool proportional, double alpha, Mode mode);

// A CP estimate with what its limit needs: the bound on the scale of the data and the mode.
struct Coverage
{
    double value;
    double kappa;
    Mode mode;
};

// CP, without the diagnostic line of cp().
Coverage coverage(const PairQuantities &q, const QVector<double> &y, double kappa0,
                  bool proportional, Mode mode);

// Lower limit of the CP estimate c, z being the normal quantile at 1 - alpha; -1 when CP is 1.
double cpLimit(const PairQuantities &q, const QVector<double> &y, const Coverage &c, double z);

} // namespace stats

#endif
