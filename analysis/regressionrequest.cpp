#include "regressionrequest.h"

#include "customdialog.h"
#include "plotexport.h"
#include "regressiondialog.h"
#include "regressionplot.h"
#include "regressionreport.h"
#include "vectortoolkit.h"

#include <qcustomplot.h>

namespace analysis {

Report regressionReport(const QString &referenceName, const QVector<QVariant> &gold,
                        const QStringList &names, const QVector<QVector<QVariant>> &others,
                        const stats::RegressionOptions &options, bool equalScales,
                        QString *problem)
{
    QVector<stats::RegressionFigures> figures;
    for (int i = 0; i < others.size(); ++i) {
        figures.append(stats::regressionFigures(others.at(i), gold, options, names.value(i), problem));
        if (!problem->isEmpty())
            return Report();
    }

    Report report;
    QStringList images;
    QCustomPlot plot;
    for (int i = 0; i < figures.size(); ++i) {
        QVector<QVariant> reference = gold;
        QVector<QVariant> compared = others.at(i);
        stats::dropIncompletePairs(reference, compared);
        const QVector<double> x = stats::toNumbers(reference);
        const QVector<double> y = stats::toNumbers(compared);
        const stats::RegressionFigures variableFigures = figures.at(i);
        const QString name = names.value(i);
        ReportPlot reportPlot;
        reportPlot.name = name;
        reportPlot.title = stats::regressionEquation(variableFigures, referenceName, name);
        reportPlot.draw = [x, y, variableFigures, referenceName, name, equalScales](QCustomPlot *target) {
            plots::drawRegressionPlot(target, x, y, variableFigures, referenceName, name, equalScales);
        };
        reportPlot.draw(&plot);
        images.append(plots::plotDataUri(&plot));
        report.plots.append(reportPlot);
    }
    report.html = stats::regressionDocument(referenceName, names, figures, options, images);
    return report;
}

Report requestRegression(QWidget *parent, const QStringList &variables,
                         const ColumnReader &readColumn)
{
    RegressionDialog dialog(parent);
    dialog.setVariables(variables);
    if (dialog.exec() == QDialog::Rejected || dialog.goldStandard().isEmpty()
        || dialog.otherData().isEmpty())
        return Report();

    const QString referenceName = dialog.goldStandard();
    const QStringList names = dialog.otherData();
    QVector<QVector<QVariant>> others;
    for (const QString &name : names)
        others.append(readColumn(name));
    QString problem;
    const Report report = regressionReport(referenceName, readColumn(referenceName), names, others,
                                           dialog.options(), dialog.equalScales(), &problem);
    if (!problem.isEmpty()) {
        CustomDialog message(parent);
        message.setMessage(problem, CustomDialog::tr("Error"), CustomDialog::tr("Accept"));
        message.exec();
        return Report();
    }
    copyReportToClipboard(report);
    return report;
}

} // namespace analysis
