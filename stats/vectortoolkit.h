#ifndef CONCORDA_STATS_VECTORTOOLKIT_H
#define CONCORDA_STATS_VECTORTOOLKIT_H

#include <QVector>

class QVariant;

// Moments, element-wise arithmetic and column preparation on numeric vectors.
//
// Every function is stateless and leaves the caller's vectors untouched. Vector results
// are built in the function's own copy of the (first) vector operand, which is taken by
// value: passing a temporary, as in divide(add(s, v), t), reuses its buffer. Numeric
// trouble (empty input, division by zero, logarithm of zero) is not reported: NaN and
// infinities flow on as IEEE arithmetic produces them. Only normalDensity and nonCentralChiSquaredCdf throw,
// with the Boost.Math errors of the distribution they evaluate.
//
// Two-vector operations are meant for vectors of equal length. They run over the
// length of the first operand; an element that the second operand lacks reads as
// NaN, so a length mismatch shows up as NaN instead of a read past the end.
namespace stats {

// Moments.
double sum(const QVector<double> &v);
double mean(const QVector<double> &v);
double variance(const QVector<double> &v, bool sample = false);
double standardDeviation(const QVector<double> &v, bool sample = false);
double covariance(const QVector<double> &x, const QVector<double> &y, bool sample = false);

// Element-wise arithmetic. The names avoid operator+, which QVector already
// defines as concatenation.
QVector<double> add(QVector<double> v, double s);
QVector<double> add(double s, QVector<double> v);
QVector<double> add(QVector<double> a, const QVector<double> &b);
QVector<double> subtract(QVector<double> v, double s);
QVector<double> subtract(double s, QVector<double> v);
QVector<double> subtract(QVector<double> a, const QVector<double> &b);
QVector<double> multiply(QVector<double> v, double s);
QVector<double> multiply(double s, QVector<double> v);
QVector<double> multiply(QVector<double> a, const QVector<double> &b);
QVector<double> divide(QVector<double> v, double s);
QVector<double> divide(double s, QVector<double> v);
QVector<double> divide(QVector<double> a, const QVector<double> &b);

// Element-wise functions.
QVector<double> power(QVector<double> v, int k);
QVector<double> logarithm(QVector<double> v);
QVector<double> negate(QVector<double> v);
QVector<double> normalDensity(QVector<double> v);
QVector<double> nonCentralChiSquaredCdf(double x, int degreesOfFreedom,
                                        QVector<double> nonCentrality);

// Column preparation: turning two table columns into two numeric vectors.
void dropIncompletePairs(QVector<QVariant> &a, QVector<QVariant> &b);
QVector<double> toNumbers(const QVector<QVariant> &cells);

} // namespace stats

#endif
