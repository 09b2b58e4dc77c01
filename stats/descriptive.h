#ifndef CONCORDA_STATS_DESCRIPTIVE_H
#define CONCORDA_STATS_DESCRIPTIVE_H

#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVector>

// The mean and the standard deviation of single variables, each with a two-sided
// confidence interval, and the HTML document that shows them. QtCore and Boost only.
namespace stats {

// An estimate with the two ends of its confidence interval.
struct Interval
{
    double estimate = 0;
    double lower = 0;
    double upper = 0;
};

// The arithmetic mean with the interval from Student's t distribution with n - 1 degrees
// of freedom: mean -/+ t(1 - (1 - level)/2, n - 1) * s / sqrt(n), s with divisor n - 1.
// With fewer than 2 values the ends are NaN (and the mean of no value is NaN too).
Interval meanInterval(const QVector<double> &values, double level = 0.95);

// The standard deviation with divisor n - 1 and the interval from the chi-squared
// distribution of (n - 1) s^2 / sigma^2 with n - 1 degrees of freedom:
// s * sqrt((n - 1) / chi2(1 - (1 - level)/2)) to s * sqrt((n - 1) / chi2((1 - level)/2)).
// With fewer than 2 values the estimate and the ends are NaN.
Interval standardDeviationInterval(const QVector<double> &values, double level = 0.95);

// One variable's figures from its cell vector: a double where a cell reads as a number,
// an invalid variant where it does not (empty or text), which is skipped and counted.
struct DescriptiveFigures
{
    qint64 n = 0;       // cells that read as numbers
    qint64 skipped = 0; // cells that do not
    Interval mean;
    Interval standardDeviation;
};

DescriptiveFigures descriptiveFigures(const QVector<QVariant> &cells);

enum class Descriptive { Mean, StandardDeviation };

// The HTML report of one statistic, one row per variable: names[i] names columns[i].
// Names are HTML-escaped; figures are printed with six significant digits.
QString descriptiveDocument(Descriptive statistic, const QStringList &names,
                            const QVector<QVector<QVariant>> &columns);

} // namespace stats

#endif
