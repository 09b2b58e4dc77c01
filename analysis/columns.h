#ifndef CONCORDA_ANALYSIS_COLUMNS_H
#define CONCORDA_ANALYSIS_COLUMNS_H

#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVector>

#include <functional>

namespace analysis {

// The values of one variable, looked up by name: one cell per subject, a double where the
// cell reads as a number and an invalid variant where it does not.
using ColumnReader = std::function<QVector<QVariant>(const QString &name)>;

// The cell texts of one variable, looked up by name, one per row as ColumnReader gives
// them: for a column of subject identifiers, which may be any text.
using TextReader = std::function<QStringList(const QString &name)>;

} // namespace analysis

#endif
