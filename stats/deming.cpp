#include "deming.h"

#include "regression.h"

#include <algorithm>
#include <cmath>

namespace stats {

namespace {

struct Moments
{
    double meanX = 0;
    double meanY = 0;
    double u = 0; // S w (x - mx)^2
    double q = 0; // S w (y - my)^2
    double p = 0; // S w (x - mx)(y - my)
};

// Weighted means and centred sums over every pair but `skip`, in two passes so that
// nothing cancels; unit weights when `weights` is empty.
Moments moments(const QVector<double> &x, const QVector<double> &y,
                const QVector<double> &weights, int skip)
{
    const auto weight = [&weights](int i) { return weights.isEmpty() ? 1.0 : weights[i]; };
    double total = 0;
    double sumX = 0;
    double sumY = 0;
    for (int i = 0; i < x.size(); ++i) {
        if (i == skip)
            continue;
        total += weight(i);
        sumX += weight(i) * x[i];
        sumY += weight(i) * y[i];
    }
    Moments m;
    m.meanX = sumX / total;
    m.meanY = sumY / total;
    for (int i = 0; i < x.size(); ++i) {
        if (i == skip)
            continue;
        const double dx = x[i] - m.meanX;
        const double dy = y[i] - m.meanY;
        m.u += weight(i) * dx * dx;
        m.q += weight(i) * dy * dy;
        m.p += weight(i) * dx * dy;
    }
    return m;
}

Line lineThroughMeans(const Moments &m, double lambda)
{
    const double slope = demingSlope(m.u, m.q, m.p, lambda);
    return {m.meanY - slope * m.meanX, slope};
}

} // namespace

// Two equal forms of the formula: as written, and multiplied through by its conjugate,
// 2p / [(u - lambda q) + sqrt(...)]. Each branch takes the one in which the root is added
// to a number of its own sign, so nothing cancels. Above lambda = 1 everything is divided
// through by lambda, so that no extreme lambda overflows a product.
double demingSlope(double u, double q, double p, double lambda)
{
    if (lambda >= 1) {
        // b = [e + sqrt(e^2 + g^2)] / (2p), e = q - u / lambda, g = 2p / sqrt(lambda).
        const double e = q - u / lambda;
        const double root = std::hypot(e, 2 * p / std::sqrt(lambda));
        return e >= 0 ? (e + root) / (2 * p) : (2 * p / lambda) / (root - e);
    }
    // b = [f + sqrt(f^2 + g^2)] / (2 lambda p), f = lambda q - u, g = 2p sqrt(lambda).
    const double f = lambda * q - u;
    const double root = std::hypot(f, 2 * p * std::sqrt(lambda));
    return f >= 0 ? (f + root) / (2 * lambda * p) : 2 * p / (root - f);
}

Line demingLine(const QVector<double> &x, const QVector<double> &y, double lambda, int skip)
{
    return lineThroughMeans(moments(x, y, QVector<double>(), skip), lambda);
}

// With the data centred on the full means, leaving pair i out of n gives m = n - 1 pairs
// with sums s_x = S_x - x_i (S_x is 0 up to rounding) and
//   u_i = (S_xx - x_i^2) - s_x^2 / m,  q_i likewise,  p_i = (S_xy - x_i y_i) - s_x s_y / m.
// The subtraction loses digits only when pair i carries much of a sum; such a pair (at
// most two per sum) is refitted from scratch, so the whole stays O(n) and as accurate as
// refitting every pair.
QVector<Line> demingLinesLeavingOneOut(const QVector<double> &x, const QVector<double> &y,
                                       double lambda)
{
    const int n = x.size();
    const Moments full = moments(x, y, QVector<double>(), -1);
    QVector<double> cx(n);
    QVector<double> cy(n);
    double sx = 0, sy = 0, sxx = 0, syy = 0, sxy = 0, absoluteSxy = 0;
    for (int i = 0; i < n; ++i) {
        cx[i] = x[i] - full.meanX;
        cy[i] = y[i] - full.meanY;
        sx += cx[i];
        sy += cy[i];
        sxx += cx[i] * cx[i];
        syy += cy[i] * cy[i];
        sxy += cx[i] * cy[i];
        absoluteSxy += std::fabs(cx[i] * cy[i]);
    }

    const double m = n - 1;
    const double share = n / m; // what removing pair i takes off a sum, over its own term
    QVector<Line> lines(n);
    for (int i = 0; i < n; ++i) {
        const bool cancels = cx[i] * cx[i] * share > sxx / 2 || cy[i] * cy[i] * share > syy / 2
                          || std::fabs(cx[i] * cy[i]) * share > absoluteSxy / 2;
        if (cancels) {
            lines[i] = demingLine(x, y, lambda, i);
            continue;
        }
        const double restX = sx - cx[i];
        const double restY = sy - cy[i];
        Moments left;
        left.meanX = full.meanX + restX / m;
        left.meanY = full.meanY + restY / m;
        left.u = (sxx - cx[i] * cx[i]) - restX * restX / m;
        left.q = (syy - cy[i] * cy[i]) - restY * restY / m;
        left.p = (sxy - cx[i] * cy[i]) - restX * restY / m;
        lines[i] = lineThroughMeans(left, lambda);
    }
    return lines;
}

// Each pair is projected onto the current line along the direction its errors take
// (x-error variance lambda times the y-error variance):
//   d = y - a - b x,  x^ = x + lambda b d / (1 + lambda b^2),  y^ = y - d / (1 + lambda b^2),
// and weighted by the inverse square of its estimated true value (x^ + lambda y^)/(1 + lambda).
// Above lambda = 1 the factors are divided through by lambda, so that none overflows.
// Weights are scaled so that the largest is 1: only their ratios matter, and a value near
// 0 cannot make them overflow.
WeightedDemingFit weightedDemingFit(const QVector<double> &x, const QVector<double> &y,
                                    double lambda, double interceptTolerance, int skip)
{
    WeightedDemingFit fit;
    Line line = demingLine(x, y, lambda, skip);
    if (!std::isfinite(line.slope) || !std::isfinite(line.intercept))
        return fit;

    const bool large = lambda >= 1;
    const double inverse = 1 / lambda;
    QVector<double> level(x.size());
    QVector<double> weights(x.size());
    for (fit.rounds = 1; fit.rounds <= maximumWeightingRounds; ++fit.rounds) {
        const double a = line.intercept;
        const double b = line.slope;
        // toX = lambda b / (1 + lambda b^2), toY = 1 / (1 + lambda b^2).
        const double toX = large ? b / (inverse + b * b) : lambda * b / (1 + lambda * b * b);
        const double toY = large ? inverse / (inverse + b * b) : 1 / (1 + lambda * b * b);
        double smallest = std::numeric_limits<double>::infinity();
        for (int i = 0; i < x.size(); ++i) {
            if (i == skip)
                continue;
            const double d = y[i] - a - b * x[i];
            const double trueX = x[i] + toX * d;
            const double trueY = y[i] - toY * d;
            level[i] = large ? (trueX * inverse + trueY) / (inverse + 1)
                             : (trueX + lambda * trueY) / (1 + lambda);
            smallest = std::min(smallest, std::fabs(level[i]));
        }
        if (!(smallest > 0))
            return WeightedDemingFit{Line(), fit.rounds, false};
        for (int i = 0; i < x.size(); ++i) {
            const double ratio = i == skip ? 0 : smallest / level[i];
            weights[i] = ratio * ratio;
        }

        const Line next = lineThroughMeans(moments(x, y, weights, skip), lambda);
        if (!std::isfinite(next.slope) || !std::isfinite(next.intercept))
            return WeightedDemingFit{Line(), fit.rounds, false};
        const bool settled = std::fabs(next.slope - b) < 1e-6
                          && std::fabs(next.intercept - a) < interceptTolerance;
        line = next;
        if (settled) {
            fit.converged = true;
            break;
        }
    }
    fit.rounds = std::min(fit.rounds, maximumWeightingRounds);
    fit.line = line;
    return fit;
}

} // namespace stats
