#ifndef CONCORDA_CLI_WRITERS_H
#define CONCORDA_CLI_WRITERS_H

#include "agreementreport.h"
#include "blandaltman.h"
#include "regression.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVector>

class QIODevice;

// The machine-readable forms of concorda-report's figures and the writing of a finished
// document.
namespace batch {

// A header line and one line per compared column, numbers unrounded.
QByteArray figuresCsv(const QStringList &names, const QVector<stats::AgreementFigures> &figures,
                      const stats::AgreementOptions &options);

// {"options": {...}, "results": [{...}, ...]}, non-finite numbers as null.
QByteArray figuresJson(const QStringList &names, const QVector<stats::AgreementFigures> &figures,
                       const stats::AgreementOptions &options);

// The Bland–Altman figures, unrounded: a header line of the result names and one line per
// compared column; and {"analysis": "bland-altman", "options": {...}, "results": [...]}, with
// null for a number that is not finite.
QByteArray blandAltmanCsv(const QStringList &names, const QVector<stats::BlandAltmanFigures> &figures);
QByteArray blandAltmanJson(const QString &reference, const QStringList &names,
                           const QVector<stats::BlandAltmanFigures> &figures,
                           const stats::BlandAltmanOptions &options);

// The regression figures, unrounded. CSV: a header line and one line per compared column,
// the bias at each decision level in three columns of its own (bias_at_X, bias_at_X_lower,
// bias_at_X_upper), an empty field where a figure does not apply to the method. JSON:
// {"analysis": "regression", "options": {...}, "results": [...]}, with null where a figure
// does not apply or is not finite.
QByteArray regressionCsv(const QStringList &names, const QVector<stats::RegressionFigures> &figures,
                         const stats::RegressionOptions &options);
QByteArray regressionJson(const QString &reference, const QStringList &names,
                          const QVector<stats::RegressionFigures> &figures,
                          const stats::RegressionOptions &options);

// Writes the whole document to `outputFile`, only when it is complete, or to
// standardOutput when no file is named. On failure *error says where and why.
bool writeDocument(const QByteArray &document, const QString &outputFile,
                   QIODevice *standardOutput, QString *error);

// Writes everything or reports failure.
bool writeAll(QIODevice *device, const QByteArray &bytes);

} // namespace batch

#endif
