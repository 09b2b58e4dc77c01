#include "regressionrequest.h"

#include "analysisrequest.h"
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
    QCustomPlot canvas;
    for (int i = 0; i < figures.size(); ++i) {
        QVector<QVariant> reference = gold;
        QVector<QVariant> compared = others.at(i);
        stats::dropIncompletePairs(reference, compared);
        const QVector<double> x = stats::toNumbers(reference);
        const QVector<double> y = stats::toNumbers(compared);
        const stats::RegressionFigures variableFigures = figures.at(i);
        const QString name = names.value(i);
        images.append(addPlot(&report, &canvas,
                              {name, stats::regressionEquation(variableFigures, referenceName, name),
                               [x, y, variableFigures, referenceName, name, equalScales](QCustomPlot *plot) {
                                   plots::drawRegressionPlot(plot, x, y, variableFigures,
                                                             referenceName, name, equalScales);
                               }}));
    }
    report.html = stats::regressionDocument(referenceName, names, figures, options, images);
    return report;
}

Report requestRegression(QWidget *parent, const QStringList &variables,
                         const ColumnReader &readColumn)
{
    RegressionDialog dialog(parent);
    return runAnalysisDialog(dialog, variables, readColumn,
                             [&dialog](const ChosenColumns &columns, QString *problem) {
                                 return regressionReport(columns.referenceName, columns.gold,
                                                         columns.names, columns.others,
                                                         dialog.options(), dialog.equalScales(),
                                                         problem);
                             });
}

} // namespace analysis
