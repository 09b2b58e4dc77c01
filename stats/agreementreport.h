#ifndef CONCORDA_STATS_AGREEMENTREPORT_H
#define CONCORDA_STATS_AGREEMENTREPORT_H

#include "optiondeclaration.h"

#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVector>

#include <exception>
#include <functional>

// The report driver: from the cell vectors of the chosen columns and the analysis
// options to the figures of every compared column and the HTML document that shows them.
// Nothing here needs more than QtCore; placing the document on the clipboard is the
// desktop program's part.
namespace stats {

struct AgreementOptions
{
    double tdiAllowance = 10;  // the bound for CP (a percentage under proportional)
    double cpAllowance = 0.9;  // the proportion for TDI
    double alpha = 0.05;       // one-sided limits at level 1 - alpha
    bool proportional = false; // compare on the log scale
    bool random = false;       // random-mode limits, fixed-mode otherwise
    bool sample = true;        // divisor n - 1 for precision and its limit
};

// The agreement of one compared column with the reference, unrounded.
struct AgreementFigures
{
    qint64 n = 0; // complete pairs
    double accuracy = 0;
    double accuracyLimit = 0;
    double precision = 0;
    double precisionLimit = 0;
    double ccc = 0;
    double cccLimit = 0;
    double tdi = 0;
    double tdiLimit = 0;
    double cp = 0;
    double cpLimit = 0;
    double rbs = 0;
};

// Pairs one compared column with the reference (both cell vectors: a double where the
// cell reads as a number, an invalid variant where it does not), keeps the complete
// pairs, takes logarithms under proportional and runs every estimator. Errors of the
// statistics library (std::domain_error, std::overflow_error) pass through.
AgreementFigures agreementFigures(QVector<QVariant> other, QVector<QVariant> gold,
                                  const AgreementOptions &options);

// The HTML report: an options table and one row per compared column, names[i] naming
// others[i]. Names are HTML-escaped. When a library error ends the report, it passes
// through and *failedColumn (if given) holds the index of the column being computed.
QString agreementDocument(QVector<QVector<QVariant>> others, const QVector<QVariant> &gold,
                          const QStringList &names, const AgreementOptions &options,
                          int *failedColumn = nullptr);

// The same document from figures already computed, figures[i] of the column names[i].
QString agreementDocument(const QStringList &names, const QVector<AgreementFigures> &figures,
                          const AgreementOptions &options);

// Why no agreement report can be computed with these options, or an empty string. The one
// check of the options: the batch tool refuses its command line with it, and the message
// about a library error names the option with it.
QString agreementOptionsProblem(const AgreementOptions &options, OptionNames names);

// Says in the user's terms why the agreement of the column `name` with the reference
// could not be computed, followed on a second line by the library's own message.
QString agreementErrorMessage(const std::exception &error, const QString &name,
                              const QVector<QVariant> &other, const QVector<QVariant> &gold,
                              const AgreementOptions &options);

// Runs `compute`, which works through the compared columns and keeps *column at the index
// of the one it is computing, and turns a library error that ends it into the message of
// agreementErrorMessage for that column. Returns an empty string when `compute` finishes.
QString catchAgreementError(const std::function<void(int *column)> &compute,
                            const QVector<QVector<QVariant>> &others,
                            const QVector<QVariant> &gold, const QStringList &names,
                            const AgreementOptions &options);

} // namespace stats

#endif
