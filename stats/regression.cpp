#include "regression.h"

#include "completepairs.h"
#include "deming.h"
#include "passingbablok.h"
#include "quantiles.h"
#include "vectortoolkit.h"

#include <QObject>

#include <boost/math/distributions/normal.hpp>
#include <boost/math/distributions/students_t.hpp>

#include <algorithm>
#include <cmath>
#include <limits>

namespace stats {

namespace {

constexpr double notAvailable = std::numeric_limits<double>::quiet_NaN();


// The quantiles at 1 - alpha/2, taken from the upper tail so that a small alpha keeps its
// digits.
double normalCriticalValue(double alpha)
{
    return normalUpperQuantile(tailProbability(alpha));
}

double studentCriticalValue(double degreesOfFreedom, double alpha)
{
    return studentUpperQuantile(tailProbability(alpha), degreesOfFreedom);
}

struct Interval
{
    double lower = notAvailable;
    double upper = notAvailable;
};

// The jackknife interval of an estimate from its values with each pair left out: the
// pseudo-values n e - (n - 1) e_i have the standard deviation (n - 1) SD(e_i), taken so
// because in the pseudo-values themselves the large n e cancels; SE = SD / sqrt(n) and
// the interval is e -+ t SE around the full-sample estimate. None when a left-out value
// is not finite.
Interval jackknifeInterval(double estimate, const QVector<double> &leftOut, double t)
{
    const double n = leftOut.size();
    for (double value : leftOut) {
        if (!std::isfinite(value))
            return Interval();
    }
    const double spread = (n - 1) * standardDeviation(leftOut, true);
    const double halfWidth = t * spread / std::sqrt(n);
    return {estimate - halfWidth, estimate + halfWidth};
}

// Adding 0 turns a -0 (a flat line through the origin) into 0 for the reader.
double positiveZero(double value)
{
    return value + 0.0;
}

QString notComputed(const QString &name, const QString &cause)
{
    return QObject::tr("The regression of %1 on the Gold Standard cannot be computed: %2.")
        .arg(name, cause);
}

// The data checks that need no fit, in the order in which the computation meets them.
QString dataProblem(const QVector<double> &x, const QVector<double> &y,
                    const RegressionOptions &options, const QString &name)
{
    for (int i = 0; i < x.size(); ++i) {
        if (!std::isfinite(x[i]) || !std::isfinite(y[i]))
            return notComputed(name, QObject::tr("%1 or the Gold Standard holds a reading too "
                                                 "large to compute with")
                                         .arg(name));
    }
    const qint64 n = x.size();
    if (n < 3) {
        const QString pairs = n == 1 ? QObject::tr("1 complete pair")
                                     : QObject::tr("%1 complete pairs").arg(n);
        return notComputed(name, QObject::tr("%1 has %2 with the Gold Standard, and a regression "
                                             "needs at least 3")
                                     .arg(name, pairs));
    }
    if (options.method == RegressionMethod::WeightedDeming && n > maximumWeightedDemingPairs)
        return notComputed(name, QObject::tr("%1 has %2 complete pairs with the Gold Standard, "
                                             "and weighted Deming, whose intervals refit the line "
                                             "without each pair in turn, takes at most %3 (Deming "
                                             "takes any number)")
                                     .arg(name, QString::number(n),
                                          QString::number(maximumWeightedDemingPairs)));
    // With two different reference values some pair has a finite slope, so this also
    // covers "every slope undefined".
    if (std::all_of(x.cbegin(), x.cend(), [&x](double value) { return value == x[0]; }))
        return notComputed(name, QObject::tr("the Gold Standard has the same value in every pair "
                                             "with %1")
                                     .arg(name));
    return QString();
}

enum class Extent { LineOnly, Everything };

struct Outcome
{
    RegressionFigures figures;
    QString problem;
};

QString stoppedText()
{
    return QObject::tr("The regression was stopped before it finished.");
}

void addPassingBablok(const ScaledPairs &pairs, const RegressionOptions &options, Extent extent,
                      const QString &name, const ProgressCallback &progress, Outcome *outcome)
{
    const PassingBablokFit fit =
        passingBablokFit(pairs.x, pairs.y, normalCriticalValue(options.alpha), progress);
    RegressionFigures &f = outcome->figures;
    if (fit.stopped) {
        f.stopped = true;
        outcome->problem = stoppedText();
        return;
    }
    if (!std::isfinite(fit.line.slope)) {
        outcome->problem = notComputed(
            name, QObject::tr("so many pairs of %1 share a Gold Standard value that the "
                              "Passing–Bablok slope is infinite")
                      .arg(name));
        return;
    }
    f.slope = positiveZero(fit.line.slope);
    f.intercept = positiveZero(std::ldexp(fit.line.intercept, pairs.exponent));
    if (extent == Extent::LineOnly)
        return;
    f.slopeLower = fit.slopeLower;
    f.slopeUpper = fit.slopeUpper;
    f.interceptLower = std::ldexp(fit.interceptLower, pairs.exponent);
    f.interceptUpper = std::ldexp(fit.interceptUpper, pairs.exponent);
    f.cusumH = cusumStatistic(pairs.x, pairs.y, fit.line);
    // The Kolmogorov-Smirnov bound sqrt(ln(2 / alpha) / 2): 1.36 at alpha = 0.05.
    f.cusumCritical = std::sqrt(-std::log(tailProbability(options.alpha)) / 2);
    f.linear = f.cusumH < f.cusumCritical;
    for (double level : options.decisionLevels) {
        DecisionLevelBias bias;
        bias.level = level;
        bias.bias = f.intercept + (f.slope - 1) * level;
        f.biasAt.append(bias);
    }
}

void addDeming(const ScaledPairs &pairs, const RegressionOptions &options, Extent extent,
               const QString &name, const ProgressCallback &progress, Outcome *outcome)
{
    const double lambda = options.errorRatio;
    const bool weighted = options.method == RegressionMethod::WeightedDeming;
    RegressionFigures &f = outcome->figures;
    f.errorRatio = lambda;
    Line line = demingLine(pairs.x, pairs.y, lambda);
    if (!std::isfinite(line.slope)) {
        outcome->problem = notComputed(
            name, QObject::tr("%1 shows no linear relation with the Gold Standard (their "
                              "covariance is 0), so the Deming line is not determined")
                      .arg(name));
        return;
    }
    const double interceptTolerance = 1e-6 * pairs.largest;
    if (weighted) {
        const WeightedDemingFit fit =
            weightedDemingFit(pairs.x, pairs.y, lambda, interceptTolerance);
        if (!std::isfinite(fit.line.slope)) {
            outcome->problem = notComputed(
                name, QObject::tr("weighted Deming weights each pair by the inverse square of "
                                  "its estimated true value, and a pair of %1 has an estimated "
                                  "true value of 0")
                          .arg(name));
            return;
        }
        line = fit.line;
        f.iterations = fit.rounds;
        f.converged = fit.converged;
    }
    f.slope = positiveZero(line.slope);
    f.intercept = positiveZero(std::ldexp(line.intercept, pairs.exponent));
    if (extent == Extent::LineOnly)
        return;

    // The same estimator on every set of n - 1 pairs.
    const int n = pairs.x.size();
    QVector<Line> leftOut;
    if (weighted) {
        const auto refits =
            weightedDemingLinesLeavingOneOut(pairs.x, pairs.y, lambda, interceptTolerance, progress);
        if (refits.stopped) {
            f.stopped = true;
            outcome->problem = stoppedText();
            return;
        }
        leftOut = refits.lines;
    } else {
        leftOut = demingLinesLeavingOneOut(pairs.x, pairs.y, lambda);
    }
    const double t = studentCriticalValue(n - 2, options.alpha);
    QVector<double> slopes(n);
    QVector<double> intercepts(n);
    for (int i = 0; i < n; ++i) {
        slopes[i] = leftOut[i].slope;
        intercepts[i] = std::ldexp(leftOut[i].intercept, pairs.exponent);
    }
    const Interval slope = jackknifeInterval(f.slope, slopes, t);
    const Interval intercept = jackknifeInterval(f.intercept, intercepts, t);
    f.slopeLower = slope.lower;
    f.slopeUpper = slope.upper;
    f.interceptLower = intercept.lower;
    f.interceptUpper = intercept.upper;
    for (double level : options.decisionLevels) {
        DecisionLevelBias bias;
        bias.level = level;
        bias.bias = f.intercept + (f.slope - 1) * level;
        QVector<double> biases(n);
        for (int i = 0; i < n; ++i)
            biases[i] = intercepts[i] + (slopes[i] - 1) * level;
        const Interval interval = jackknifeInterval(bias.bias, biases, t);
        bias.lower = interval.lower;
        bias.upper = interval.upper;
        f.biasAt.append(bias);
    }
}

Outcome compute(const QVector<double> &x, const QVector<double> &y,
                const RegressionOptions &options, const QString &name, Extent extent,
                const ProgressCallback &progress = ProgressCallback())
{
    Outcome outcome;
    outcome.figures.n = x.size();
    outcome.figures.method = options.method;
    const QString optionsProblem = regressionOptionsProblem(options, OptionNames::Dialog);
    if (!optionsProblem.isEmpty()) {
        outcome.problem = notComputed(name, optionsProblem);
        return outcome;
    }
    outcome.problem = dataProblem(x, y, options, name);
    if (!outcome.problem.isEmpty())
        return outcome;

    const ScaledPairs pairs = scaledPairs(x, y);
    if (options.method == RegressionMethod::PassingBablok)
        addPassingBablok(pairs, options, extent, name, progress, &outcome);
    else
        addDeming(pairs, options, extent, name, progress, &outcome);
    if (outcome.problem.isEmpty() && !std::isfinite(outcome.figures.intercept))
        outcome.problem = notComputed(
            name, QObject::tr("the intercept of %1 is too large to compute with").arg(name));
    if (!outcome.problem.isEmpty()) {
        const RegressionFigures nothing;
        const bool stopped = outcome.figures.stopped;
        outcome.figures = nothing;
        outcome.figures.n = x.size();
        outcome.figures.method = options.method;
        outcome.figures.stopped = stopped;
    }
    return outcome;
}

} // namespace

RegressionFigures regression(const QVector<double> &x, const QVector<double> &y,
                             const RegressionOptions &options)
{
    return compute(x, y, options, QString(), Extent::Everything).figures;
}

// Written so that NaN fails every check.
QString regressionOptionsProblem(const RegressionOptions &options, OptionNames names)
{
    const bool dialog = names == OptionNames::Dialog;
    const auto given = [dialog](double value) {
        return dialog ? QString() : QObject::tr(", not %1").arg(value);
    };
    if (!(options.alpha > 0 && options.alpha < 1))
        return QObject::tr("%1 must lie strictly between 0 and 1%2")
            .arg(dialog ? QObject::tr("Alpha") : QStringLiteral("--alpha"), given(options.alpha));
    const bool deming = options.method != RegressionMethod::PassingBablok;
    if (deming && !(options.errorRatio > 0 && std::isfinite(options.errorRatio)))
        return QObject::tr("%1 must be a positive finite number%2")
            .arg(dialog ? QObject::tr("Error ratio λ") : QStringLiteral("--error-ratio"),
                 given(options.errorRatio));
    for (double level : options.decisionLevels) {
        if (!std::isfinite(level))
            return QObject::tr("%1 must be finite numbers%2")
                .arg(dialog ? QObject::tr("Decision levels") : QStringLiteral("--decision-levels"),
                     given(level));
    }
    return QString();
}

QString regressionProblem(const QVector<double> &x, const QVector<double> &y,
                          const RegressionOptions &options, const QString &name)
{
    return compute(x, y, options, name, Extent::LineOnly).problem;
}

RegressionFigures regressionFigures(const QVector<QVariant> &other, const QVector<QVariant> &gold,
                                    const RegressionOptions &options, const QString &name,
                                    QString *problem)
{
    const CompletePairs pairs = completePairs(gold, other);
    Outcome outcome = compute(pairs.x, pairs.y, options, name, Extent::Everything);
    if (problem)
        *problem = outcome.problem;
    return outcome.figures;
}

RegressionFigures regressionFigures(const QVector<double> &x, const QVector<double> &y,
                                    const RegressionOptions &options, const QString &name,
                                    QString *problem, const ProgressCallback &progress)
{
    Outcome outcome = compute(x, y, options, name, Extent::Everything, progress);
    if (problem)
        *problem = outcome.problem;
    return outcome.figures;
}

} // namespace stats
