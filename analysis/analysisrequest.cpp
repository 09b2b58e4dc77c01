#include "analysisrequest.h"

#include "agreementrequest.h"
#include "analysisdialog.h"
#include "csvtable.h"
#include "customdialog.h"
#include "plotdrawing.h"
#include "plotexport.h"

#include <qcustomplot.h>

#include <utility>

namespace analysis {

namespace {

// The input of a run as the dialog chose it. Reports name the variables without the
// carriage return that a file with CR LF line ends leaves on its last name.
stats::AnalysisInput chosenInput(const AnalysisDialog &dialog, const ColumnReader &readColumn,
                                 const TextReader &readTexts)
{
    stats::AnalysisInput input;
    input.referenceName = csv::withoutFinalCarriageReturn(dialog.goldStandard());
    input.reference = readColumn(dialog.goldStandard());
    input.labels = dialog.otherData();
    for (const QString &label : std::as_const(input.labels)) {
        input.names.append(csv::withoutFinalCarriageReturn(label));
        input.compared.append(readColumn(label));
    }
    if (!dialog.subject().isEmpty()) {
        input.subjectName = csv::withoutFinalCarriageReturn(dialog.subject());
        input.subject = readTexts(dialog.subject());
    }
    input.options = dialog.options();
    return input;
}

} // namespace

Report analysisReport(const stats::Analysis &analysis, const stats::AnalysisInput &input,
                      stats::Problem *problem)
{
    const std::unique_ptr<stats::AnalysisResult> result =
        stats::runAnalysis(analysis, input, stats::OptionNames::Dialog, problem);
    if (!result)
        return Report();
    Report report;
    report.plots = result->plots();
    QStringList images;
    QCustomPlot canvas;
    for (const stats::PlotModel &plot : std::as_const(report.plots)) {
        plots::drawPlot(&canvas, plot);
        images.append(plots::plotDataUri(&canvas));
    }
    report.html = result->document(images);
    return report;
}

Report requestAnalysis(QWidget *parent, const stats::Analysis &analysis,
                       const QStringList &variables, const ColumnReader &readColumn,
                       const TextReader &readTexts)
{
    if (analysis.id() == QLatin1String(stats::agreementId))
        return Report{requestAgreement(parent, variables, readColumn), {}};

    AnalysisDialog dialog(parent, analysis);
    dialog.setVariables(variables);
    if (dialog.exec() == QDialog::Rejected || dialog.goldStandard().isEmpty()
        || dialog.otherData().isEmpty())
        return Report();

    stats::Problem problem;
    const Report report = analysisReport(analysis, chosenInput(dialog, readColumn, readTexts), &problem);
    if (!problem.isEmpty()) {
        CustomDialog message(parent);
        message.setMessage(problem.message, CustomDialog::tr("Error"), CustomDialog::tr("Accept"));
        message.exec();
        return Report();
    }
    copyReportToClipboard(report);
    return report;
}

} // namespace analysis
