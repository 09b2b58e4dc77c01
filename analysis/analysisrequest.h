#ifndef CONCORDA_ANALYSIS_ANALYSISREQUEST_H
#define CONCORDA_ANALYSIS_ANALYSISREQUEST_H

#include "agreementrequest.h"
#include "report.h"

#include <QStringList>

#include <functional>

class AnalysisDialog;

namespace analysis {

// Builds an analysis's report of the chosen columns; on a problem with a compared variable
// it puts the message into *problem and returns an empty report.
using ReportBuilder = std::function<Report(const ChosenColumns &columns, QString *problem)>;

// The road from a menu command to a finished report for the analyses with an AnalysisDialog:
// runs the dialog on `variables`; unless it is cancelled, reads the chosen columns through
// `readColumn`, builds the report, tells the user of a problem in a message, and places a
// finished report on the clipboard. Returns an empty report when there is nothing to show.
Report runAnalysisDialog(AnalysisDialog &dialog, const QStringList &variables,
                         const ColumnReader &readColumn, const ReportBuilder &build);

} // namespace analysis

#endif
