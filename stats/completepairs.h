#ifndef CONCORDA_STATS_COMPLETEPAIRS_H
#define CONCORDA_STATS_COMPLETEPAIRS_H

#include <QVariant>
#include <QVector>

namespace stats {

// The readings of a compared column and the reference where both have one.
struct CompletePairs
{
    QVector<double> x; // the reference
    QVector<double> y; // the compared method
};

// The rows where both cells hold a value (a double variant; an invalid one is a missing
// value), in row order, read with QVariant::toDouble. Rows beyond the end of the shorter
// column have no partner. The cells are only read, so a column shared with the caller is
// never copied. Every analysis pairs its columns here.
CompletePairs completePairs(const QVector<QVariant> &reference, const QVector<QVariant> &compared);

// The readings of one column, row by row, for `rows` rows: NaN for a missing value and for
// the rows beyond the column's end. For analyses that group rows rather than pair them.
QVector<double> columnReadings(const QVector<QVariant> &cells, int rows);

} // namespace stats

#endif
