#ifndef CONCORDA_STATS_DEMING_H
#define CONCORDA_STATS_DEMING_H

#include "progress.h"

#include <QVector>

#include <limits>

// Deming and weighted Deming lines, the pieces from which regression() builds its figures.
// The readings are expected on a scale where their squares and products cannot overflow
// (regression() scales them by a power of two so that the largest is below 1).
namespace stats {

// y = intercept + slope x.
struct Line
{
    double intercept = std::numeric_limits<double>::quiet_NaN();
    double slope = std::numeric_limits<double>::quiet_NaN();
};

// The Deming slope from the centred sums u = S(x - mx)^2, q = S(y - my)^2,
// p = S(x - mx)(y - my) and the error ratio lambda = var(x errors) / var(y errors):
// b = [(lambda q - u) + sqrt((u - lambda q)^2 + 4 lambda p^2)] / (2 lambda p).
// Infinite when p = 0 and lambda q > u (no relation, more spread in y), NaN when also
// lambda q = u; 0 when p = 0 and lambda q < u.
double demingSlope(double u, double q, double p, double lambda);

// The Deming line through every pair but the one at `skip` (-1: none).
Line demingLine(const QVector<double> &x, const QVector<double> &y, double lambda,
                int skip = -1);

// The Deming lines with each pair left out in turn, in O(n) from running sums.
QVector<Line> demingLinesLeavingOneOut(const QVector<double> &x, const QVector<double> &y,
                                       double lambda);

struct WeightedDemingFit
{
    Line line;              // NaN when some pair cannot be weighted or no line is finite
    int rounds = 0;         // rounds of reweighting done
    bool converged = false; // the last round moved slope and intercept less than the tolerances
};

// Linnet's weighted Deming (proportional errors) through every pair but `skip`: from the
// Deming line, reweight each pair by the inverse square of its estimated true value and
// refit, until the slope changes by less than 1e-6 and the intercept by less than
// interceptTolerance, or after maximumWeightingRounds rounds.
WeightedDemingFit weightedDemingFit(const QVector<double> &x, const QVector<double> &y,
                                    double lambda, double interceptTolerance, int skip = -1);

struct WeightedDemingJackknife
{
    QVector<Line> lines;  // the fit without each pair in turn; NaN where it has no line
    bool stopped = false; // the progress callback asked to stop; lines is empty
};

// weightedDemingFit without each pair in turn, as weightedDemingFit with `skip` computes
// it, in O(n) per round of all refits together where their lines stay near the full
// sample's (the usual case when n is large) and O(n) per round of a refit elsewhere.
WeightedDemingJackknife weightedDemingLinesLeavingOneOut(
    const QVector<double> &x, const QVector<double> &y, double lambda, double interceptTolerance,
    const ProgressCallback &progress = ProgressCallback());

} // namespace stats

#endif
