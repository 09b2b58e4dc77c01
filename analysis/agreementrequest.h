#ifndef CONCORDA_ANALYSIS_AGREEMENTREQUEST_H
#define CONCORDA_ANALYSIS_AGREEMENTREQUEST_H

#include "agreementreport.h"
#include "columns.h"

#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVector>

class QWidget;

namespace analysis {

// The agreement report as the desktop program makes it: the document of
// stats::agreementDocument, also placed on the system clipboard as HTML. A library error
// ends it without a document and leaves the clipboard alone; the error passes through.
QString agreementReport(QVector<QVector<QVariant>> others, QVector<QVariant> gold,
                        QStringList names, double tdiAllowance, double cpAllowance,
                        double alpha, bool proportional, bool random, bool sample);
QString agreementReport(const QVector<QVector<QVariant>> &others, const QVector<QVariant> &gold,
                        const QStringList &names, const stats::AgreementOptions &options,
                        int *failedColumn = nullptr);

// The road from the menu command to the finished report, for a data set whose variables
// are `variables`: runs the agreement dialog (a child of `parent`), reads the chosen
// columns through `readColumn` and returns the report, or an empty string when the dialog
// is cancelled or a list is left empty. A library error is told to the user in a message
// naming the variable and the cause, and gives an empty string too.
QString requestAgreement(QWidget *parent, const QStringList &variables,
                         const ColumnReader &readColumn);

} // namespace analysis

#endif
