#ifndef CONCORDA_ANALYSIS_BLANDALTMANREQUEST_H
#define CONCORDA_ANALYSIS_BLANDALTMANREQUEST_H

#include "agreementrequest.h"
#include "blandaltman.h"
#include "report.h"

#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVector>

class QWidget;

namespace analysis {

// The Bland–Altman report of the chosen columns, without any dialog: the figures of every
// compared variable (names[i] naming others[i]), the document with each variable's plot in
// it, and the plots. When a compared variable cannot be analysed, *problem names it and the
// cause, and the report is empty.
Report blandAltmanReport(const QString &referenceName, const QVector<QVariant> &gold,
                         const QStringList &names, const QVector<QVector<QVariant>> &others,
                         const stats::BlandAltmanOptions &options, QString *problem);

// The road from the menu command to the finished report: runs the Bland–Altman dialog (a
// child of `parent`) on `variables`, reads the chosen columns through `readColumn`, builds
// the report and places it on the clipboard. Returns an empty report when the dialog is
// cancelled, and after telling the user why when a variable cannot be analysed.
Report requestBlandAltman(QWidget *parent, const QStringList &variables,
                          const ColumnReader &readColumn);

} // namespace analysis

#endif
