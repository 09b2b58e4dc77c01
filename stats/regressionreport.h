#ifndef CONCORDA_STATS_REGRESSIONREPORT_H
#define CONCORDA_STATS_REGRESSIONREPORT_H

#include "regression.h"

#include <QString>
#include <QStringList>
#include <QVector>

// The texts of a regression report: the HTML document and the texts its plots share with
// it. QtCore only, so that the batch tool writes the very document the program shows.
namespace stats {

// The method's name as the report and the plots print it: "Passing–Bablok", "Deming",
// "weighted Deming".
QString regressionMethodName(RegressionMethod method);

// The fitted line in the variables' names: "MeterA = 1.0213 × LabGlucose − 0.1340".
QString regressionEquation(const RegressionFigures &figures, const QString &reference,
                           const QString &compared);

// Decision levels as a user types them in the dialog: numbers separated by semicolons or
// white space, a decimal comma read as a point ("7,0; 11.1" gives 7 and 11.1). An empty text
// gives no level. On a text that is not a number, returns false and puts it into *bad.
bool parseDecisionLevels(const QString &text, QVector<double> *levels, QString *bad);

// The HTML document: the options, a table of slope and intercept with their intervals (and
// lambda, or the cusum test, as the method has them) for every compared variable (names[i]
// naming figures[i]), the bias at each decision level, and each variable's plot,
// plotImages[i] being the image's address or empty for none. Names are HTML-escaped.
QString regressionDocument(const QString &referenceName, const QStringList &names,
                           const QVector<RegressionFigures> &figures,
                           const RegressionOptions &options, const QStringList &plotImages);

} // namespace stats

#endif
