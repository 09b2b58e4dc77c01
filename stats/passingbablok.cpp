#include "passingbablok.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <limits>
#include <numeric>
#include <utility>
#include <vector>

namespace stats {

namespace {

constexpr double infinity = std::numeric_limits<double>::infinity();

// Partially sorts values[from, to) so that each of the ascending, distinct positions in
// [first, last) holds what a full sort would put there: nth_element on the middle
// position, then the same on each side of it for the positions there, so that each pass
// works on a shorter stretch. A few order statistics of n(n - 1)/2 slopes cost a few
// passes over them instead of a sort.
void placeOrderStatistics(std::vector<double> &values, std::ptrdiff_t from, std::ptrdiff_t to,
                          const std::ptrdiff_t *first, const std::ptrdiff_t *last)
{
    if (first == last)
        return;
    const std::ptrdiff_t *middle = first + (last - first) / 2;
    std::nth_element(values.begin() + from, values.begin() + *middle, values.begin() + to);
    placeOrderStatistics(values, from, *middle, first, middle);
    placeOrderStatistics(values, *middle + 1, to, middle + 1, last);
}

// The median, the mean of the two middle values for an even count.
double median(std::vector<double> values)
{
    const std::ptrdiff_t n = std::ptrdiff_t(values.size());
    const std::ptrdiff_t middles[] = {(n - 1) / 2, n / 2};
    placeOrderStatistics(values, 0, n, middles, middles + (n % 2 == 0 ? 2 : 1));
    return 0.5 * values[size_t(middles[0])] + 0.5 * values[size_t(middles[1])];
}

// The median of y - b x. An infinite b (a confidence limit the data do not bound) is the
// limit of a growing slope: y - b x runs off to the infinity of -b x where x is not 0 and
// stays y where x is 0.
double medianIntercept(const QVector<double> &x, const QVector<double> &y, double slope)
{
    std::vector<double> values(static_cast<size_t>(x.size()));
    for (int i = 0; i < x.size(); ++i)
        values[size_t(i)] = std::isinf(slope) && x[i] == 0 ? y[i] : y[i] - slope * x[i];
    return median(std::move(values));
}

} // namespace

// The slopes S_ij = (y_j - y_i)/(x_j - x_i), i < j, leave out pairs of identical points.
// Pairs with equal x and different y have an infinite slope whose sign follows Kendall's
// tau of all the points (a sign from y_j - y_i would depend on the order of the rows), so
// they all sit at one end of the sorted slopes and only their number is kept. With N
// slopes and the shift k = #(S <= -1) + #(S < -1) for tau >= 0, or -(#(S >= 1) + #(S > 1))
// for tau < 0, the slope is med(N + k), the median of the first N + k sorted slopes, and
// its limits med(N -+ C + k) with C = round(z sqrt(n(n - 1)(2n + 5)/18)). For tau >= 0
// and K slopes below -1, k = 2K and med(N + k) is Passing and Bablok's median shifted by K; a
// slope of exactly -1 counts half, between leaving it out and counting it as below -1.
PassingBablokFit passingBablokFit(const QVector<double> &x, const QVector<double> &y, double z)
{
    const qint64 n = x.size();
    const double *px = x.constData();
    const double *py = y.constData();
    std::vector<double> finite;
    finite.reserve(size_t(n * (n - 1) / 2));
    qint64 vertical = 0;
    qint64 concordant = 0;
    qint64 discordant = 0;
    qint64 belowMinusOne = 0;
    qint64 atMinusOne = 0;
    qint64 aboveOne = 0;
    qint64 atOne = 0;
    // A slope of -1 or 1 up to the rounding of the four readings counts as exactly that:
    // readings given in decimals are not exact in binary, so a pair whose decimal slope is
    // -1 can compute to -0.9999999999999996, and the shift must not hang on that.
    constexpr double epsilon = std::numeric_limits<double>::epsilon();
    QVector<double> magnitude(static_cast<int>(n));
    for (int i = 0; i < n; ++i)
        magnitude[i] = 4 * epsilon * (std::fabs(px[i]) + std::fabs(py[i]));
    for (qint64 i = 0; i < n; ++i) {
        for (qint64 j = i + 1; j < n; ++j) {
            const double dx = px[j] - px[i];
            const double dy = py[j] - py[i];
            if (dx != 0 && dy != 0)
                ++((dx > 0) == (dy > 0) ? concordant : discordant);
            if (dx == 0) {
                vertical += dy != 0;
                continue;
            }
            const double slope = dy / dx;
            finite.push_back(slope);
            const double rounding = magnitude[int(i)] + magnitude[int(j)];
            const bool minusOne = std::fabs(dy + dx) <= rounding;
            const bool one = std::fabs(dy - dx) <= rounding;
            belowMinusOne += slope < -1 && !minusOne;
            atMinusOne += minusOne;
            aboveOne += slope > 1 && !one;
            atOne += one;
        }
    }

    const bool positive = concordant >= discordant;
    const qint64 count = qint64(finite.size());
    const qint64 slopes = count + vertical;
    const qint64 shift = positive ? 2 * belowMinusOne + atMinusOne : -(2 * aboveOne + atOne);
    // Past 2N + 2 every limit is already infinite; the bound keeps the cast defined.
    const double spread =
        std::round(z * std::sqrt(double(n) * double(n - 1) * double(2 * n + 5) / 18));
    const qint64 c = qint64(std::min(spread, double(2 * slopes + 2)));

    // Rank r (from 1) of all N sorted slopes is finite[r - bottom - 1], where `bottom`
    // counts the -inf slopes below the finite ones; ranks past either end are infinite.
    const qint64 bottom = positive ? 0 : vertical;
    const auto middleRanks = [](qint64 m) {
        return m % 2 != 0 ? std::make_pair((m + 1) / 2, (m + 1) / 2)
                          : std::make_pair(m / 2, m / 2 + 1);
    };
    const qint64 lengths[] = {slopes + shift, slopes - c + shift, slopes + c + shift};
    std::vector<std::ptrdiff_t> positions;
    for (qint64 m : lengths) {
        if (m <= 0)
            continue;
        for (qint64 rank : {middleRanks(m).first, middleRanks(m).second}) {
            const qint64 index = rank - bottom - 1;
            if (index >= 0 && index < count)
                positions.push_back(std::ptrdiff_t(index));
        }
    }
    std::sort(positions.begin(), positions.end());
    positions.erase(std::unique(positions.begin(), positions.end()), positions.end());
    placeOrderStatistics(finite, 0, std::ptrdiff_t(count), positions.data(),
                         positions.data() + positions.size());

    const auto atRank = [&](qint64 rank) {
        const qint64 index = rank - bottom - 1;
        return index < 0 ? -infinity : index >= count ? infinity : finite[size_t(index)];
    };
    const auto shiftedMedian = [&](qint64 m) {
        if (m <= 0)
            return -infinity;
        const auto ranks = middleRanks(m);
        return 0.5 * atRank(ranks.first) + 0.5 * atRank(ranks.second);
    };

    PassingBablokFit fit;
    fit.line.slope = shiftedMedian(lengths[0]);
    fit.slopeLower = shiftedMedian(lengths[1]);
    fit.slopeUpper = shiftedMedian(lengths[2]);
    fit.line.intercept = medianIntercept(x, y, fit.line.slope);
    // The intercept falls as the slope rises where the readings are positive, so the upper
    // slope gives the lower intercept; with readings below 0 the two can change places.
    const double fromUpper = medianIntercept(x, y, fit.slopeUpper);
    const double fromLower = medianIntercept(x, y, fit.slopeLower);
    fit.interceptLower = std::min(fromUpper, fromLower);
    fit.interceptUpper = std::max(fromUpper, fromLower);
    return fit;
}

// The residuals' signs are scored +sqrt(L/l) above the line and -sqrt(l/L) below it (l
// points above, L below, so the scores sum to 0), 0 on it, and summed in the order of the
// points' projections x + b y on the line's direction (1, b). The projection orders the
// points as (y + x/b - a)/sqrt(1 + 1/b^2) does for b > 0 and in reverse for b < 0, which
// leaves max |cusum| as it is since the scores sum to 0; unlike that form it also holds
// for b = 0. H = max |cusum| / sqrt(L + 1).
double cusumStatistic(const QVector<double> &x, const QVector<double> &y, const Line &line)
{
    const int n = x.size();
    const double a = line.intercept;
    const double b = line.slope;
    // A residual within rounding of 0 puts the point on the line: an exact line computed
    // in floating point leaves residuals of a few units in the last place.
    constexpr double rounding = 1e-12;
    QVector<int> side(n);
    qint64 above = 0;
    qint64 below = 0;
    for (int i = 0; i < n; ++i) {
        const double residual = y[i] - a - b * x[i];
        const double tolerance = rounding * (std::fabs(y[i]) + std::fabs(a) + std::fabs(b * x[i]));
        side[i] = residual > tolerance ? 1 : residual < -tolerance ? -1 : 0;
        above += side[i] > 0;
        below += side[i] < 0;
    }
    const bool bothSides = above > 0 && below > 0;
    const double aboveScore = bothSides ? std::sqrt(double(below) / double(above)) : 0;
    const double belowScore = bothSides ? -std::sqrt(double(above) / double(below)) : 0;

    QVector<double> along;
    along.reserve(n);
    for (int i = 0; i < n; ++i)
        along.append(x[i] + b * y[i]);
    std::vector<int> order(static_cast<size_t>(n));
    std::iota(order.begin(), order.end(), 0);
    std::sort(order.begin(), order.end(), [&along](int i, int j) { return along[i] < along[j]; });

    // Points at the same place along the line enter the sum together, so that the order
    // of the rows in the file cannot change H.
    double cusum = 0;
    double largest = 0;
    for (size_t k = 0; k < order.size();) {
        const double place = along[order[k]];
        for (; k < order.size() && along[order[k]] == place; ++k) {
            const int s = side[order[k]];
            cusum += s > 0 ? aboveScore : s < 0 ? belowScore : 0;
        }
        largest = std::max(largest, std::fabs(cusum));
    }
    return largest / std::sqrt(double(below) + 1);
}

} // namespace stats
