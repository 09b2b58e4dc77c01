#include "bootstrap.h"

#include "deming.h"
#include "loamethods.h"
#include "passingbablok.h"
#include "quantiles.h"
#include "vectortoolkit.h"

#include <QObject>

#include <boost/math/distributions/normal.hpp>
#include <boost/math/distributions/students_t.hpp>

#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>
#include <vector>

namespace stats {

namespace {

constexpr double infinity = std::numeric_limits<double>::infinity();

// SplitMix64 (Steele, Lea and Flood 2014): a Weyl sequence through a mixing function, so
// that output k of a stream is mixed(start + k step) and a stream can start anywhere.
constexpr quint64 weylStep = 0x9e3779b97f4a7c15ULL;

quint64 mixed(quint64 z)
{
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
    return z ^ (z >> 31);
}

class ResampleStream
{
public:
    ResampleStream(quint64 seed, int resample)
        : m_state(mixed(seed + quint64(resample + 1) * weylStep))
    {
    }

    // Uniform on [0, n): draws below 2^64 mod n are refused, which leaves a whole number of
    // copies of [0, n) for the remainder to fall in.
    int below(int n)
    {
        const quint64 range = quint64(n);
        const quint64 refused = (0 - range) % range;
        quint64 draw = next();
        while (draw < refused)
            draw = next();
        return int(draw % range);
    }

private:
    quint64 next()
    {
        m_state += weylStep;
        return mixed(m_state);
    }

    quint64 m_state;
};

// Adding 0 turns a -0 into 0, as regression() reports it.
Line unscaled(const Line &line, int exponent)
{
    return {std::ldexp(line.intercept, exponent) + 0.0, line.slope + 0.0};
}

bool defined(const Line &line)
{
    return std::isfinite(line.slope) && std::isfinite(line.intercept);
}

double normalQuantile(double p)
{
    return boost::math::quantile(boost::math::normal_distribution<>(0, 1), p);
}

// The quantile at 1 - alpha / 2, from the upper tail so that a small alpha keeps its digits.
double normalCriticalValue(double alpha)
{
    return normalUpperQuantile(tailProbability(alpha));
}

// Passing-Bablok's line alone: z = 0 leaves its own limits at the slope, the cheapest.
Line passingBablokLine(const QVector<double> &x, const QVector<double> &y)
{
    return passingBablokFit(x, y, 0).line;
}

// The jackknife acceleration a = S (m - e_i)^3 / (6 [S (m - e_i)^2]^(3/2)), e_i the estimate
// without pair i and m their mean (Efron 1987). 0 when no e_i differs from the others by
// more than the tie tolerance: the estimate then shows no skewness to correct, and the
// ratio of sums of rounding errors would be noise. NaN when some e_i is undefined.
double acceleration(const QVector<double> &leftOut, double tieTolerance)
{
    for (double value : leftOut) {
        if (!std::isfinite(value))
            return std::numeric_limits<double>::quiet_NaN();
    }
    const auto range = std::minmax_element(leftOut.cbegin(), leftOut.cend());
    if (*range.second - *range.first <= tieTolerance)
        return 0;
    // a does not change with the scale of the deviations; dividing them by the largest keeps
    // their cubes from overflowing at extreme decision levels.
    const double centre = mean(leftOut);
    const double largest = std::max(centre - *range.first, *range.second - centre);
    double squares = 0;
    double cubes = 0;
    for (double value : leftOut) {
        const double deviation = (centre - value) / largest;
        squares += deviation * deviation;
        cubes += deviation * deviation * deviation;
    }
    return cubes / (6 * std::pow(squares, 1.5));
}

// The BCa level for the normal quantile z: Phi(z0 + q / (1 - a q)), q = z0 + z. Where
// 1 - a q <= 0 the formula has passed its pole; the level is then the limit it ran to
// as 1 - a q fell to 0, 1 for q > 0 and 0 for q < 0.
double bcaLevel(double z0, double a, double z)
{
    const double q = z0 + z;
    const double denominator = 1 - a * q;
    if (!(denominator > 0))
        return q > 0 ? 1 : 0;
    return boost::math::cdf(boost::math::normal_distribution<>(0, 1), z0 + q / denominator);
}

// BCa (Efron 1987) and percentile intervals of an estimate from its resampled values and
// its values without each pair. z0 is the normal quantile of the share of resampled values
// below the estimate, those equal to it counting half: Passing-Bablok lines are order
// statistics of the pairwise slopes and medians of the points, so many resampled lines
// pass through the same point as the estimate's. Their values at that x equal the estimate
// but for rounding, which must not decide on which side they count; values within
// `tieTolerance` of the estimate are ties. The ends are the quantiles of the resampled
// values by the (B + 1) p rank rule.
BootstrapInterval bcaInterval(double estimate, QVector<double> resampled,
                              const QVector<double> &leftOut, double alpha, double tieTolerance)
{
    BootstrapInterval interval;
    interval.estimate = estimate;
    const int count = resampled.size();
    if (count == 0 || !std::isfinite(estimate))
        return interval;
    std::sort(resampled.begin(), resampled.end());
    const double z = normalCriticalValue(alpha);
    interval.percentileLower = sampleQuantile(resampled, alpha / 2);
    interval.percentileUpper = sampleQuantile(resampled, 1 - alpha / 2);

    const auto below = std::lower_bound(resampled.cbegin(), resampled.cend(),
                                        estimate - tieTolerance);
    const auto tied = std::upper_bound(below, resampled.cend(), estimate + tieTolerance);
    const double share =
        (double(below - resampled.cbegin()) + 0.5 * double(tied - below)) / count;
    interval.biasCorrection = share <= 0 ? -infinity : share >= 1 ? infinity : normalQuantile(share);
    interval.acceleration = acceleration(leftOut, tieTolerance);
    if (!std::isfinite(interval.biasCorrection) || !std::isfinite(interval.acceleration))
        return interval;
    const double lowerLevel = bcaLevel(interval.biasCorrection, interval.acceleration, -z);
    const double upperLevel = bcaLevel(interval.biasCorrection, interval.acceleration, z);
    interval.lower = sampleQuantile(resampled, lowerLevel);
    interval.upper = sampleQuantile(resampled, upperLevel);
    interval.extremeEnd = (count + 1) * lowerLevel < 1 || (count + 1) * upperLevel > count;
    return interval;
}

// Any estimate that is a function of the line, from the fit to all pairs, the resamples'
// fits and the fits without each pair.
struct Fits
{
    Line full;
    QVector<Line> resampled;
    QVector<Line> leftOut;
    double largest = 0; // the largest |reading|
};

template<typename Estimate>
BootstrapInterval bcaOf(const Fits &fits, Estimate estimate, double alpha, double tieTolerance)
{
    QVector<double> resampled(fits.resampled.size());
    std::transform(fits.resampled.cbegin(), fits.resampled.cend(), resampled.begin(), estimate);
    QVector<double> leftOut(fits.leftOut.size());
    std::transform(fits.leftOut.cbegin(), fits.leftOut.cend(), leftOut.begin(), estimate);
    return bcaInterval(estimate(fits.full), resampled, leftOut, alpha, tieTolerance);
}

// How far apart two values of intercept + slope x (or of the bias there) may lie by
// rounding alone: their terms are about (1 + |b|)(largest reading + |x|) in size, and 1e-12
// of that leaves four orders of magnitude above the rounding of a few operations while
// staying far below any difference readings of 12 significant digits could make.
double tieTolerance(const Fits &fits, double at)
{
    return 1e-12 * (1 + std::fabs(fits.full.slope)) * (fits.largest + std::fabs(at));
}

// confidenceBandPoints values evenly spaced over the range of the reference values, each a
// weighted mean of the ends so that no width can overflow and the ends are exact.
QVector<double> bandGrid(const QVector<double> &x)
{
    const auto range = std::minmax_element(x.cbegin(), x.cend());
    QVector<double> grid(confidenceBandPoints);
    for (int k = 0; k < confidenceBandPoints; ++k) {
        const double share = double(k) / (confidenceBandPoints - 1);
        grid[k] = (1 - share) * *range.first + share * *range.second;
    }
    return grid;
}

// The mean ranks (from 1) of the values, ties sharing the mean of the ranks they span.
QVector<double> meanRanks(const QVector<double> &values)
{
    const int n = values.size();
    std::vector<int> order(static_cast<size_t>(n));
    std::iota(order.begin(), order.end(), 0);
    std::sort(order.begin(), order.end(), [&values](int i, int j) { return values[i] < values[j]; });
    QVector<double> ranks(n);
    for (int k = 0; k < n;) {
        int end = k;
        while (end < n && values[order[size_t(end)]] == values[order[size_t(k)]])
            ++end;
        for (int j = k; j < end; ++j)
            ranks[order[size_t(j)]] = (k + 1 + end) / 2.0;
        k = end;
    }
    return ranks;
}

} // namespace

QString bootstrapOptionsProblem(const BootstrapOptions &options, OptionNames names)
{
    if (options.resamples >= minimumBootstrapResamples
        && options.resamples <= maximumBootstrapResamples)
        return QString();
    const bool dialog = names == OptionNames::Dialog;
    return QObject::tr("%1 must lie between %2 and %3%4")
        .arg(dialog ? QObject::tr("Bootstrap resamples") : QStringLiteral("--bootstrap"))
        .arg(minimumBootstrapResamples)
        .arg(maximumBootstrapResamples)
        .arg(dialog ? QString() : QObject::tr(", not %1").arg(options.resamples));
}

QVector<int> bootstrapResample(int n, quint64 seed, int resample)
{
    if (n <= 0)
        return QVector<int>();
    ResampleStream stream(seed, resample);
    QVector<int> rows(n);
    for (int &row : rows)
        row = stream.below(n);
    return rows;
}

PassingBablokBootstrap passingBablokBootstrap(const QVector<double> &x, const QVector<double> &y,
                                              const RegressionOptions &options,
                                              const BootstrapOptions &bootstrap,
                                              const ProgressCallback &progress)
{
    PassingBablokBootstrap result;
    result.resamples = bootstrap.resamples;
    result.seed = bootstrap.seed;
    const ScaledPairs pairs = scaledPairs(x, y);
    const int n = x.size();

    Fits fits;
    fits.full = unscaled(passingBablokLine(pairs.x, pairs.y), pairs.exponent);
    fits.largest = std::ldexp(pairs.largest, pairs.exponent);
    QVector<double> sampleX(n);
    QVector<double> sampleY(n);
    fits.resampled.reserve(bootstrap.resamples);
    // The jackknife leaves out one pair at a time, or above largestExactJackknife pairs one
    // group of them (the pairs whose row number leaves the same remainder).
    const int groups = std::min(n, largestExactJackknife);
    const double work = bootstrap.resamples + groups;
    for (int b = 0; b < bootstrap.resamples; ++b) {
        if (progress && b % 16 == 0 && !progress(b / work)) {
            result.stopped = true;
            return result;
        }
        ResampleStream stream(bootstrap.seed, b);
        for (int i = 0; i < n; ++i) {
            const int row = stream.below(n);
            sampleX[i] = pairs.x[row];
            sampleY[i] = pairs.y[row];
        }
        const Line line = unscaled(passingBablokLine(sampleX, sampleY), pairs.exponent);
        if (defined(line))
            fits.resampled.append(line);
        else
            ++result.failures;
    }
    fits.leftOut.resize(groups);
    for (int skip = 0; skip < groups; ++skip) {
        if (progress && skip % 16 == 0 && !progress((bootstrap.resamples + skip) / work)) {
            result.stopped = true;
            return result;
        }
        sampleX.clear();
        sampleY.clear();
        for (int i = 0; i < n; ++i) {
            if (i % groups == skip)
                continue;
            sampleX.append(pairs.x[i]);
            sampleY.append(pairs.y[i]);
        }
        fits.leftOut[skip] = unscaled(passingBablokLine(sampleX, sampleY), pairs.exponent);
    }

    const double alpha = options.alpha;
    result.slope = bcaOf(fits, [](const Line &line) { return line.slope; }, alpha,
                         1e-12 * std::fabs(fits.full.slope));
    result.intercept = bcaOf(fits, [](const Line &line) { return line.intercept; }, alpha,
                             tieTolerance(fits, 0));
    for (double level : options.decisionLevels) {
        result.biasAt.append(bcaOf(
            fits, [level](const Line &line) { return line.intercept + (line.slope - 1) * level; },
            alpha, tieTolerance(fits, level)));
    }
    for (double at : bandGrid(x)) {
        const BootstrapInterval interval = bcaOf(
            fits, [at](const Line &line) { return line.intercept + line.slope * at; }, alpha,
            tieTolerance(fits, at));
        result.band.append({at, interval.estimate, interval.lower, interval.upper});
    }
    return result;
}

// The jackknife interval of the prediction as regression() forms the Deming intervals: the
// pseudo-values n e - (n - 1) e_i have the standard deviation (n - 1) SD(e_i), SE = SD /
// sqrt(n), and the interval is e -+ t SE. None where a fit without one pair is undefined.
QVector<BandPoint> demingConfidenceBand(const QVector<double> &x, const QVector<double> &y,
                                        const RegressionOptions &options)
{
    const ScaledPairs pairs = scaledPairs(x, y);
    const double lambda = options.errorRatio;
    const int n = x.size();
    Line full;
    QVector<Line> leftOut(n);
    if (options.method == RegressionMethod::WeightedDeming) {
        const double tolerance = 1e-6 * pairs.largest;
        full = weightedDemingFit(pairs.x, pairs.y, lambda, tolerance).line;
        leftOut = weightedDemingLinesLeavingOneOut(pairs.x, pairs.y, lambda, tolerance).lines;
    } else {
        full = demingLine(pairs.x, pairs.y, lambda);
        leftOut = demingLinesLeavingOneOut(pairs.x, pairs.y, lambda);
    }
    full = unscaled(full, pairs.exponent);
    bool allDefined = true;
    for (Line &line : leftOut) {
        line = unscaled(line, pairs.exponent);
        allDefined = allDefined && defined(line);
    }
    const double t = studentUpperQuantile(tailProbability(options.alpha), n - 2.0);

    QVector<BandPoint> band;
    QVector<double> predictions(n);
    for (double at : bandGrid(x)) {
        BandPoint point;
        point.x = at;
        point.fit = full.intercept + full.slope * at;
        if (allDefined) {
            for (int i = 0; i < n; ++i)
                predictions[i] = leftOut[i].intercept + leftOut[i].slope * at;
            const double halfWidth =
                t * (n - 1) * standardDeviation(predictions, true) / std::sqrt(double(n));
            point.lower = point.fit - halfWidth;
            point.upper = point.fit + halfWidth;
        }
        band.append(point);
    }
    return band;
}

ResidualPlot regressionResiduals(const QVector<double> &x, const QVector<double> &y,
                                 const RegressionFigures &figures)
{
    const int n = x.size();
    const double a = figures.intercept;
    const double b = figures.slope;
    ResidualPlot plot;
    plot.residual.resize(n);
    if (figures.method == RegressionMethod::PassingBablok) {
        QVector<double> means(n);
        for (int i = 0; i < n; ++i) {
            plot.residual[i] = y[i] - a - b * x[i];
            means[i] = x[i] / 2 + y[i] / 2;
        }
        plot.position = meanRanks(means);
        return plot;
    }

    // The projection of each point on the line along its errors' direction, as the
    // weighted fit forms it: x^ = x + lambda b d / (1 + lambda b^2), y^ = y - d / (1 +
    // lambda b^2). Above lambda = 1 the factors are divided through by lambda, so that
    // none overflows.
    const double lambda = figures.errorRatio;
    const bool large = lambda >= 1;
    const double inverse = 1 / lambda;
    const double root = large ? std::sqrt(lambda) * std::sqrt(inverse + b * b)
                              : std::sqrt(1 + lambda * b * b);
    const double toX = large ? b / (inverse + b * b) : lambda * b / (1 + lambda * b * b);
    const double toY = large ? inverse / (inverse + b * b) : 1 / (1 + lambda * b * b);
    plot.position.resize(n);
    for (int i = 0; i < n; ++i) {
        const double d = y[i] - a - b * x[i];
        plot.position[i] = x[i] + toX * d;
        plot.residual[i] = d / root;
        if (figures.method == RegressionMethod::WeightedDeming) {
            const double trueY = y[i] - toY * d;
            const double level = large ? (plot.position[i] * inverse + trueY) / (inverse + 1)
                                       : (plot.position[i] + lambda * trueY) / (1 + lambda);
            plot.residual[i] /= std::fabs(level);
        }
    }
    return plot;
}

} // namespace stats
