#ifndef CONCORDA_ANALYSIS_REGRESSIONREQUEST_H
#define CONCORDA_ANALYSIS_REGRESSIONREQUEST_H

#include "agreementrequest.h"
#include "regression.h"
#include "report.h"

#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVector>

class QWidget;

namespace analysis {

// The regression report of the chosen columns, without any dialog: the figures of every
// compared variable (names[i] naming others[i]), the document with each variable's scatter
// plot in it, and the plots. When a compared variable cannot be analysed, *problem names it
// and the cause, and the report is empty.
Report regressionReport(const QString &referenceName, const QVector<QVariant> &gold,
                        const QStringList &names, const QVector<QVector<QVariant>> &others,
                        const stats::RegressionOptions &options, bool equalScales,
                        QString *problem);

// The road from the menu command to the finished report, as requestBlandAltman goes it, with
// the regression dialog.
Report requestRegression(QWidget *parent, const QStringList &variables,
                         const ColumnReader &readColumn);

} // namespace analysis

#endif
