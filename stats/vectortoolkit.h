#ifndef CONCORDA_STATS_VECTORTOOLKIT_H
#define CONCORDA_STATS_VECTORTOOLKIT_H

#include <QVector>

class QVariant;

// Moments, element-wise arithmetic and column preparation on numeric vectors.
//
// Every function is stateless, leaves its operands untouched and returns a new
// vector where the result is a vector. Numeric trouble (empty input, division by
// zero, logarithm of zero) is not reported: NaN and infinities flow on as IEEE
// arithmetic produces them. Only normalDensity and nonCentralChiSquaredCdf throw,
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
QVector<double> add(const QVector<double> &v, double s);
QVector<double> add(double s, const QVector<double> &v);
QVector<double> add(const QVector<double> &a, const QVector<double> &b);
QVector<double> subtract(const QVector<double> &v, double s);
QVector<double> subtract(double s, const QVector<double> &v);
QVector<double> subtract(const QVector<double> &a, const QVector<double> &b);
QVector<double> multiply(const QVector<double> &v, double s);
QVector<double> multiply(double s, const QVector<double> &v);
QVector<double> multiply(const QVector<double> &a, const QVector<double> &b);
QVector<double> divide(const QVector<double> &v, double s);
QVector<double> divide(double s, const QVector<double> &v);
QVector<double> divide(const QVector<double> &a, const QVector<double> &b);

// Element-wise functions.
QVector<double> power(const QVector<double> &v, int k);
QVector<double> logarithm(const QVector<double> &v);
QVector<double> negate(const QVector<double> &v);
QVector<double> normalDensity(const QVector<double> &v);
QVector<double> nonCentralChiSquaredCdf(double x, int degreesOfFreedom,
                                        const QVector<double> &nonCentrality);

// Column preparation: turning two table columns into two numeric vectors.
void dropIncompletePairs(QVector<QVariant> &a, QVector<QVariant> &b);
QVector<double> toNumbers(const QVector<QVariant> &cells);

} // namespace stats

#endif
