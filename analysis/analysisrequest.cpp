#include "analysisrequest.h"

#include "analysisdialog.h"
#include "customdialog.h"

namespace analysis {

Report runAnalysisDialog(AnalysisDialog &dialog, const QStringList &variables,
                         const ColumnReader &readColumn, const ReportBuilder &build)
{
    dialog.setVariables(variables);
    if (dialog.exec() == QDialog::Rejected || dialog.goldStandard().isEmpty()
        || dialog.otherData().isEmpty())
        return Report();

    ChosenColumns columns;
    columns.referenceName = dialog.goldStandard();
    columns.gold = readColumn(columns.referenceName);
    columns.names = dialog.otherData();
    for (const QString &name : std::as_const(columns.names))
        columns.others.append(readColumn(name));
    QString problem;
    const Report report = build(columns, &problem);
    if (!problem.isEmpty()) {
        CustomDialog message(dialog.parentWidget());
        message.setMessage(problem, CustomDialog::tr("Error"), CustomDialog::tr("Accept"));
        message.exec();
        return Report();
    }
    copyReportToClipboard(report);
    return report;
}

} // namespace analysis
