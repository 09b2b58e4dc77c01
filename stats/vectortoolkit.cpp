#include "vectortoolkit.h"

#include "pairquantities.h"

#include <QVariant>

#include <boost/math/distributions/non_central_chi_squared.hpp>
#include <boost/math/distributions/normal.hpp>

#include <cmath>
#include <limits>
#include <utility>

namespace stats {

namespace {

constexpr double notANumber = std::numeric_limits<double>::quiet_NaN();

// Applies f to every element of v in place. v is a private copy: an operand shared with
// the caller is detached before the first write, and a temporary lends its buffer, so
// chained operations do not allocate a new vector at every step.
template<typename Function>
QVector<double> mapped(QVector<double> v, Function f)
{
    const int n = v.size();
    double *values = v.data();
    for (int i = 0; i < n; ++i)
        values[i] = f(values[i]);
    return v;
}

// Applies f pairwise over the length of a, in place in a's private copy; elements
// missing from b read as NaN.
template<typename Function>
QVector<double> zipped(QVector<double> a, const QVector<double> &b, Function f)
{
    const int n = a.size();
    const int common = qMin(n, b.size());
    double *values = a.data();
    const double *right = b.constData();
    for (int i = 0; i < common; ++i)
        values[i] = f(values[i], right[i]);
    for (int i = common; i < n; ++i)
        values[i] = f(values[i], notANumber);
    return a;
}

// The divisor of a second moment: n - 1 for the sample estimate, n otherwise.
double momentDivisor(int n, bool sample)
{
    return sample ? double(n) - 1.0 : double(n);
}

} // namespace

// Sum, accumulated left to right in one accumulator.
double sum(const QVector<double> &v)
{
    double total = 0.0;
    for (double value : v)
        total += value;
    return total;
}

// Arithmetic mean; an empty vector gives 0/0.
double mean(const QVector<double> &v)
{
    return sum(v) / double(v.size());
}

// Variance in two passes around the recomputed mean, divisor n or n - 1.
double variance(const QVector<double> &v, bool sample)
{
    const double m = mean(v);
    double squares = 0.0;
    for (double value : v) {
        const double deviation = value - m;
        squares += deviation * deviation;
    }
    return squares / momentDivisor(v.size(), sample);
}

// Standard deviation: square root of the variance, NaN for a negative or NaN variance.
double standardDeviation(const QVector<double> &v, bool sample)
{
    return std::sqrt(variance(v, sample));
}

// Covariance; each mean over its own vector, the sum and the divisor over the length of x.
double covariance(const QVector<double> &x, const QVector<double> &y, bool sample)
{
    const int n = x.size();
    const int common = qMin(n, y.size());
    const double meanX = mean(x);
    const double meanY = mean(y);
    double products = 0.0;
    for (int i = 0; i < common; ++i)
        products += (x.at(i) - meanX) * (y.at(i) - meanY);
    if (common < n)
        products += notANumber;
    return products / momentDivisor(n, sample);
}

QVector<double> add(QVector<double> v, double s)
{
    return mapped(std::move(v), [s](double value) { return value + s; });
}

QVector<double> add(double s, QVector<double> v)
{
    return mapped(std::move(v), [s](double value) { return s + value; });
}

QVector<double> add(QVector<double> a, const QVector<double> &b)
{
    return zipped(std::move(a), b, [](double left, double right) { return left + right; });
}

QVector<double> subtract(QVector<double> v, double s)
{
    return mapped(std::move(v), [s](double value) { return value - s; });
}

QVector<double> subtract(double s, QVector<double> v)
{
    return mapped(std::move(v), [s](double value) { return s - value; });
}

QVector<double> subtract(QVector<double> a, const QVector<double> &b)
{
    return zipped(std::move(a), b, [](double left, double right) { return left - right; });
}

QVector<double> multiply(QVector<double> v, double s)
{
    return mapped(std::move(v), [s](double value) { return value * s; });
}

QVector<double> multiply(double s, QVector<double> v)
{
    return mapped(std::move(v), [s](double value) { return s * value; });
}

QVector<double> multiply(QVector<double> a, const QVector<double> &b)
{
    return zipped(std::move(a), b, [](double left, double right) { return left * right; });
}

QVector<double> divide(QVector<double> v, double s)
{
    return mapped(std::move(v), [s](double value) { return value / s; });
}

QVector<double> divide(double s, QVector<double> v)
{
    return mapped(std::move(v), [s](double value) { return s / value; });
}

QVector<double> divide(QVector<double> a, const QVector<double> &b)
{
    return zipped(std::move(a), b, [](double left, double right) { return left / right; });
}

// Integer power through the platform pow.
QVector<double> power(QVector<double> v, int k)
{
    const double exponent = k;
    return mapped(std::move(v), [exponent](double value) { return std::pow(value, exponent); });
}

// Natural logarithm through the platform log: 0 gives -inf, a negative value NaN.
QVector<double> logarithm(QVector<double> v)
{
    return mapped(std::move(v), [](double value) { return std::log(value); });
}

QVector<double> negate(QVector<double> v)
{
    return mapped(std::move(v), [](double value) { return -value; });
}

// Standard normal density from Boost.Math: an infinite element gives 0, NaN throws
// std::domain_error.
QVector<double> normalDensity(QVector<double> v)
{
    const boost::math::normal_distribution<> standardNormal(0.0, 1.0);
    return mapped(std::move(v), [&standardNormal](double value) {
        return boost::math::pdf(standardNormal, value);
    });
}

// Non-central chi-squared distribution function at x, one element per non-centrality.
// The distribution checks k and every non-centrality and throws std::domain_error for a
// value outside its domain; an empty non-centrality vector is never checked.
QVector<double> nonCentralChiSquaredCdf(double x, int degreesOfFreedom,
                                        QVector<double> nonCentrality)
{
    const double k = degreesOfFreedom;
    return mapped(std::move(nonCentrality), [x, k](double lambda) {
        if (k == 1.0)
            return chiSquaredOneCdf(x, lambda);
        return boost::math::cdf(boost::math::non_central_chi_squared_distribution<>(k, lambda), x);
    });
}

// Keeps the rows where both cells hold a value, in row order, in a single pass. Rows
// beyond the end of the shorter vector have no partner and are dropped as well.
void dropIncompletePairs(QVector<QVariant> &a, QVector<QVariant> &b)
{
    const int rows = qMin(a.size(), b.size());
    int kept = 0;
    for (int row = 0; row < rows; ++row) {
        if (!a.at(row).isValid() || !b.at(row).isValid())
            continue;
        // Copy rather than swap, so that passing one vector as both operands stays sound.
        if (kept != row) {
            a[kept] = a.at(row);
            b[kept] = b.at(row);
        }
        ++kept;
    }
    a.resize(kept);
    b.resize(kept);
}

// Converts every cell with QVariant::toDouble; a cell that does not convert gives 0.
QVector<double> toNumbers(const QVector<QVariant> &cells)
{
    QVector<double> numbers(cells.size());
    double *out = numbers.data();
    for (const QVariant &cell : cells)
        *out++ = cell.toDouble();
    return numbers;
}

} // namespace stats
