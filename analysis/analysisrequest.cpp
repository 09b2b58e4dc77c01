#include "analysisrequest.h"

#include "agreementrequest.h"
#include "analysisdialog.h"
#include "csvtable.h"
#include "customdialog.h"
#include "plotdrawing.h"
#include "plotexport.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProgressDialog>

#include <qcustomplot.h>

#include <memory>

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

// A run that takes more than a second shows a progress dialog whose Cancel stops it.
class ProgressWindow
{
public:
    explicit ProgressWindow(QWidget *parent)
        : parent(parent)
    {
        clock.start();
    }

    stats::ProgressCallback callback()
    {
        return [this](double done) {
            if (!dialog && clock.elapsed() > 1000) {
                dialog.reset(new QProgressDialog(QCoreApplication::translate("ProgressWindow", "Computing…"),
                                                 QCoreApplication::translate("ProgressWindow", "Cancel"),
                                                 0, 1000, parent));
                dialog->setWindowModality(Qt::WindowModal);
                dialog->setMinimumDuration(0);
            }
            if (dialog) {
                dialog->setValue(int(done * 1000));
                QCoreApplication::processEvents();
                return !dialog->wasCanceled();
            }
            return true;
        };
    }

private:
    QWidget *parent;
    QElapsedTimer clock;
    std::unique_ptr<QProgressDialog> dialog;
};

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
    stats::AnalysisInput input = chosenInput(dialog, readColumn, readTexts);
    ProgressWindow progress(parent);
    input.progress = progress.callback();
    const Report report = analysisReport(analysis, input, &problem);
    if (problem.stopped)
        return Report();
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
