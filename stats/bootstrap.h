#ifndef CONCORDA_STATS_BOOTSTRAP_H
#define CONCORDA_STATS_BOOTSTRAP_H

#include "agreementreport.h"
#include "regression.h"

#include <QString>
#include <QVector>
#include <QtGlobal>

#include <limits>

// What the regression figures leave to resampling and to the plots: the bootstrap of pairs
// for Passing-Bablok (intervals of the bias at decision levels, of slope and intercept, and
// the confidence band of the line), the jackknife band of the Deming lines, and the
// residuals of every fit for the residual plot.
namespace stats {

struct BootstrapOptions
{
    int resamples = 1999; // B
    quint64 seed = 1;
};

// Fewer resamples leave the ends of a 95 % interval resting on two or three of them; more
// than the largest take minutes at a few hundred pairs.
constexpr int minimumBootstrapResamples = 100;
constexpr int maximumBootstrapResamples = 1000000;

// The confidence bands hold this many x values, evenly spaced from the smallest to the
// largest reference value: enough for a smooth band at any plot size.
constexpr int confidenceBandPoints = 61;

// Why no bootstrap can be run with these options (B outside the range above), named as the
// dialog or the batch tool names them; empty when they are fine.
QString bootstrapOptionsProblem(const BootstrapOptions &options, OptionNames names);

// One estimate with its two-sided bootstrap intervals at level 1 - alpha, from the
// resamples whose line is defined.
struct BootstrapInterval
{
    double estimate = std::numeric_limits<double>::quiet_NaN(); // from all pairs
    // The BCa interval: the quantiles of the resampled estimates (sampleQuantile's (B + 1) p
    // rule) at the levels Phi(z0 + (z0 + z) / (1 - a (z0 + z))) for z = -+ the normal
    // quantile at 1 - alpha / 2; z0 counts the resamples within rounding of the estimate as
    // half below it.
    // NaN when z0 is infinite (every resample on one side of the estimate) or the
    // acceleration cannot be formed (a fit without one pair is undefined), or no resample
    // has a defined line.
    double lower = std::numeric_limits<double>::quiet_NaN();
    double upper = std::numeric_limits<double>::quiet_NaN();
    // The plain percentile interval: the quantiles at alpha / 2 and 1 - alpha / 2.
    double percentileLower = std::numeric_limits<double>::quiet_NaN();
    double percentileUpper = std::numeric_limits<double>::quiet_NaN();
    double biasCorrection = std::numeric_limits<double>::quiet_NaN(); // z0
    double acceleration = std::numeric_limits<double>::quiet_NaN();   // a
    // A BCa level fell below the first or above the last rank, so that end is the smallest
    // or largest resampled estimate: more resamples are needed for this level.
    bool extremeEnd = false;
};

// The fitted line and its pointwise confidence interval at one reference value.
struct BandPoint
{
    double x = 0;
    double fit = 0;
    double lower = std::numeric_limits<double>::quiet_NaN();
    double upper = std::numeric_limits<double>::quiet_NaN();
};

// Above this many pairs the jackknife of the acceleration leaves out groups of pairs rather
// than single pairs (the pairs whose row numbers leave the same remainder on division by
// it): a delete-d jackknife, which keeps the acceleration's cost at this many refits.
constexpr int largestExactJackknife = 1000;

// Above this many pairs the Passing-Bablok bootstrap is not run: at 20,000 pairs its 1,999
// refits take a minute or two, and an interval from the ranks of the slopes, which every
// fit has, is already narrow.
constexpr int largestBootstrapPairs = 20000;

struct PassingBablokBootstrap
{
    bool stopped = false; // the progress callback asked to stop; no figure holds
    int resamples = 0; // B, as asked for
    quint64 seed = 0;
    // Resamples whose Passing-Bablok line is undefined: all reference values equal, or so
    // many pairs sharing one that the slope is infinite. They take no part in the intervals.
    int failures = 0;
    BootstrapInterval slope;
    BootstrapInterval intercept;
    QVector<BootstrapInterval> biasAt; // B = intercept + (slope - 1) level, one per decision
                                       // level in the order given
    // The BCa interval of intercept + slope x at confidenceBandPoints values of x. At
    // x = level it is biasAt's interval shifted by the level (up to rounding).
    QVector<BandPoint> band;
};

// The bootstrap of pairs for Passing-Bablok: B resamples of the n pairs with replacement,
// each refitted. Of `options` alpha and the decision levels count. Preconditions:
// regressionProblem(...) under Passing-Bablok and bootstrapOptionsProblem(...) are empty.
//
// The figures depend on the seed alone. Resample b (from 0) draws its n row numbers from a
// SplitMix64 stream of its own, which starts at the state the (b + 1)-th output of
// SplitMix64(seed) gives: any resample can be drawn without the others, in any order or
// thread. A row number below n is x mod n of the first draw x that is not below
// 2^64 mod n, so that every row is equally likely.
PassingBablokBootstrap passingBablokBootstrap(const QVector<double> &x, const QVector<double> &y,
                                              const RegressionOptions &options,
                                              const BootstrapOptions &bootstrap,
                                              const ProgressCallback &progress = ProgressCallback());

// The row numbers of resample `resample` (from 0) of n pairs, as passingBablokBootstrap
// draws them; none for n <= 0.
QVector<int> bootstrapResample(int n, quint64 seed, int resample);

// The pointwise jackknife band of a Deming or weighted Deming line at confidenceBandPoints
// values of x: at each x the prediction intercept + slope x refitted without each pair in
// turn gives the interval as the slope's and the intercept's are formed (Student's t on
// n - 2), so that at x = level it is the interval of the bias at that level plus the level.
// Of `options` the method, the error ratio and alpha count. Precondition:
// regressionProblem(...) is empty and the method is not Passing-Bablok.
QVector<BandPoint> demingConfidenceBand(const QVector<double> &x, const QVector<double> &y,
                                        const RegressionOptions &options);

// The points of the residual plot, in row order.
struct ResidualPlot
{
    QVector<double> position; // the X axis
    QVector<double> residual;
};

// The residuals of the line in `figures` (from regression() on the same pairs), as each
// method defines its fit:
// - Deming: the residual whose sum of squares the line minimises, d / sqrt(1 + lambda b^2)
//   with d = y - a - b x. It is the distance from the point to its estimated true values on
//   the line, measured in units of the compared method's error (lambda = 1: the
//   perpendicular distance), so the residuals show the spread the fit assumes constant.
//   Positioned at the estimated true reference value x + lambda b d / (1 + lambda b^2).
// - Weighted Deming: the same divided by the |estimated true value| by whose inverse
//   square the fit weights each pair: a relative residual, which the fit assumes constant
//   in spread. Positioned as under Deming.
// - Passing-Bablok: y - a - b x, in the compared method's units, against the rank of
//   (x + y) / 2 (tied means share their mean rank). The fit rests on ranks, not on a
//   model of the errors, so the residual is the plain vertical distance a laboratory reads
//   as the deviation of a sample from the line; its signs are those the cusum test counts.
ResidualPlot regressionResiduals(const QVector<double> &x, const QVector<double> &y,
                                 const RegressionFigures &figures);

} // namespace stats

#endif
