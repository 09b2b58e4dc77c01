#include "completepairs.h"

#include <limits>

namespace stats {

CompletePairs completePairs(const QVector<QVariant> &reference, const QVector<QVariant> &compared)
{
    const int rows = qMin(reference.size(), compared.size());
    CompletePairs pairs;
    pairs.x.resize(rows);
    pairs.y.resize(rows);
    double *xs = pairs.x.data();
    double *ys = pairs.y.data();
    int kept = 0;
    for (int row = 0; row < rows; ++row) {
        const QVariant &x = reference.at(row);
        const QVariant &y = compared.at(row);
        if (x.isValid() && y.isValid()) {
            xs[kept] = x.toDouble();
            ys[kept] = y.toDouble();
            ++kept;
        }
    }
    pairs.x.resize(kept);
    pairs.y.resize(kept);
    return pairs;
}

QVector<double> columnReadings(const QVector<QVariant> &cells, int rows)
{
    QVector<double> readings(rows, std::numeric_limits<double>::quiet_NaN());
    for (int row = 0; row < rows && row < cells.size(); ++row) {
        if (cells.at(row).isValid())
            readings[row] = cells.at(row).toDouble();
    }
    return readings;
}

} // namespace stats
