#include "passingbablok.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>
#include <map>
#include <memory>
#include <numeric>
#include <random>
#include <utility>
#include <vector>

// Passing-Bablok's figures are order statistics of the n(n - 1)/2 pairwise slopes. They are
// found without forming the slopes: for a trial slope t, the pairs with a slope below t are
// the pairs that the order of y - t x puts in reverse of the order of x, counted by a merge
// sort in O(n log n); random pairs drawn from between two trial slopes give the next, closer
// trial slopes (Matousek 1991, "Randomized optimal algorithm for slope selection";
// Dillencourt, Mount & Netanyahu 1992), until few enough pairs lie between them to list.
//
// The figures must be the doubles that dividing the differences of each pair gives, so two
// orders are kept apart: the exact slopes, which the counts and trial slopes use and where
// ties are exact, and the computed slopes, which differ from them by a few units in the last
// place. Where the two orders could disagree near a selected slope, the pairs near it are
// listed and their computed slopes sorted as they are.
namespace stats {

namespace {

constexpr double infinity = std::numeric_limits<double>::infinity();
constexpr double largestDouble = std::numeric_limits<double>::max();
// The largest relative error of one rounding to double.
constexpr double roundoff = 0x1p-53;
// More than the absolute error of a rounding into the subnormal range, where the relative
// bound no longer holds.
constexpr double subnormalSlack = 0x1p-1070;

__extension__ typedef unsigned __int128 Wide;

// Thrown when the progress callback asks to stop; passingBablokFit catches it.
struct Stopped
{
};

// Reports the share done after each pass over the points and stops the work when asked.
// The number of passes is an estimate made at the start, so the share stays below 1 until
// the end.
class Progress
{
public:
    Progress(const ProgressCallback &callback, double expectedPasses)
        : m_callback(callback), m_expected(expectedPasses)
    {
    }

    void pass()
    {
        ++m_done;
        report();
    }

    // For long loops: reports every 2^22 calls.
    void tick()
    {
        if (++m_ticks % (1u << 22) == 0)
            report();
    }

private:
    void report() const
    {
        if (m_callback && !m_callback(std::min(0.99, m_done / m_expected)))
            throw Stopped();
    }

    const ProgressCallback &m_callback;
    double m_expected;
    double m_done = 0;
    unsigned m_ticks = 0;
};

// The exact sign of a sum of up to eight products of two doubles, for the comparisons that
// rounded values leave open. Each product is an integer of at most 106 bits times a power
// of two; the sum is held as a fixed-point integer from the lowest of those powers, wide
// enough for any doubles (2^-2252 to 2^2048).
class ExactSum
{
public:
    void add(double a, double b)
    {
        if (a == 0 || b == 0)
            return;
        const Parts partsA = parts(a);
        const Parts partsB = parts(b);
        Term &term = m_terms[m_count++];
        term.negative = partsA.negative != partsB.negative;
        term.magnitude = Wide(partsA.mantissa) * partsB.mantissa;
        term.exponent = partsA.exponent + partsB.exponent;
    }

    int sign() const
    {
        if (m_count == 0)
            return 0;
        int lowest = m_terms[0].exponent;
        int highest = m_terms[0].exponent;
        for (int t = 1; t < m_count; ++t) {
            lowest = std::min(lowest, m_terms[t].exponent);
            highest = std::max(highest, m_terms[t].exponent);
        }
        // 106 bits per term, 3 for carries, and a spare top limb for the sign.
        const int limbs = (highest - lowest + 109) / 64 + 2;
        std::uint64_t value[72];
        std::fill_n(value, limbs, 0);
        for (int t = 0; t < m_count; ++t) {
            const Term &term = m_terms[t];
            const int shift = term.exponent - lowest;
            const int bit = shift % 64;
            const std::uint64_t low = std::uint64_t(term.magnitude);
            const std::uint64_t high = std::uint64_t(term.magnitude >> 64);
            const std::uint64_t parts[3] = {low << bit,
                                            bit == 0 ? high : (low >> (64 - bit)) | (high << bit),
                                            bit == 0 ? 0 : high >> (64 - bit)};
            accumulate(value, limbs, shift / 64, parts, term.negative);
        }
        if (value[limbs - 1] >> 63)
            return -1;
        return std::any_of(value, value + limbs, [](std::uint64_t limb) { return limb != 0; })
                   ? 1
                   : 0;
    }

private:
    // A finite double as +-mantissa 2^exponent, the mantissa below 2^53.
    struct Parts
    {
        bool negative;
        std::uint64_t mantissa;
        int exponent;
    };

    static Parts parts(double value)
    {
        std::uint64_t bits = 0;
        std::memcpy(&bits, &value, sizeof bits);
        const int field = int((bits >> 52) & 0x7ff);
        const std::uint64_t fraction = bits & ((std::uint64_t(1) << 52) - 1);
        if (field == 0)
            return {bits >> 63 != 0, fraction, -1074};
        return {bits >> 63 != 0, fraction | (std::uint64_t(1) << 52), field - 1075};
    }

    struct Term
    {
        bool negative;
        Wide magnitude;
        int exponent;
    };

    // Adds or subtracts the three limbs at `index`, carrying into the higher ones; the
    // whole is a two's complement integer.
    static void accumulate(std::uint64_t *value, int limbs, int index,
                           const std::uint64_t (&parts)[3], bool subtract)
    {
        std::uint64_t carry = 0;
        for (int k = index; k < limbs; ++k) {
            const std::uint64_t part = k - index < 3 ? parts[k - index] : 0;
            if (k - index >= 3 && carry == 0)
                break;
            if (subtract) {
                const std::uint64_t difference = value[k] - part;
                const std::uint64_t borrow = value[k] < part;
                value[k] = difference - carry;
                carry = borrow | (difference < carry);
            } else {
                const std::uint64_t sum = value[k] + part;
                const std::uint64_t overflow = sum < part;
                value[k] = sum + carry;
                carry = overflow | (value[k] < carry);
            }
        }
    }

    Term m_terms[8];
    int m_count = 0;
};

// x + y exactly, as the rounded sum and what the rounding left out (Knuth's TwoSum). Two
// such sums compare as the exact ones do when compared rounded part first.
struct TwoSum
{
    double rounded;
    double error;
};

TwoSum twoSum(double a, double b)
{
    const double rounded = a + b;
    const double b1 = rounded - a;
    return {rounded, (a - (rounded - b1)) + (b - b1)};
}

bool operator<(const TwoSum &a, const TwoSum &b)
{
    return a.rounded < b.rounded || (a.rounded == b.rounded && a.error < b.error);
}

bool operator==(const TwoSum &a, const TwoSum &b)
{
    return a.rounded == b.rounded && a.error == b.error;
}

qint64 pairsAmong(qint64 count)
{
    return count * (count - 1) / 2;
}

// The passes of a bottom-up merge sort of n items whose sorted runs are `width` long to
// begin with: merge(from, middle, to) merges [from, middle) with [middle, to) into the other
// buffer, and swap() takes it after each pass. A merge that returns false ends the sort.
template <typename Merge, typename Swap>
void mergePasses(size_t n, size_t width, Merge merge, Swap swap)
{
    for (; width < n; width *= 2) {
        for (size_t from = 0; from < n; from += 2 * width) {
            if (!merge(from, std::min(n, from + width), std::min(n, from + 2 * width)))
                return;
        }
        swap();
    }
}

// Sorts `items` by `less` and returns the number of pairs the sort reversed: insertion sort
// on short blocks, then merging them.
template <typename T, typename Less>
qint64 sortCountingInversions(std::vector<T> &items, Less less)
{
    const size_t n = items.size();
    constexpr size_t block = 16;
    qint64 inversions = 0;
    for (size_t from = 0; from < n; from += block) {
        const size_t to = std::min(n, from + block);
        for (size_t i = from + 1; i < to; ++i) {
            const T item = items[i];
            size_t j = i;
            for (; j > from && less(item, items[j - 1]); --j)
                items[j] = items[j - 1];
            inversions += qint64(i - j);
            items[j] = item;
        }
    }
    if (n <= block)
        return inversions;
    std::vector<T> merged(n);
    const auto merge = [&](size_t from, size_t middle, size_t to) {
        size_t i = from;
        size_t j = middle;
        size_t k = from;
        // Without branches: on random data the branch would go either way.
        while (i < middle && j < to) {
            const bool right = less(items[j], items[i]);
            merged[k++] = right ? items[j] : items[i];
            inversions += right ? qint64(middle - i) : 0;
            j += right;
            i += !right;
        }
        k = std::copy(items.begin() + std::ptrdiff_t(i), items.begin() + std::ptrdiff_t(middle),
                      merged.begin() + std::ptrdiff_t(k))
            - merged.begin();
        std::copy(items.begin() + std::ptrdiff_t(j), items.begin() + std::ptrdiff_t(to),
                  merged.begin() + std::ptrdiff_t(k));
        return true;
    };
    mergePasses(n, block, merge, [&] { items.swap(merged); });
    return inversions;
}

// The readings sorted by x and then y. A point is named by its place in this order, so for
// points a < b, x_a <= x_b, and the pairs with a finite slope are those with x_a < x_b. Their
// slope as the direct computation has it is (y_b - y_a)/(x_b - x_a).
struct Points
{
    std::vector<double> x;
    std::vector<double> y;

    int size() const { return int(x.size()); }
    double slope(int a, int b) const { return (y[b] - y[a]) / (x[b] - x[a]); }
};

Points sortedPoints(const QVector<double> &x, const QVector<double> &y)
{
    std::vector<std::pair<double, double>> pairs(static_cast<size_t>(x.size()));
    for (int i = 0; i < x.size(); ++i)
        pairs[size_t(i)] = {x[i], y[i]};
    std::sort(pairs.begin(), pairs.end());
    Points points;
    points.x.reserve(pairs.size());
    points.y.reserve(pairs.size());
    for (const auto &pair : pairs) {
        points.x.push_back(pair.first);
        points.y.push_back(pair.second);
    }
    return points;
}

// Whether every difference of two of the values is a double: they are all multiples of
// one power of two 2^q and below 2^(52 + q) in magnitude. Then each computed slope is the
// exact slope rounded once, so the two orders agree and tied exact slopes compute alike.
bool differencesExact(const std::vector<double> &values)
{
    int lowestBit = std::numeric_limits<int>::max();
    double largest = 0;
    for (double value : values) {
        if (value == 0)
            continue;
        int exponent = 0;
        const double fraction = std::frexp(value, &exponent);
        auto mantissa = std::uint64_t(std::ldexp(std::fabs(fraction), 53));
        int bit = exponent - 53;
        for (; (mantissa & 1) == 0; mantissa >>= 1)
            ++bit;
        lowestBit = std::min(lowestBit, bit);
        largest = std::max(largest, std::fabs(value));
    }
    return largest == 0 || largest < std::ldexp(1.0, 52 + lowestBit);
}

// A finite trial slope: a double, or the exact slope of the pair of points from < to (with
// x_from < x_to). The order of the points by k = y DX - x DY, for the slope DY/DX, puts a
// before b (x_a < x_b) exactly when their slope is above the trial slope.
struct Threshold
{
    enum class Kind { Value, Pair };
    Kind kind = Kind::Value;
    double value = 0;
    int from = -1;
    int to = -1;

    static Threshold atValue(double value) { return {Kind::Value, value, -1, -1}; }
    static Threshold atPair(int from, int to) { return {Kind::Pair, 0, from, to}; }
};

// A point's key for a trial slope, rounded, and whether the rounding left it exact. The key
// is held as an unsigned integer of the same order as the double, for the radix sort.
struct Keyed
{
    std::uint64_t code;
    int point;
    bool exact;

    Keyed(double key, int point, bool exact) : code(0), point(point), exact(exact)
    {
        std::uint64_t bits = 0;
        std::memcpy(&bits, &key, sizeof bits);
        code = bits >> 63 ? ~bits : bits | (std::uint64_t(1) << 63);
    }

    double key() const
    {
        const std::uint64_t bits = code >> 63 ? code & ~(std::uint64_t(1) << 63) : ~code;
        double key = 0;
        std::memcpy(&key, &bits, sizeof key);
        return key;
    }
};

// a b as a double, if that is exact (and far from where rounding stops being relative).
bool exactProduct(double a, double b, double *product)
{
    *product = a * b;
    if (a == 0 || b == 0)
        return true;
    const double size = std::fabs(*product);
    return size >= 0x1p-960 && size <= 0x1p1000 && std::fma(a, b, -*product) == 0;
}

// The points' rounded keys at a finite trial slope, returning a margin: two rounded keys
// further apart than it order as the exact keys do. For a double t the key y - t x is
// rounded once (fma), so different rounded keys already order right and the margin is 0.
// For a pair's slope the key y DX - x DY is rounded twice and leaves out the rounding of
// DX and DY: each within 4 roundings of the sizes of its terms, twice the largest of that
// for two keys.
double roundedKeys(const Points &points, const Threshold &threshold, std::vector<Keyed> &items)
{
    const int n = points.size();
    items.clear();
    items.reserve(static_cast<size_t>(n));
    const std::vector<double> &x = points.x;
    const std::vector<double> &y = points.y;
    if (threshold.kind == Threshold::Kind::Value) {
        const double t = threshold.value;
        for (int i = 0; i < n; ++i) {
            double product = 0;
            const bool exact = exactProduct(t, x[size_t(i)], &product)
                            && twoSum(y[size_t(i)], -product).error == 0;
            items.emplace_back(std::fma(-t, x[size_t(i)], y[size_t(i)]), i, exact);
        }
        return 0;
    }
    const double dx = x[size_t(threshold.to)] - x[size_t(threshold.from)];
    const double dy = y[size_t(threshold.to)] - y[size_t(threshold.from)];
    const bool exactSlope = twoSum(x[size_t(threshold.to)], -x[size_t(threshold.from)]).error == 0
                         && twoSum(y[size_t(threshold.to)], -y[size_t(threshold.from)]).error == 0;
    double largest = 0;
    for (int i = 0; i < n; ++i) {
        double product = 0;
        double term = 0;
        const bool exactTerms = exactProduct(x[size_t(i)], dy, &product)
                             && exactProduct(y[size_t(i)], dx, &term);
        const double key = std::fma(y[size_t(i)], dx, -product);
        const bool exact = exactSlope && exactTerms && twoSum(term, -product).error == 0;
        items.emplace_back(key, i, exact);
        largest = std::max(largest, std::fabs(term) + 2 * std::fabs(product) + std::fabs(key));
    }
    return 2 * (4 * roundoff * largest + subnormalSlack);
}

// Sorts by rounded key, keeping the order of points among equal keys: a radix sort on the
// top 33 bits of the keys' codes (sign, exponent and 21 bits of the fraction), which leaves
// few keys alike; each run of those is then sorted on the whole code.
void sortByKey(std::vector<Keyed> &items)
{
    const auto before = [](const Keyed &a, const Keyed &b) {
        return a.code < b.code || (a.code == b.code && a.point < b.point);
    };
    const size_t n = items.size();
    if (n < 4096) {
        std::sort(items.begin(), items.end(), before);
        return;
    }
    // Digits of 11 bits: few enough buckets for the cache.
    constexpr int digitBits = 11;
    constexpr int lowestBit = 64 - 3 * digitBits;
    constexpr std::uint64_t digitMask = (1 << digitBits) - 1;
    std::vector<Keyed> sorted(n, Keyed(0, 0, false));
    std::vector<size_t> starts(digitMask + 2);
    for (int shift = lowestBit; shift < 64; shift += digitBits) {
        std::fill(starts.begin(), starts.end(), 0);
        for (const Keyed &item : items)
            ++starts[((item.code >> shift) & digitMask) + 1];
        if (std::find(starts.begin(), starts.end(), n) != starts.end())
            continue; // every key has the same digit here
        std::partial_sum(starts.begin(), starts.end(), starts.begin());
        for (const Keyed &item : items)
            sorted[starts[(item.code >> shift) & digitMask]++] = item;
        items.swap(sorted);
    }
    for (size_t begin = 0; begin < n;) {
        size_t end = begin + 1;
        while (end < n && items[end].code >> lowestBit == items[begin].code >> lowestBit)
            ++end;
        if (end - begin > 1)
            std::sort(items.begin() + std::ptrdiff_t(begin), items.begin() + std::ptrdiff_t(end),
                      before);
        begin = end;
    }
}

// The sign of k_i - k_j, exactly.
int exactKeySign(const Points &points, const Threshold &threshold, int i, int j)
{
    ExactSum sum;
    const std::vector<double> &x = points.x;
    const std::vector<double> &y = points.y;
    if (threshold.kind == Threshold::Kind::Value) {
        sum.add(y[i], 1);
        sum.add(-y[j], 1);
        sum.add(-threshold.value, x[i]);
        sum.add(threshold.value, x[j]);
    } else {
        // (y_i - y_j)(x_to - x_from) - (x_i - x_j)(y_to - y_from), multiplied out.
        const int c = threshold.from;
        const int d = threshold.to;
        sum.add(y[i], x[d]);
        sum.add(-y[i], x[c]);
        sum.add(-y[j], x[d]);
        sum.add(y[j], x[c]);
        sum.add(-x[i], y[d]);
        sum.add(x[i], y[c]);
        sum.add(x[j], y[d]);
        sum.add(-x[j], y[c]);
    }
    return sum.sign();
}

// Whether the exact slope of the pair (a, b) is `slope`: y_b - y_a = slope (x_b - x_a).
bool slopeIsExactly(const Points &points, int a, int b, double slope)
{
    ExactSum sum;
    sum.add(points.y[size_t(b)], 1);
    sum.add(-points.y[size_t(a)], 1);
    sum.add(-slope, points.x[size_t(b)]);
    sum.add(slope, points.x[size_t(a)]);
    return sum.sign() == 0;
}

// Whether the magnitude is a power of two.
bool powerOfTwo(double value)
{
    int exponent = 0;
    return value != 0 && std::fabs(std::frexp(value, &exponent)) == 0.5;
}

// The points ordered at a trial slope, in the two ways that differ in where pairs with
// exactly the trial slope go, with the number of pairs each order reverses: the pairs with
// a slope below the trial slope, and those at or below it.
struct OrdersAt
{
    std::shared_ptr<const std::vector<int>> below;
    std::shared_ptr<const std::vector<int>> atOrBelow;
    qint64 countBelow = 0;
    qint64 countAtOrBelow = 0;
};

// For -inf every pair is above: the order of x. For +inf every pair is below: the groups
// of equal x in reverse, each in its own order, so that their pairs stay unreversed.
OrdersAt ordersAtInfinity(const Points &points, bool plus, qint64 finitePairs)
{
    const int n = points.size();
    auto order = std::make_shared<std::vector<int>>(static_cast<size_t>(n));
    if (!plus) {
        std::iota(order->begin(), order->end(), 0);
    } else {
        int k = 0;
        for (int end = n; end > 0;) {
            int begin = end - 1;
            while (begin > 0 && points.x[size_t(begin - 1)] == points.x[size_t(end - 1)])
                --begin;
            for (int i = begin; i < end; ++i)
                (*order)[size_t(k++)] = i;
            end = begin;
        }
    }
    const qint64 count = plus ? finitePairs : 0;
    return {order, order, count, count};
}

OrdersAt ordersAt(const Points &points, const Threshold &threshold, Progress &progress)
{
    const int n = points.size();
    std::vector<Keyed> items;
    const double margin = roundedKeys(points, threshold, items);
    // Points of equal x have keys that differ as their y do.
    const auto compare = [&](const Keyed &a, const Keyed &b) {
        const double difference = a.key() - b.key();
        if (difference > margin)
            return 1;
        if (difference < -margin)
            return -1;
        if (a.exact && b.exact)
            return difference < 0 ? -1 : difference > 0 ? 1 : 0;
        const double ya = points.y[size_t(a.point)];
        const double yb = points.y[size_t(b.point)];
        if (points.x[size_t(a.point)] == points.x[size_t(b.point)])
            return ya < yb ? -1 : ya > yb ? 1 : 0;
        return exactKeySign(points, threshold, a.point, b.point);
    };
    // Pairs at exactly the trial slope keep the order of x here, so they count as above it.
    const auto before = [&](const Keyed &a, const Keyed &b) {
        const int sign = compare(a, b);
        return sign != 0 ? sign < 0 : a.point < b.point;
    };
    // Sorted by rounded key, the points are in their exact order except within runs whose
    // neighbouring keys lie within the margin; those runs are sorted exactly.
    sortByKey(items);
    for (int begin = 0; begin < n;) {
        int end = begin + 1;
        while (end < n && !(items[size_t(end)].key() - items[size_t(end - 1)].key() > margin))
            ++end;
        if (end - begin > 1)
            std::sort(items.begin() + begin, items.begin() + end, before);
        begin = end;
    }
    OrdersAt orders;
    std::vector<int> places(static_cast<size_t>(n));
    for (int k = 0; k < n; ++k)
        places[size_t(k)] = items[size_t(k)].point;
    orders.countBelow = sortCountingInversions(places, std::less<int>());

    // A run of equal keys holds the pairs at the trial slope, except those of equal x
    // (identical points). Reversing the run's groups of equal x counts them as below.
    auto below = std::make_shared<std::vector<int>>(static_cast<size_t>(n));
    auto atOrBelow = std::make_shared<std::vector<int>>(static_cast<size_t>(n));
    qint64 ties = 0;
    for (int begin = 0; begin < n;) {
        int end = begin + 1;
        while (end < n && compare(items[size_t(end - 1)], items[size_t(end)]) == 0)
            ++end;
        if (end == begin + 1) {
            (*below)[size_t(begin)] = (*atOrBelow)[size_t(begin)] = items[size_t(begin)].point;
            begin = end;
            continue;
        }
        ties += pairsAmong(end - begin);
        int k = end;
        for (int group = begin; group < end;) {
            int groupEnd = group + 1;
            const double x = points.x[size_t(items[size_t(group)].point)];
            while (groupEnd < end && points.x[size_t(items[size_t(groupEnd)].point)] == x)
                ++groupEnd;
            ties -= pairsAmong(groupEnd - group);
            k -= groupEnd - group;
            for (int i = group; i < groupEnd; ++i) {
                (*below)[size_t(i)] = items[size_t(i)].point;
                (*atOrBelow)[size_t(k + i - group)] = items[size_t(i)].point;
            }
            group = groupEnd;
        }
        begin = end;
    }
    orders.below = below;
    orders.atOrBelow = ties == 0 ? orders.below : atOrBelow;
    orders.countAtOrBelow = orders.countBelow + ties;
    progress.pass();
    return orders;
}

// A point on its way through visitPairsBetween: its readings, its place in the upper
// order, and its name.
struct Walked
{
    double x;
    double y;
    int place;
    int point;
};

// The computed slope of a pair, a.point < b.point.
double slopeOf(const Walked &a, const Walked &b)
{
    return (b.y - a.y) / (b.x - a.x);
}

// The pairs whose order differs between two orders of the points: for a lower order that
// reverses the pairs below one trial slope and an upper order that reverses those below a
// higher one, the pairs between the two. Counted by merge-sorting the places of the lower
// order's points in the upper order; visit(a, b) (a.point < b.point) gets the pairs
// numbered by `wanted` (ascending, below their count) or, without it, every pair. The
// points carry their readings, so that visiting a pair reads nothing from afar.
template <typename Visit>
void visitPairsBetween(const Points &points, const std::vector<int> &lowerOrder,
                       const std::vector<int> &upperOrder, const std::vector<qint64> *wanted,
                       Visit visit)
{
    const size_t n = lowerOrder.size();
    if (wanted && wanted->empty())
        return;
    std::vector<int> place(n);
    for (size_t k = 0; k < n; ++k)
        place[size_t(upperOrder[k])] = int(k);
    std::vector<Walked> items(n);
    for (size_t k = 0; k < n; ++k) {
        const int point = lowerOrder[k];
        items[k] = {points.x[size_t(point)], points.y[size_t(point)], place[size_t(point)], point};
    }
    std::vector<Walked> merged(n);
    qint64 passed = 0;
    size_t next = 0;
    const auto pair = [&visit](const Walked &a, const Walked &b) {
        if (a.point < b.point)
            visit(a, b);
        else
            visit(b, a);
    };
    const auto merge = [&](size_t from, size_t middle, size_t to) {
        size_t i = from;
        size_t j = middle;
        size_t k = from;
        while (i < middle && j < to) {
            if (items[j].place < items[i].place) {
                const qint64 reversed = qint64(middle - i);
                if (wanted) {
                    for (; next < wanted->size() && (*wanted)[next] < passed + reversed; ++next)
                        pair(items[i + size_t((*wanted)[next] - passed)], items[j]);
                    if (next == wanted->size())
                        return false;
                } else {
                    for (size_t t = i; t < middle; ++t)
                        pair(items[t], items[j]);
                }
                passed += reversed;
                merged[k++] = items[j++];
            } else {
                merged[k++] = items[i++];
            }
        }
        while (i < middle)
            merged[k++] = items[i++];
        while (j < to)
            merged[k++] = items[j++];
        return true;
    };
    mergePasses(n, 1, merge, [&] { items.swap(merged); });
}

// Partially sorts [begin, end) so that each of the ascending, distinct places in [first,
// last) (counted from `origin`) holds what a full sort would put there: nth_element on the
// middle place, then the same on each side of it, so that each pass works on a shorter
// stretch.
template <typename Iterator, typename Less>
void placeOrderStatistics(Iterator origin, Iterator begin, Iterator end, const int *first,
                          const int *last, Less less)
{
    if (first == last)
        return;
    const int *middle = first + (last - first) / 2;
    std::nth_element(begin, origin + *middle, end, less);
    placeOrderStatistics(origin, begin, origin + *middle, first, middle, less);
    placeOrderStatistics(origin, origin + *middle + 1, end, middle + 1, last, less);
}

// Computed slopes, with their multiplicities once there are too many to keep one by one
// (pairs with tied exact slopes compute to a few distinct doubles).
class SlopeTally
{
public:
    explicit SlopeTally(size_t capacity) : m_capacity(capacity) {}

    void add(double slope)
    {
        m_values.push_back(slope);
        if (m_values.size() >= m_capacity)
            fold();
    }

    // The k-th smallest (from 0).
    double select(qint64 k)
    {
        if (m_counts.empty()) {
            const auto kth = m_values.begin() + std::ptrdiff_t(k);
            std::nth_element(m_values.begin(), kth, m_values.end());
            return m_values[size_t(k)];
        }
        fold();
        for (const auto &entry : m_counts) {
            if (k < entry.second)
                return entry.first;
            k -= entry.second;
        }
        return m_counts.rbegin()->first;
    }

private:
    void fold()
    {
        for (double value : m_values)
            ++m_counts[value];
        m_values.clear();
    }

    size_t m_capacity;
    std::vector<double> m_values;
    std::map<double, qint64> m_counts;
};

// A computed slope bounds those of the pairs whose exact slope is at or past the exact slope
// it comes from up to three roundings; beyond the largest double the computed slope is
// infinite.
double raised(double slope)
{
    if (std::isinf(slope))
        return slope < 0 ? -largestDouble : slope;
    return slope + 8 * roundoff * std::fabs(slope) + subnormalSlack;
}

double lowered(double slope)
{
    if (std::isinf(slope))
        return slope > 0 ? largestDouble : slope;
    return slope - 8 * roundoff * std::fabs(slope) - subnormalSlack;
}

// One end of a stretch of pairs: the order of the points that reverses the pairs below it,
// their number, and a bound on the computed slopes of the pairs beyond it: the largest of
// those below a lower end, the smallest of those above an upper end.
struct End
{
    std::shared_ptr<const std::vector<int>> order;
    qint64 count = 0;
    double slopeLimit = 0;
};

// Selects computed slopes by rank among the finite pairs of `points`.
class SlopeSelection
{
public:
    SlopeSelection(const Points &points, qint64 finitePairs, Progress &progress)
        : m_points(points),
          m_finitePairs(finitePairs),
          m_exact(differencesExact(points.x) && differencesExact(points.y)),
          m_rangeOfX(points.x.empty() ? 0 : points.x.back() - points.x.front()),
          m_progress(progress),
          m_listLimit(8 * size_t(points.size()) + 1024),
          m_samples(std::clamp(points.size(), 512, 1 << 20))
    {
        for (size_t k = 1; k < points.x.size(); ++k) {
            if (points.x[k] != points.x[k - 1])
                m_smallestGapOfX = std::min(m_smallestGapOfX, points.x[k] - points.x[k - 1]);
        }
    }

    // Roughly how many passes over the points selecting the slope and its two limits takes,
    // for the progress report: the first round draws once and tries two slopes for all
    // three, the second draws once and tries two for each, later rounds do that for each
    // apart; each is then listed in two walks.
    static double expectedPasses(int n, qint64 finitePairs)
    {
        const double samples = std::clamp(n, 512, 1 << 20);
        const double listLimit = 8.0 * n + 1024;
        if (finitePairs <= listLimit)
            return 1;
        const double rounds =
            std::ceil(std::log(finitePairs / listLimit) / std::log(std::sqrt(samples) / 3));
        return 3 + (rounds >= 2 ? 7 : 0) + std::max(0.0, rounds - 2) * 9 + 6;
    }

    // The computed slope of each rank (from 0, ascending).
    std::map<qint64, double> select(const std::vector<qint64> &ranks)
    {
        std::map<qint64, double> slopes;
        if (ranks.empty())
            return slopes;
        const OrdersAt bottom = ordersAtInfinity(m_points, false, m_finitePairs);
        const OrdersAt top = ordersAtInfinity(m_points, true, m_finitePairs);
        Stretch everything;
        everything.lower = {bottom.atOrBelow, 0, -infinity};
        everything.upper = {top.below, m_finitePairs, infinity};
        everything.ranks = ranks;
        std::vector<Stretch> stretches;
        stretches.push_back(std::move(everything));
        while (!stretches.empty()) {
            const Stretch stretch = stretches.back();
            stretches.pop_back();
            if (stretch.upper.count - stretch.lower.count <= qint64(m_listLimit))
                listStretch(stretch, &slopes);
            else
                narrow(stretch, &stretches, &slopes);
        }
        return slopes;
    }

private:
    // The pairs with exact slopes between two ends, and the ranks among them still to find.
    struct Stretch
    {
        End lower;
        End upper;
        std::vector<qint64> ranks;
    };

    // A trial slope drawn from the pairs, with its counts and the orders it may serve (the
    // one it is not expected to serve is dropped, and made again if wanted).
    struct Pivot
    {
        int from;
        int to;
        OrdersAt orders;
    };

    // Whether every pair whose exact slope equals that of (a, b) computes to the same slope,
    // at or past which the computed slopes of higher and lower exact slopes stay: when all
    // differences are exact; for the exact slope 0; for -1 and 1, whose differences round
    // alike; and for other powers of two, which scale a difference as exactly as its rounding
    // does unless that leaves the normal range (the differences of x lie between the
    // smallest gap and the range of x).
    bool computesExactly(int a, int b) const
    {
        if (m_exact || m_points.y[size_t(a)] == m_points.y[size_t(b)])
            return true;
        const double slope = m_points.slope(a, b);
        if (!powerOfTwo(slope) || !slopeIsExactly(m_points, a, b, slope))
            return false;
        const double scale = std::fabs(slope);
        return scale == 1
            || (m_smallestGapOfX * std::min(1.0, scale) >= 0x1p-1000
                && m_rangeOfX * std::max(1.0, scale) <= 0x1p1000);
    }

    End lowerEnd(Pivot &pivot)
    {
        if (!pivot.orders.atOrBelow)
            pivot.orders = ordersAt(m_points, Threshold::atPair(pivot.from, pivot.to), m_progress);
        const double slope = m_points.slope(pivot.from, pivot.to);
        return {pivot.orders.atOrBelow, pivot.orders.countAtOrBelow,
                computesExactly(pivot.from, pivot.to) ? slope : raised(slope)};
    }

    End upperEnd(Pivot &pivot)
    {
        if (!pivot.orders.below)
            pivot.orders = ordersAt(m_points, Threshold::atPair(pivot.from, pivot.to), m_progress);
        const double slope = m_points.slope(pivot.from, pivot.to);
        return {pivot.orders.below, pivot.orders.countBelow,
                computesExactly(pivot.from, pivot.to) ? slope : lowered(slope)};
    }

    // Few pairs left: list their computed slopes and take the ranks among them. A rank's
    // slope holds if it is past every computed slope below the stretch and short of every
    // one above; where rounding leaves that open, the pairs around it are listed afresh.
    void listStretch(const Stretch &stretch, std::map<qint64, double> *slopes)
    {
        const qint64 count = stretch.upper.count - stretch.lower.count;
        const double low = stretch.lower.slopeLimit;
        const double high = stretch.upper.slopeLimit;
        // Many pairs: a first walk counts them in buckets of their computed slope between
        // the stretch's limits, a second keeps only the buckets that hold the ranks.
        constexpr int buckets = 4096;
        const bool inBuckets = count > 2 * m_points.size() + 1024 && std::isfinite(low)
                            && std::isfinite(high) && low < high;
        const double scale = buckets / (high - low);
        const auto bucket = [&](double slope) {
            const double place = (slope - low) * scale;
            return place < 0 ? 0 : place >= buckets - 1 ? buckets - 1 : int(place);
        };
        qint64 skipped = 0;
        int first = 0;
        int last = buckets - 1;
        if (inBuckets) {
            std::vector<qint64> counts(buckets);
            visitPairsBetween(m_points, *stretch.lower.order, *stretch.upper.order, nullptr,
                              [&](const Walked &a, const Walked &b) {
                                  ++counts[size_t(bucket(slopeOf(a, b)))];
                              });
            m_progress.pass();
            const auto ranks = std::minmax_element(stretch.ranks.begin(), stretch.ranks.end());
            const qint64 lowest = *ranks.first - stretch.lower.count;
            const qint64 highest = *ranks.second - stretch.lower.count;
            while (skipped + counts[size_t(first)] <= lowest)
                skipped += counts[size_t(first++)];
            last = first;
            for (qint64 below = skipped + counts[size_t(first)]; below <= highest;)
                below += counts[size_t(++last)];
        }
        SlopeTally listed(m_listLimit);
        visitPairsBetween(m_points, *stretch.lower.order, *stretch.upper.order, nullptr,
                          [&](const Walked &a, const Walked &b) {
                              const double slope = slopeOf(a, b);
                              if (!inBuckets || (bucket(slope) >= first && bucket(slope) <= last))
                                  listed.add(slope);
                          });
        m_progress.pass();
        std::vector<std::pair<qint64, double>> open;
        for (qint64 rank : stretch.ranks) {
            const double slope = listed.select(rank - stretch.lower.count - skipped);
            if (slope >= low && slope <= high)
                (*slopes)[rank] = slope;
            else
                open.emplace_back(rank, slope);
        }
        slopesAround(open, slopes);
    }

    // Draws pairs from the stretch, takes trial slopes among them just below and above
    // each rank's expected place, and splits the stretch at them.
    void narrow(const Stretch &stretch, std::vector<Stretch> *stretches,
                std::map<qint64, double> *slopes)
    {
        const qint64 count = stretch.upper.count - stretch.lower.count;
        const int drawn = int(std::min<qint64>(m_samples, count));
        // Sorted uniform draws from the pair numbers: the running sums of exponential
        // spacings, scaled.
        std::exponential_distribution<double> spacing;
        std::vector<double> sums(static_cast<size_t>(drawn) + 1);
        double sum = 0;
        for (double &value : sums)
            value = sum += spacing(m_random);
        std::vector<qint64> wanted(static_cast<size_t>(drawn));
        for (size_t k = 0; k < wanted.size(); ++k)
            wanted[k] = std::min(count - 1, qint64(double(count) * sums[k] / sum));
        struct Drawn
        {
            double slope;
            int from;
            int to;
        };
        std::vector<Drawn> sample;
        sample.reserve(wanted.size());
        visitPairsBetween(m_points, *stretch.lower.order, *stretch.upper.order, &wanted,
                          [&](const Walked &a, const Walked &b) {
                              sample.push_back({slopeOf(a, b), a.point, b.point});
                          });
        m_progress.pass();

        // A rank's place among the drawn pairs is known to within about sqrt(drawn)/2;
        // three times that either side keeps it between the two trial slopes.
        const double margin = 1.5 * std::sqrt(double(drawn));
        std::vector<std::pair<double, double>> spans;
        for (qint64 rank : stretch.ranks) {
            const double place = (double(rank - stretch.lower.count) + 0.5) * drawn / double(count);
            spans.emplace_back(std::floor(place - margin), std::ceil(place + margin));
        }
        std::sort(spans.begin(), spans.end());
        std::vector<int> places;
        std::vector<int> lowPlaces; // expected to bound ranks from below
        std::vector<int> highPlaces; // and from above
        for (size_t k = 0; k < spans.size();) {
            double low = spans[k].first;
            double high = spans[k].second;
            for (++k; k < spans.size() && spans[k].first <= high; ++k)
                high = std::max(high, spans[k].second);
            if (low >= 0) {
                places.push_back(int(low));
                lowPlaces.push_back(int(low));
            }
            if (high < drawn) {
                places.push_back(int(high));
                highPlaces.push_back(int(high));
            }
        }

        // Only the drawn pairs at these places need to be where sorting would put them.
        std::sort(places.begin(), places.end());
        places.erase(std::unique(places.begin(), places.end()), places.end());
        placeOrderStatistics(sample.begin(), sample.begin(), sample.end(), places.data(),
                             places.data() + places.size(),
                             [](const Drawn &a, const Drawn &b) { return a.slope < b.slope; });
        std::vector<Pivot> pivots;
        for (int place : places) {
            const Drawn &pair = sample[size_t(place)];
            const Threshold threshold = Threshold::atPair(pair.from, pair.to);
            pivots.push_back({pair.from, pair.to, ordersAt(m_points, threshold, m_progress)});
            const auto among = [place](const std::vector<int> &list) {
                return std::find(list.begin(), list.end(), place) != list.end();
            };
            const bool low = among(lowPlaces);
            const bool high = among(highPlaces);
            if (!low)
                pivots.back().orders.atOrBelow.reset();
            if (!high)
                pivots.back().orders.below.reset();
        }
        std::sort(pivots.begin(), pivots.end(), [](const Pivot &a, const Pivot &b) {
            return a.orders.countBelow < b.orders.countBelow;
        });

        std::map<std::pair<int, int>, Stretch> parts; // by the pivots that bound them
        std::vector<std::pair<qint64, double>> open;
        for (qint64 rank : stretch.ranks) {
            int lower = -1;
            int upper = int(pivots.size());
            bool found = false;
            for (int k = 0; k < int(pivots.size()); ++k) {
                const OrdersAt &orders = pivots[size_t(k)].orders;
                if (orders.countAtOrBelow <= rank)
                    lower = k;
                else if (orders.countBelow <= rank) {
                    // The rank falls among the pairs with exactly the pivot's slope.
                    const Pivot &pivot = pivots[size_t(k)];
                    const double slope = m_points.slope(pivot.from, pivot.to);
                    if (computesExactly(pivot.from, pivot.to))
                        (*slopes)[rank] = slope;
                    else
                        open.emplace_back(rank, slope);
                    found = true;
                    break;
                } else {
                    upper = std::min(upper, k);
                }
            }
            if (found)
                continue;
            Stretch &part = parts[{lower, upper}];
            if (part.ranks.empty()) {
                part.lower = lower < 0 ? stretch.lower : lowerEnd(pivots[size_t(lower)]);
                part.upper = upper == int(pivots.size()) ? stretch.upper
                                                         : upperEnd(pivots[size_t(upper)]);
            }
            part.ranks.push_back(rank);
        }
        for (auto &part : parts)
            stretches->push_back(std::move(part.second));
        slopesAround(open, slopes);
    }

    // The computed slopes of ranks, each known to lie within a few roundings of a given
    // value: lists the pairs whose exact slopes are close to those values, counting those
    // below, and takes the ranks among their computed slopes. Values far apart are taken
    // in turn. Widens the window when a check fails, up to every pair.
    void slopesAround(std::vector<std::pair<qint64, double>> wanted,
                      std::map<qint64, double> *slopes)
    {
        std::sort(wanted.begin(), wanted.end(), [](const auto &a, const auto &b) {
            return a.second < b.second;
        });
        for (size_t begin = 0, end = 0; begin < wanted.size(); begin = end) {
            const auto near = [&](size_t k) {
                return wanted[k].second <= raised(raised(wanted[k - 1].second));
            };
            for (end = begin + 1; end < wanted.size() && near(end);)
                ++end;
            slopesAround(wanted.begin() + std::ptrdiff_t(begin),
                         wanted.begin() + std::ptrdiff_t(end), slopes);
        }
    }

    template <typename Iterator>
    void slopesAround(Iterator begin, Iterator end, std::map<qint64, double> *slopes)
    {
        const double lowest = begin->second;
        const double highest = (end - 1)->second;
        for (double width = 32 * roundoff;; width *= 16) {
            const bool everything = width > 1;
            const auto reach = [width](double near) {
                return width * std::fabs(near) + subnormalSlack * (width / roundoff);
            };
            End lower;
            End upper;
            if (everything || lowest == -infinity) {
                const OrdersAt bottom = ordersAtInfinity(m_points, false, m_finitePairs);
                lower = {bottom.below, 0, -infinity};
            } else {
                const double low =
                    lowest == infinity ? largestDouble * (1 - width) : lowest - reach(lowest);
                const OrdersAt orders = ordersAt(m_points, Threshold::atValue(low), m_progress);
                lower = {orders.below, orders.countBelow, m_exact ? low : raised(low)};
            }
            if (everything || highest == infinity) {
                const OrdersAt top = ordersAtInfinity(m_points, true, m_finitePairs);
                upper = {top.atOrBelow, m_finitePairs, infinity};
            } else {
                const double high =
                    highest == -infinity ? -largestDouble * (1 - width) : highest + reach(highest);
                const OrdersAt orders = ordersAt(m_points, Threshold::atValue(high), m_progress);
                upper = {orders.atOrBelow, orders.countAtOrBelow, m_exact ? high : lowered(high)};
            }
            if (std::any_of(begin, end, [&](const auto &wanted) {
                    return wanted.first < lower.count || wanted.first >= upper.count;
                }))
                continue;
            SlopeTally tally(m_listLimit);
            visitPairsBetween(m_points, *lower.order, *upper.order, nullptr,
                              [&](const Walked &a, const Walked &b) {
                tally.add(slopeOf(a, b));
                m_progress.tick();
            });
            m_progress.pass();
            std::vector<double> found;
            for (Iterator wanted = begin; wanted != end; ++wanted)
                found.push_back(tally.select(wanted->first - lower.count));
            if (everything || std::all_of(found.begin(), found.end(), [&](double slope) {
                    return slope >= lower.slopeLimit && slope <= upper.slopeLimit;
                })) {
                for (Iterator wanted = begin; wanted != end; ++wanted)
                    (*slopes)[wanted->first] = found[size_t(wanted - begin)];
                return;
            }
        }
    }

    const Points &m_points;
    qint64 m_finitePairs;
    bool m_exact;
    double m_rangeOfX;
    double m_smallestGapOfX = infinity;
    Progress &m_progress;
    size_t m_listLimit;
    int m_samples;
    std::mt19937_64 m_random{0x5eed5109e};
};

// A point for the shift's count: its S = x + y exactly, and its readings.
struct Summed
{
    TwoSum sum;
    double x;
    double y;

    double magnitude() const { return std::fabs(x) + std::fabs(y); }
};

// What the pairs within one cluster (see minusOneShift; points in the order of S) add to
// the shift beyond 2 for each pair whose S falls as x rises, which is counted already.
qint64 clusterShift(const Summed *begin, const Summed *end, Progress &progress)
{
    const TwoSum &first = begin->sum;
    const TwoSum &last = (end - 1)->sum;
    double smallest = infinity;
    for (const Summed *point = begin; point != end; ++point)
        smallest = std::min(smallest, point->magnitude());
    bool everyPairNearMinusOne = first == last;
    if (!everyPairNearMinusOne && smallest >= 0x1p-900) {
        const double span = ((last.rounded - first.rounded) + std::fabs(last.error)
                             + std::fabs(first.error))
                          * (1 + 4 * roundoff);
        everyPairNearMinusOne = span <= 12 * roundoff * smallest * (1 - 4 * roundoff);
    }
    const qint64 size = end - begin;
    if (everyPairNearMinusOne) {
        // Each pair of different x counts 1. S rises along the cluster, so the pairs whose
        // S falls as x rises are the reversals of x.
        std::vector<double> xs;
        for (const Summed *point = begin; point != end; ++point)
            xs.push_back(point->x);
        const qint64 falling = sortCountingInversions(xs, std::less<double>());
        qint64 equalX = 0;
        for (size_t from = 0, to = 0; from < xs.size(); from = to) {
            for (to = from + 1; to < xs.size() && xs[to] == xs[from];)
                ++to;
            equalX += pairsAmong(qint64(to - from));
        }
        return pairsAmong(size) - equalX - 2 * falling;
    }

    // One by one, as the direct computation tests them; identical points (adjacent here)
    // once, with their number.
    std::vector<std::pair<const Summed *, qint64>> distinct;
    for (const Summed *point = begin; point != end; ++point) {
        if (!distinct.empty() && distinct.back().first->x == point->x
            && distinct.back().first->y == point->y)
            ++distinct.back().second;
        else
            distinct.emplace_back(point, 1);
    }
    constexpr double epsilon = std::numeric_limits<double>::epsilon();
    qint64 shift = 0;
    for (size_t a = 0; a < distinct.size(); ++a) {
        const Summed &i = *distinct[a].first;
        for (size_t b = a + 1; b < distinct.size(); ++b) {
            const Summed &j = *distinct[b].first;
            if (i.x == j.x)
                continue;
            const qint64 pairs = distinct[a].second * distinct[b].second;
            const double dx = j.x - i.x;
            const double dy = j.y - i.y;
            const double rounding = 4 * epsilon * (std::fabs(i.x) + std::fabs(i.y))
                                  + 4 * epsilon * (std::fabs(j.x) + std::fabs(j.y));
            const bool minusOne = std::fabs(dy + dx) <= rounding;
            shift += pairs * (minusOne ? 1 : dy / dx < -1 ? 2 : 0);
            if (i.sum < j.sum && j.x < i.x)
                shift -= 2 * pairs;
            progress.tick();
        }
    }
    return shift;
}

// The shift's count for tau >= 0, or for tau < 0 with x negated: 2 for each pair whose
// computed slope is below -1 and 1 for each pair whose slope is -1 up to rounding, the test
// being |dy + dx| <= 4 eps (|x_i| + |y_i| + |x_j| + |y_j|) on the computed differences.
//
// With S = x + y exact, a pair's slope is -1 exactly when S is equal, and below -1 when S
// falls as x rises. The rounding test can only hold for pairs whose S differ by less than
// 9.1 roundings of their magnitudes m = |x| + |y|, and it surely holds below 7. So: count the
// pairs whose S falls as x rises, then go through clusters of points whose S are that
// close; pairs in different clusters are neither -1 nor near it. In a cluster whose S span
// less than 6 roundings of the smallest m, every pair passes the test and counts 1 instead
// of 2 or 0; in any other cluster the pairs are tested one by one, as computed.
qint64 minusOneShift(const Points &points, bool negated, Progress &progress)
{
    const int n = points.size();
    // In the order of x and then y (of -x and then y, when negated), S rises within each
    // group of equal x; the pairs whose S falls as x rises are the reversals of S.
    const std::vector<int> order = *ordersAtInfinity(points, negated, 0).below;
    std::vector<Summed> summed(static_cast<size_t>(n));
    for (int k = 0; k < n; ++k) {
        const int i = order[size_t(k)];
        const double x = negated ? -points.x[size_t(i)] : points.x[size_t(i)];
        const double y = points.y[size_t(i)];
        summed[size_t(k)] = {twoSum(x, y), x, y};
    }
    std::vector<TwoSum> sums(static_cast<size_t>(n));
    for (int k = 0; k < n; ++k)
        sums[size_t(k)] = summed[size_t(k)].sum;
    const qint64 falling =
        sortCountingInversions(sums, [](const TwoSum &a, const TwoSum &b) { return a < b; });
    progress.pass();

    // Clusters: runs in the order of S that no pair straddles with S closer than 16
    // roundings of its magnitudes.
    std::sort(summed.begin(), summed.end(), [](const Summed &a, const Summed &b) {
        if (a.sum < b.sum || b.sum < a.sum)
            return a.sum < b.sum;
        return a.x < b.x || (a.x == b.x && a.y < b.y);
    });
    const auto reach = [](const Summed &point) {
        return 16 * roundoff * point.magnitude() + subnormalSlack;
    };
    std::vector<double> lowestStart(static_cast<size_t>(n + 1), infinity);
    for (int k = n - 1; k >= 0; --k)
        lowestStart[size_t(k)] = std::min(lowestStart[size_t(k + 1)],
                                          summed[size_t(k)].sum.rounded - reach(summed[size_t(k)]));
    qint64 shift = 2 * falling;
    double highestEnd = -infinity;
    int begin = 0;
    for (int k = 0; k < n; ++k) {
        highestEnd = std::max(highestEnd, summed[size_t(k)].sum.rounded + reach(summed[size_t(k)]));
        if (k + 1 < n && highestEnd >= lowestStart[size_t(k + 1)])
            continue;
        if (k > begin)
            shift += clusterShift(summed.data() + begin, summed.data() + k + 1, progress);
        begin = k + 1;
        highestEnd = -infinity;
    }
    progress.pass();
    return shift;
}

// The median, the mean of the two middle values for an even count; NaN for no values.
double median(std::vector<double> values)
{
    const auto n = std::ptrdiff_t(values.size());
    if (n == 0)
        return std::numeric_limits<double>::quiet_NaN();
    std::nth_element(values.begin(), values.begin() + n / 2, values.end());
    const double upper = values[size_t(n / 2)];
    if (n % 2 != 0)
        return 0.5 * upper + 0.5 * upper;
    const double lower = *std::max_element(values.begin(), values.begin() + n / 2);
    return 0.5 * lower + 0.5 * upper;
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

// Sum of count(count - 1)/2 over the runs of equal values in a sorted sequence.
template <typename Equal>
qint64 pairsInRuns(int n, Equal equal)
{
    qint64 pairs = 0;
    for (int begin = 0, end = 0; begin < n; begin = end) {
        for (end = begin + 1; end < n && equal(begin, end);)
            ++end;
        pairs += pairsAmong(end - begin);
    }
    return pairs;
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
// A slope of -1 or 1 up to the rounding of the four readings counts as exactly that:
// readings given in decimals are not exact in binary, so a pair whose decimal slope is -1
// can compute to -0.9999999999999996, and the shift must not hang on that.
PassingBablokFit passingBablokFit(const QVector<double> &x, const QVector<double> &y, double z,
                                  const ProgressCallback &callback)
{
    const qint64 n = x.size();
    const Points points = sortedPoints(x, y);
    const auto sameX = [&](int a, int b) { return points.x[size_t(a)] == points.x[size_t(b)]; };
    const qint64 equalX = pairsInRuns(int(n), sameX);
    const qint64 identical = pairsInRuns(int(n), [&](int a, int b) {
        return sameX(a, b) && points.y[size_t(a)] == points.y[size_t(b)];
    });
    // Kendall's pairs: with x_a < x_b, y_a > y_b are the reversals of y in the order of x, y.
    qint64 discordant = 0;
    qint64 equalY = 0;
    {
        std::vector<double> ys = points.y;
        discordant = sortCountingInversions(ys, std::less<double>());
        equalY = pairsInRuns(int(n), [&](int a, int b) { return ys[size_t(a)] == ys[size_t(b)]; });
    }
    const qint64 count = pairsAmong(n) - equalX; // finite slopes
    const qint64 vertical = equalX - identical;
    const qint64 concordant = count - discordant - (equalY - identical);
    const bool positive = concordant >= discordant;
    const qint64 slopes = count + vertical;
    // Past 2N + 2 every limit is already infinite; the bound keeps the cast defined.
    const double spread =
        std::round(z * std::sqrt(double(n) * double(n - 1) * double(2 * n + 5) / 18));
    const qint64 c = qint64(std::min(spread, double(2 * slopes + 2)));

    PassingBablokFit fit;
    Progress progress(callback, 2 + SlopeSelection::expectedPasses(int(n), count));
    try {
        const qint64 shift = positive ? minusOneShift(points, false, progress)
                         : -minusOneShift(points, true, progress);

        // Rank r (from 1) of all N sorted slopes is rank r - bottom - 1 (from 0) of the
        // finite ones, where `bottom` counts the -inf slopes below them; ranks past either
        // end are infinite.
        const qint64 bottom = positive ? 0 : vertical;
        const auto middleRanks = [](qint64 m) {
            return m % 2 != 0 ? std::make_pair((m + 1) / 2, (m + 1) / 2)
                              : std::make_pair(m / 2, m / 2 + 1);
        };
        const qint64 lengths[] = {slopes + shift, slopes - c + shift, slopes + c + shift};
        std::vector<qint64> wanted;
        for (qint64 m : lengths) {
            if (m <= 0)
                continue;
            for (qint64 rank : {middleRanks(m).first, middleRanks(m).second}) {
                const qint64 index = rank - bottom - 1;
                if (index >= 0 && index < count)
                    wanted.push_back(index);
            }
        }
        std::sort(wanted.begin(), wanted.end());
        wanted.erase(std::unique(wanted.begin(), wanted.end()), wanted.end());
        SlopeSelection selection(points, count, progress);
        const std::map<qint64, double> selected = selection.select(wanted);

        const auto atRank = [&](qint64 rank) {
            const qint64 index = rank - bottom - 1;
            return index < 0 ? -infinity : index >= count ? infinity : selected.at(index);
        };
        const auto shiftedMedian = [&](qint64 m) {
            if (m <= 0)
                return -infinity;
            const auto ranks = middleRanks(m);
            return 0.5 * atRank(ranks.first) + 0.5 * atRank(ranks.second);
        };
        fit.line.slope = shiftedMedian(lengths[0]);
        fit.slopeLower = shiftedMedian(lengths[1]);
        fit.slopeUpper = shiftedMedian(lengths[2]);
    } catch (const Stopped &) {
        constexpr double notAvailable = std::numeric_limits<double>::quiet_NaN();
        fit.slopeLower = fit.slopeUpper = fit.interceptLower = fit.interceptUpper = notAvailable;
        fit.stopped = true;
        return fit;
    }
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
// for b = 0. H = max |cusum| / sqrt(L + 1). One sort: O(n log n).
double cusumStatistic(const QVector<double> &x, const QVector<double> &y, const Line &line)
{
    const int n = x.size();
    const double a = line.intercept;
    const double b = line.slope;
    // A residual within rounding of 0 puts the point on the line: an exact line computed
    // in floating point leaves residuals of a few units in the last place.
    constexpr double rounding = 1e-12;
    // Each point's place along the line and its side of it.
    std::vector<std::pair<double, int>> points(static_cast<size_t>(n));
    qint64 above = 0;
    qint64 below = 0;
    for (int i = 0; i < n; ++i) {
        const double residual = y[i] - a - b * x[i];
        const double tolerance = rounding * (std::fabs(y[i]) + std::fabs(a) + std::fabs(b * x[i]));
        const int side = residual > tolerance ? 1 : residual < -tolerance ? -1 : 0;
        above += side > 0;
        below += side < 0;
        points[size_t(i)] = {x[i] + b * y[i], side};
    }
    const bool bothSides = above > 0 && below > 0;
    const double aboveScore = bothSides ? std::sqrt(double(below) / double(above)) : 0;
    const double belowScore = bothSides ? -std::sqrt(double(above) / double(below)) : 0;
    std::sort(points.begin(), points.end(),
              [](const std::pair<double, int> &p, const std::pair<double, int> &q) {
                  return p.first < q.first;
              });

    // Points at the same place along the line enter the sum together, so that the order
    // of the rows in the file cannot change H.
    double cusum = 0;
    double largest = 0;
    for (size_t k = 0; k < points.size();) {
        const double place = points[k].first;
        for (; k < points.size() && points[k].first == place; ++k) {
            const int s = points[k].second;
            cusum += s > 0 ? aboveScore : s < 0 ? belowScore : 0;
        }
        largest = std::max(largest, std::fabs(cusum));
    }
    return largest / std::sqrt(double(below) + 1);
}

} // namespace stats
