#ifndef CONCORDA_ANALYSIS_DESCRIPTIVEREQUEST_H
#define CONCORDA_ANALYSIS_DESCRIPTIVEREQUEST_H

#include "descriptive.h"

#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVector>

namespace analysis {

// The mean or standard deviation report of the given variables, names[i] naming
// columns[i] (a double where a cell reads as a number, an invalid variant where it does
// not), also placed on the system clipboard as HTML. The columns come by position, not
// by name, so two columns of the same name each give their own figures.
QString descriptiveReport(stats::Descriptive statistic, const QStringList &names,
                          const QVector<QVector<QVariant>> &columns);

} // namespace analysis

#endif
