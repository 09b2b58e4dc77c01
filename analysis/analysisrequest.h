#ifndef CONCORDA_ANALYSIS_ANALYSISREQUEST_H
#define CONCORDA_ANALYSIS_ANALYSISREQUEST_H

#include "analysis.h"
#include "columns.h"
#include "report.h"

#include <QStringList>

class QWidget;

namespace analysis {

// The report of a run without any dialog: the checks and the analysis (messages worded for
// the dialog's user), then the document with each plot drawn into it. On a problem, an
// empty report and *problem says why.
Report analysisReport(const stats::Analysis &analysis, const stats::AnalysisInput &input,
                      stats::Problem *problem);

// The road from a menu command to a finished report, the same for every analysis: the
// analysis's dialog on `variables`; unless it is cancelled, the chosen columns read
// through the readers; the run; a problem told to the user in a message; a finished report
// placed on the clipboard. Returns an empty report when there is nothing to show. The
// agreement goes its own road (requestAgreement), with the dialog it has always had.
Report requestAnalysis(QWidget *parent, const stats::Analysis &analysis,
                       const QStringList &variables, const ColumnReader &readColumn,
                       const TextReader &readTexts);

} // namespace analysis

#endif
