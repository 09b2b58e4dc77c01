#include "deming.h"

#include "regression.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <memory>
#include <numeric>
#include <vector>

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

namespace {

// Each pair is projected onto the line along the direction its errors take (x-error
// variance lambda times the y-error variance):
//   d = y - a - b x,  x^ = x + lambda b d / (1 + lambda b^2),  y^ = y - d / (1 + lambda b^2),
// and its estimated true value is (x^ + lambda y^)/(1 + lambda). Above lambda = 1 the factors
// are divided through by lambda, so that none overflows.
struct Projection
{
    bool large;
    double lambda;
    double inverse;
    double a;
    double b;
    double toX; // lambda b / (1 + lambda b^2)
    double toY; // 1 / (1 + lambda b^2)

    Projection(double lambda, const Line &line)
        : large(lambda >= 1),
          lambda(lambda),
          inverse(1 / lambda),
          a(line.intercept),
          b(line.slope),
          toX(large ? b / (inverse + b * b) : lambda * b / (1 + lambda * b * b)),
          toY(large ? inverse / (inverse + b * b) : 1 / (1 + lambda * b * b))
    {
    }

    double trueValue(double x, double y) const
    {
        const double d = y - a - b * x;
        const double trueX = x + toX * d;
        const double trueY = y - toY * d;
        return large ? (trueX * inverse + trueY) / (inverse + 1)
                     : (trueX + lambda * trueY) / (1 + lambda);
    }
};

// One round of Linnet's reweighting over every pair but `skip`: each pair weighted by the
// inverse square of its estimated true value on `line`, the weighted Deming line. NaN when
// some true value is 0 or the line is not finite. Weights are scaled so that the largest
// is 1: only their ratios matter, and a value near 0 cannot make them overflow.
Line reweighted(const QVector<double> &x, const QVector<double> &y, double lambda,
                const Line &line, int skip)
{
    const Projection projection(lambda, line);
    QVector<double> level(x.size());
    double smallest = std::numeric_limits<double>::infinity();
    for (int i = 0; i < x.size(); ++i) {
        if (i == skip)
            continue;
        level[i] = projection.trueValue(x[i], y[i]);
        smallest = std::min(smallest, std::fabs(level[i]));
    }
    if (!(smallest > 0))
        return Line();
    QVector<double> weights(x.size());
    for (int i = 0; i < x.size(); ++i) {
        const double ratio = i == skip ? 0 : smallest / level[i];
        weights[i] = ratio * ratio;
    }
    return lineThroughMeans(moments(x, y, weights, skip), lambda);
}

bool finite(const Line &line)
{
    return std::isfinite(line.slope) && std::isfinite(line.intercept);
}

} // namespace

// From the Deming line, reweight and refit until the line settles or the rounds run out.
WeightedDemingFit weightedDemingFit(const QVector<double> &x, const QVector<double> &y,
                                    double lambda, double interceptTolerance, int skip)
{
    WeightedDemingFit fit;
    Line line = demingLine(x, y, lambda, skip);
    if (!finite(line))
        return fit;
    for (fit.rounds = 1; fit.rounds <= maximumWeightingRounds; ++fit.rounds) {
        const Line next = reweighted(x, y, lambda, line, skip);
        if (!finite(next))
            return WeightedDemingFit{Line(), fit.rounds, false};
        const bool settled = std::fabs(next.slope - line.slope) < 1e-6
                          && std::fabs(next.intercept - line.intercept) < interceptTolerance;
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

namespace {

// Weighted sums about a fixed centre near the weighted means, so that one pass gives the
// centred sums without cancelling: S w, S w dx, S w dy, S w dx^2, S w dy^2, S w dx dy, and
// S w |dx dy| to tell when one pair carries much of the cross sum.
struct CentredSums
{
    static constexpr size_t count = 7;
    std::array<double, count> sums{};

    static std::array<double, count> terms(double dx, double dy)
    {
        return {1, dx, dy, dx * dx, dy * dy, dx * dy, std::fabs(dx * dy)};
    }

    void add(double weight, double dx, double dy)
    {
        const std::array<double, count> t = terms(dx, dy);
        for (size_t k = 0; k < t.size(); ++k)
            sums[k] += weight * t[k];
    }

    bool finite() const
    {
        return std::all_of(sums.begin(), sums.end(), [](double sum) { return std::isfinite(sum); });
    }

    Line line(double centreX, double centreY, double lambda) const
    {
        const double w = sums[0];
        Moments m;
        m.meanX = centreX + sums[1] / w;
        m.meanY = centreY + sums[2] / w;
        m.u = sums[3] - sums[1] * sums[1] / w;
        m.q = sums[4] - sums[2] * sums[2] / w;
        m.p = sums[5] - sums[1] * sums[2] / w;
        return lineThroughMeans(m, lambda);
    }
};

// The estimated true value on a line is linear in the reading: alpha x + beta y + gamma
// (Projection::trueValue multiplied out).
struct TrueValueForm
{
    double alpha;
    double beta;
    double gamma;

    TrueValueForm(const Projection &p)
    {
        const double c1 = p.large ? p.inverse : 1;
        const double c2 = p.large ? 1 : p.lambda;
        const double c3 = p.large ? p.inverse + 1 : 1 + p.lambda;
        const double kappa = (c1 * p.toX - c2 * p.toY) / c3;
        alpha = c1 / c3 - kappa * p.b;
        beta = c2 / c3 + kappa;
        gamma = -kappa * p.a;
    }
};

// The weighted sums of one round on a line near a reference line, without a pass over the
// pairs. With t = v/L the change of a pair's true value relative to its value L on the
// reference line, v = da x + db y + dg (the change of the linear form), the weight is
// (s/L)^2 (1 + t)^-2 = (s/L)^2 sum over k of (k + 1)(-t)^k. Multiplying t^k out in
// da, db, dg leaves sums over the pairs of (s/L)^2 u^p w^q z^r times each term of
// CentredSums, with u = x/L, w = y/L, z = 1/L, which are taken once per reference line.
// Up to order 6 the rest is below (8 e^7)/(1 - e)^2 relative to the weight, for e a
// bound on |t|: under 1e-16 for e <= 2e-3. Beyond that the round needs its pass. The few
// pairs with the largest |u| + |w| + |z| (true values near 0) would loosen the bound for
// all, so they are left out of the expansion and added as they are on each line.
class ExpandedSums
{
public:
    static constexpr int order = 6;
    static constexpr double reach = 2e-3;
    static constexpr int directPairs = 16;

    ExpandedSums(const QVector<double> &x, const QVector<double> &y, double lambda,
                 const Line &reference, double centreX, double centreY)
        : m_x(x),
          m_y(y),
          m_centreX(centreX),
          m_centreY(centreY),
          m_form(Projection(lambda, reference))
    {
        const Projection projection(lambda, reference);
        const int n = x.size();
        QVector<double> levels(n);
        m_scale = std::numeric_limits<double>::infinity();
        for (int i = 0; i < n; ++i) {
            levels[i] = projection.trueValue(x[i], y[i]);
            if (!(std::fabs(levels[i]) > 0) || !std::isfinite(levels[i]))
                return; // unusable: a true value of 0
            m_scale = std::min(m_scale, std::fabs(levels[i]));
        }
        const auto sensitivity = [&](int i) {
            return (std::fabs(x[i]) + std::fabs(y[i]) + 1) / std::fabs(levels[i]);
        };
        std::vector<int> bySensitivity(static_cast<size_t>(n));
        std::iota(bySensitivity.begin(), bySensitivity.end(), 0);
        const auto direct = std::min<std::ptrdiff_t>(n, directPairs);
        std::nth_element(bySensitivity.begin(), bySensitivity.begin() + direct - 1,
                         bySensitivity.end(),
                         [&](int i, int j) { return sensitivity(i) > sensitivity(j); });
        m_direct.assign(bySensitivity.begin(), bySensitivity.begin() + direct);
        m_isDirect.assign(static_cast<size_t>(n), false);
        for (int i : m_direct)
            m_isDirect[size_t(i)] = true;

        const std::vector<Monomial> &monomials = terms();
        m_sums.assign(monomials.size(), {});
        for (int i = 0; i < n; ++i) {
            if (m_isDirect[size_t(i)])
                continue;
            const double inverse = 1 / levels[i];
            const double ratio = m_scale * inverse;
            const double u = x[i] * inverse;
            const double w = y[i] * inverse;
            m_largestU = std::max(m_largestU, std::fabs(u));
            m_largestW = std::max(m_largestW, std::fabs(w));
            m_largestZ = std::max(m_largestZ, std::fabs(inverse));
            std::array<double, order + 1> powersU{1}, powersW{1}, powersZ{1};
            for (int k = 1; k <= order; ++k) {
                powersU[size_t(k)] = powersU[size_t(k - 1)] * u;
                powersW[size_t(k)] = powersW[size_t(k - 1)] * w;
                powersZ[size_t(k)] = powersZ[size_t(k - 1)] * inverse;
            }
            const std::array<double, CentredSums::count> t =
                CentredSums::terms(x[i] - centreX, y[i] - centreY);
            const double weight = ratio * ratio;
            for (size_t m = 0; m < monomials.size(); ++m) {
                const Monomial &term = monomials[m];
                const double factor = weight * powersU[size_t(term.p)] * powersW[size_t(term.q)]
                                     * powersZ[size_t(term.r)];
                for (size_t k = 0; k < t.size(); ++k)
                    m_sums[m][k] += factor * t[k];
            }
        }
        const auto finiteSum = [](double sum) { return std::isfinite(sum); };
        m_usable = std::all_of(m_sums.begin(), m_sums.end(), [&](const auto &sums) {
            return std::all_of(sums.begin(), sums.end(), finiteSum);
        });
    }

    // The sums over every pair but `skip` on `line`, if it is near enough and leaving the
    // pair out cancels no digits (as in demingLinesLeavingOneOut, when the pair carries much
    // of the weight or of a sum of squares or products).
    bool sumsWithout(const Projection &line, int skip, CentredSums *sums) const
    {
        if (!m_usable)
            return false;
        const TrueValueForm form(line);
        const double da = form.alpha - m_form.alpha;
        const double db = form.beta - m_form.beta;
        const double dg = form.gamma - m_form.gamma;
        if (!(std::fabs(da) * m_largestU + std::fabs(db) * m_largestW + std::fabs(dg) * m_largestZ
              <= reach))
            return false;
        std::array<double, order + 1> powersA{1}, powersB{1}, powersG{1};
        for (int k = 1; k <= order; ++k) {
            powersA[size_t(k)] = powersA[size_t(k - 1)] * da;
            powersB[size_t(k)] = powersB[size_t(k - 1)] * db;
            powersG[size_t(k)] = powersG[size_t(k - 1)] * dg;
        }
        const std::vector<Monomial> &monomials = terms();
        *sums = CentredSums();
        for (size_t m = 0; m < monomials.size(); ++m) {
            const Monomial &term = monomials[m];
            const double factor = term.coefficient * powersA[size_t(term.p)]
                                * powersB[size_t(term.q)] * powersG[size_t(term.r)];
            for (size_t k = 0; k < CentredSums::count; ++k)
                sums->sums[k] += factor * m_sums[m][k];
        }
        const auto weight = [&](int i) {
            const double ratio = m_scale / line.trueValue(m_x[i], m_y[i]);
            return ratio * ratio;
        };
        for (int i : m_direct) {
            if (i != skip)
                sums->add(weight(i), m_x[i] - m_centreX, m_y[i] - m_centreY);
        }
        if (m_isDirect[size_t(skip)])
            return true;
        const double own = weight(skip);
        const auto terms = CentredSums::terms(m_x[skip] - m_centreX, m_y[skip] - m_centreY);
        for (size_t k : {0, 3, 4, 6}) {
            if (own * terms[k] > sums->sums[k] / 2)
                return false;
        }
        for (size_t k = 0; k < terms.size(); ++k)
            sums->sums[k] -= own * terms[k];
        return true;
    }

private:
    // da^p db^q dg^r with its factor (k + 1)(-1)^k k!/(p! q! r!), k = p + q + r.
    struct Monomial
    {
        int p;
        int q;
        int r;
        double coefficient;
    };

    static const std::vector<Monomial> &terms()
    {
        static const std::vector<Monomial> monomials = [] {
            std::vector<Monomial> list;
            const auto factorial = [](int k) { return std::tgamma(k + 1.0); };
            for (int k = 0; k <= order; ++k) {
                for (int p = 0; p <= k; ++p) {
                    for (int q = 0; p + q <= k; ++q) {
                        const int r = k - p - q;
                        const double multinomial =
                            factorial(k) / (factorial(p) * factorial(q) * factorial(r));
                        const double sign = k % 2 == 0 ? 1.0 : -1.0;
                        list.push_back({p, q, r, (k + 1) * sign * multinomial});
                    }
                }
            }
            return list;
        }();
        return monomials;
    }

    const QVector<double> &m_x;
    const QVector<double> &m_y;
    double m_centreX;
    double m_centreY;
    TrueValueForm m_form;
    double m_scale = 0; // of the weights: the smallest |true value| on the reference line
    double m_largestU = 0;
    double m_largestW = 0;
    double m_largestZ = 0;
    bool m_usable = false;
    std::vector<int> m_direct;
    std::vector<bool> m_isDirect;
    std::vector<std::array<double, CentredSums::count>> m_sums;
};

} // namespace

// Every refit is weightedDemingFit's with `skip`: from the Deming line without the pair,
// rounds until the line settles. Refit lines stay near the full sample's line of the same
// round (they differ by the pair's influence), so round k of a refit takes its sums from
// the expansion about the full sample's line of round k - 1, less the left-out pair's own
// terms; a round too far from it, or where the pair carries much of a sum, takes one pass.
WeightedDemingJackknife weightedDemingLinesLeavingOneOut(const QVector<double> &x,
                                                         const QVector<double> &y, double lambda,
                                                         double interceptTolerance,
                                                         const ProgressCallback &progress)
{
    const int n = x.size();
    const QVector<Line> starts = demingLinesLeavingOneOut(x, y, lambda);
    // The full sample's rounds from its Deming line, with their expansions, as far as needed.
    const Line first = demingLine(x, y, lambda);
    // The centre: the means weighted as on the Deming line (plain ones if that has a true
    // value of 0).
    double centreX = std::accumulate(x.cbegin(), x.cend(), 0.0) / n;
    double centreY = std::accumulate(y.cbegin(), y.cend(), 0.0) / n;
    {
        const Projection projection(lambda, first);
        double total = 0;
        double sumX = 0;
        double sumY = 0;
        for (int i = 0; i < n; ++i) {
            const double weight = 1 / std::pow(projection.trueValue(x[i], y[i]), 2);
            total += weight;
            sumX += weight * x[i];
            sumY += weight * y[i];
        }
        if (std::isfinite(sumX / total) && std::isfinite(sumY / total)) {
            centreX = sumX / total;
            centreY = sumY / total;
        }
    }
    std::vector<Line> references{first};
    std::vector<std::unique_ptr<ExpandedSums>> expansions;
    const auto expansion = [&](int round) -> const ExpandedSums & {
        while (int(expansions.size()) <= round) {
            const Line &reference = references.back();
            expansions.push_back(
                std::make_unique<ExpandedSums>(x, y, lambda, reference, centreX, centreY));
            const Line next = finite(reference) ? reweighted(x, y, lambda, reference, -1) : Line();
            references.push_back(next);
        }
        return *expansions[size_t(round)];
    };

    // Below this many pairs passes are cheap, and they keep the two-pass sums' last digits.
    constexpr int fewPairs = 128;
    const auto oneRound = [&](const Line &line, int skip, int round) {
        const Projection projection(lambda, line);
        CentredSums sums;
        if (n > fewPairs && expansion(round).sumsWithout(projection, skip, &sums))
            return sums.line(centreX, centreY, lambda);
        return reweighted(x, y, lambda, line, skip);
    };

    WeightedDemingJackknife jackknife;
    jackknife.lines.resize(n);
    for (int skip = 0; skip < n; ++skip) {
        if (progress && skip % 64 == 0 && !progress(double(skip) / n)) {
            jackknife.lines.clear();
            jackknife.stopped = true;
            return jackknife;
        }
        Line line = starts[skip];
        if (!finite(line))
            continue;
        for (int round = 1; round <= maximumWeightingRounds; ++round) {
            const Line next = oneRound(line, skip, round - 1);
            if (!finite(next)) {
                line = Line();
                break;
            }
            const bool settled = std::fabs(next.slope - line.slope) < 1e-6
                              && std::fabs(next.intercept - line.intercept) < interceptTolerance;
            line = next;
            if (settled)
                break;
        }
        jackknife.lines[skip] = line;
    }
    return jackknife;
}

} // namespace stats
