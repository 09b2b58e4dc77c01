#ifndef CONCORDA_STATS_REPLICATEAGREEMENTREPORT_H
#define CONCORDA_STATS_REPLICATEAGREEMENTREPORT_H

#include "unifiedagreement.h"

#include <QString>
#include <QStringList>
#include <QVector>

// The HTML document of agreement with replicates (Lin's unified approach). QtCore only, so
// that the batch tool writes the very document the program shows.
namespace stats {

// The outcome of one pair: its figures, or why it has none.
struct ReplicateAgreementPair
{
    QString name; // the compared variable
    UnifiedAgreementFigures figures;
    QString problem; // empty when the figures are there
};

// The options; per compared variable a table of the three levels (intra, inter, total) by
// CCC, precision, accuracy, TDI, CP and RBS, each estimate with its one-sided limit below it,
// n, m and the subjects left out and why, a plain-words line where RBS exceeds its bound,
// and the intra level of each method on its own; or, for a pair that cannot be analysed,
// the reason. Names are HTML-escaped.
QString replicateAgreementDocument(const QString &referenceName, const QString &subjectName,
                                   const QVector<ReplicateAgreementPair> &pairs,
                                   const UnifiedAgreementOptions &options);

} // namespace stats

#endif
