#ifndef CONCORDA_STATS_REGRESSION_H
#define CONCORDA_STATS_REGRESSION_H

#include "optiondeclaration.h"
#include "progress.h"

#include <QString>
#include <QVariant>
#include <QVector>

#include <limits>

// Method-comparison regression of a compared method (y) on the reference (x): the line
// y = a + b x by Passing-Bablok, Deming or weighted Deming, with confidence intervals for
// slope and intercept, the cusum linearity test of Passing-Bablok and the bias of the
// compared method at decision levels of the reference.
namespace stats {

enum class RegressionMethod { PassingBablok, Deming, WeightedDeming };

struct RegressionOptions
{
    RegressionMethod method = RegressionMethod::PassingBablok;
    double errorRatio = 1;          // lambda = var(reference errors) / var(compared errors);
                                    // Deming methods only
    double alpha = 0.05;            // two-sided confidence intervals at level 1 - alpha
    QVector<double> decisionLevels; // reference values X_c at which the bias is reported
};

// The bias of the compared method at a decision level X_c: B = a + (b - 1) X_c.
struct DecisionLevelBias
{
    double level = 0;
    double bias = 0;
    double lower = std::numeric_limits<double>::quiet_NaN(); // its confidence interval; NaN
    double upper = std::numeric_limits<double>::quiet_NaN(); // where the method gives none
};

// The figures of one compared variable. A confidence limit is NaN where it cannot be
// formed (a Deming jackknife with a left-out fit that has no finite line) and infinite
// where the data do not bound it (a Passing-Bablok interval on too few pairs reaches past
// the smallest or largest slope).
struct RegressionFigures
{
    qint64 n = 0; // complete pairs
    RegressionMethod method = RegressionMethod::PassingBablok;
    double slope = std::numeric_limits<double>::quiet_NaN();
    double slopeLower = std::numeric_limits<double>::quiet_NaN();
    double slopeUpper = std::numeric_limits<double>::quiet_NaN();
    double intercept = std::numeric_limits<double>::quiet_NaN();
    double interceptLower = std::numeric_limits<double>::quiet_NaN();
    double interceptUpper = std::numeric_limits<double>::quiet_NaN();
    double errorRatio = std::numeric_limits<double>::quiet_NaN();    // lambda, Deming methods
    double cusumH = std::numeric_limits<double>::quiet_NaN();        // Passing-Bablok only
    double cusumCritical = std::numeric_limits<double>::quiet_NaN(); // Passing-Bablok only
    bool linear = false;   // Passing-Bablok: H below the critical value
    int iterations = 0;    // weighted Deming: rounds of reweighting used
    bool converged = true; // weighted Deming: whether the last round moved the slope by less
                           // than 1e-6 and the intercept by less than 1e-6 times the largest
                           // |reading| (a relative bound, so that units do not matter)
    QVector<DecisionLevelBias> biasAt; // one per decision level, in the order given
    bool stopped = false;              // the progress callback asked the fit to stop
};

// Weighted Deming refits the line without each pair in turn for its intervals; the refits'
// rounds take their sums from expansions about the full sample's line, O(n) in all: about
// 3 s at this many pairs. (Data where refits stray far from the full sample's line need a
// pass over the pairs per round, as before.)
constexpr qint64 maximumWeightedDemingPairs = 1000000;

// Weighted Deming stops reweighting after this many rounds if the line has not settled.
constexpr int maximumWeightingRounds = 30;

// The regression on numeric vectors (x reference, y compared, equal length, no missing
// values). Precondition: regressionProblem(...) is empty.
RegressionFigures regression(const QVector<double> &x, const QVector<double> &y,
                             const RegressionOptions &options);

// Why no regression can be computed with these options (alpha outside (0, 1), a lambda
// that is not a positive finite number under a Deming method, a decision level that is
// not finite), named as the dialog or the batch tool names them; empty when they are fine.
QString regressionOptionsProblem(const RegressionOptions &options, OptionNames names);

// Why the regression of the compared variable `name` on the reference cannot be computed
// (the options, a reading that is not finite, fewer than 3 complete pairs, all reference
// values equal, more pairs than weighted Deming takes, a line that is not finite), as one
// sentence in the user's terms naming `name`; empty when it can be computed. It fits the
// line to find out (for Passing-Bablok that is most of the work): regressionFigures checks
// and computes in one pass.
QString regressionProblem(const QVector<double> &x, const QVector<double> &y,
                          const RegressionOptions &options, const QString &name);

// The same on cell vectors as the data view hands them (a double variant where a cell
// reads as a number, an invalid one where it does not): pairs them, drops incomplete
// pairs, checks, computes. On a problem, *problem holds the sentence and the figures only
// n; otherwise *problem is empty.
RegressionFigures regressionFigures(const QVector<QVariant> &other, const QVector<QVariant> &gold,
                                    const RegressionOptions &options, const QString &name,
                                    QString *problem);

// The same on numbers already paired (x the reference, y compared): the subject means of
// replicated readings, say. A long fit reports its progress; when the callback asks it to
// stop, the figures say `stopped` and *problem says so.
RegressionFigures regressionFigures(const QVector<double> &x, const QVector<double> &y,
                                    const RegressionOptions &options, const QString &name,
                                    QString *problem,
                                    const ProgressCallback &progress = ProgressCallback());

} // namespace stats

#endif
