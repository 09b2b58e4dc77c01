#include "blandaltmanrequest.h"

#include "analysisrequest.h"
#include "blandaltmandialog.h"
#include "blandaltmanplot.h"
#include "blandaltmanreport.h"

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
    QCustomPlot canvas;
    for (int i = 0; i < figures.size(); ++i) {
        const stats::BlandAltmanFigures variableFigures = figures.at(i);
        const QString name = names.value(i);
        images.append(addPlot(&report, &canvas,
                              {name, stats::differenceTitle(options.differences, referenceName, name),
                               [variableFigures, options, referenceName, name](QCustomPlot *plot) {
                                   plots::drawBlandAltmanPlot(plot, variableFigures, options,
                                                              referenceName, name);
                               }}));
    }
    report.html = stats::blandAltmanDocument(referenceName, names, figures, options, images);
    return report;
}

Report requestBlandAltman(QWidget *parent, const QStringList &variables,
                          const ColumnReader &readColumn)
{
    BlandAltmanDialog dialog(parent);
    return runAnalysisDialog(dialog, variables, readColumn,
                             [&dialog](const ChosenColumns &columns, QString *problem) {
                                 return blandAltmanReport(columns.referenceName, columns.gold,
                                                          columns.names, columns.others,
                                                          dialog.options(), problem);
                             });
}

} // namespace analysis
