#include "blandaltmanrequest.h"

#include "blandaltmandialog.h"
#include "blandaltmanplot.h"
#include "blandaltmanreport.h"
#include "customdialog.h"
#include "plotexport.h"

#include <qcustomplot.h>

namespace analysis {

Report blandAltmanReport(const QString &referenceName, const QVector<QVariant> &gold,
                         const QStringList &names, const QVector<QVector<QVariant>> &others,
                         const stats::BlandAltmanOptions &options, QString *problem)
{
    QVector<stats::BlandAltmanFigures> figures;
    for (int i = 0; i < others.size(); ++i) {
        figures.append(stats::blandAltmanFigures(others.at(i), gold, options, names.value(i), problem));
        if (!problem->isEmpty())
            return Report();
    }

    Report report;
    QStringList images;
    QCustomPlot plot;
    for (int i = 0; i < figures.size(); ++i) {
        const stats::BlandAltmanFigures variableFigures = figures.at(i);
        const QString name = names.value(i);
        ReportPlot reportPlot;
        reportPlot.name = name;
        reportPlot.title = stats::differenceTitle(options.differences, referenceName, name);
        reportPlot.draw = [variableFigures, options, referenceName, name](QCustomPlot *target) {
            plots::drawBlandAltmanPlot(target, variableFigures, options, referenceName, name);
        };
        reportPlot.draw(&plot);
        images.append(plots::plotDataUri(&plot));
        report.plots.append(reportPlot);
    }
    report.html = stats::blandAltmanDocument(referenceName, names, figures, options, images);
    return report;
}

Report requestBlandAltman(QWidget *parent, const QStringList &variables,
                          const ColumnReader &readColumn)
{
    BlandAltmanDialog dialog(parent);
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
    const Report report = blandAltmanReport(referenceName, readColumn(referenceName), names,
                                            others, dialog.options(), &problem);
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
