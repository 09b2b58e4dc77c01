#ifndef CONCORDA_TESTS_PASSINGBABLOKORACLE_H
#define CONCORDA_TESTS_PASSINGBABLOKORACLE_H

#include "passingbablok.h"

#include <QVector>

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>
#include <vector>

// Passing-Bablok the direct way, as stats::passingBablokFit computed it before it selected
// slopes without forming them: every pairwise slope in double, the shift counted pair by
// pair, a full sort. O(n^2) time and memory; the fast path must give the same figures.
namespace oracle {

inline double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return 0.5 * values[(n - 1) / 2] + 0.5 * values[n / 2];
}

inline double medianIntercept(const QVector<double> &x, const QVector<double> &y, double slope)
{
    std::vector<double> values;
    for (int i = 0; i < x.size(); ++i)
        values.push_back(std::isinf(slope) && x[i] == 0 ? y[i] : y[i] - slope * x[i]);
    return median(std::move(values));
}

inline stats::PassingBablokFit passingBablokFit(const QVector<double> &x, const QVector<double> &y,
                                                double z)
{
    constexpr double infinity = std::numeric_limits<double>::infinity();
    constexpr double epsilon = std::numeric_limits<double>::epsilon();
    const qint64 n = x.size();
    std::vector<double> finite;
    qint64 vertical = 0, concordant = 0, discordant = 0;
    qint64 belowMinusOne = 0, atMinusOne = 0, aboveOne = 0, atOne = 0;
    for (int i = 0; i < n; ++i) {
        for (int j = i + 1; j < n; ++j) {
            const double dx = x[j] - x[i];
            const double dy = y[j] - y[i];
            if (dx != 0 && dy != 0)
                ++((dx > 0) == (dy > 0) ? concordant : discordant);
            if (dx == 0) {
                vertical += dy != 0;
                continue;
            }
            const double slope = dy / dx;
            finite.push_back(slope);
            const double rounding = 4 * epsilon * (std::fabs(x[i]) + std::fabs(y[i]))
                                  + 4 * epsilon * (std::fabs(x[j]) + std::fabs(y[j]));
            const bool minusOne = std::fabs(dy + dx) <= rounding;
            const bool one = std::fabs(dy - dx) <= rounding;
            belowMinusOne += slope < -1 && !minusOne;
            atMinusOne += minusOne;
            aboveOne += slope > 1 && !one;
            atOne += one;
        }
    }
    std::sort(finite.begin(), finite.end());

    const bool positive = concordant >= discordant;
    const qint64 count = qint64(finite.size());
    const qint64 slopes = count + vertical;
    const qint64 shift = positive ? 2 * belowMinusOne + atMinusOne : -(2 * aboveOne + atOne);
    const double spread =
        std::round(z * std::sqrt(double(n) * double(n - 1) * double(2 * n + 5) / 18));
    const qint64 c = qint64(std::min(spread, double(2 * slopes + 2)));
    const qint64 bottom = positive ? 0 : vertical;
    const auto atRank = [&](qint64 rank) {
        const qint64 index = rank - bottom - 1;
        return index < 0 ? -infinity : index >= count ? infinity : finite[size_t(index)];
    };
    const auto shiftedMedian = [&](qint64 m) {
        if (m <= 0)
            return -infinity;
        return m % 2 != 0 ? 0.5 * atRank((m + 1) / 2) + 0.5 * atRank((m + 1) / 2)
                          : 0.5 * atRank(m / 2) + 0.5 * atRank(m / 2 + 1);
    };

    stats::PassingBablokFit fit;
    fit.line.slope = shiftedMedian(slopes + shift);
    fit.slopeLower = shiftedMedian(slopes - c + shift);
    fit.slopeUpper = shiftedMedian(slopes + c + shift);
    fit.line.intercept = medianIntercept(x, y, fit.line.slope);
    const double fromUpper = medianIntercept(x, y, fit.slopeUpper);
    const double fromLower = medianIntercept(x, y, fit.slopeLower);
    fit.interceptLower = std::min(fromUpper, fromLower);
    fit.interceptUpper = std::max(fromUpper, fromLower);
    return fit;
}

} // namespace oracle

#endif
