#ifndef CONCORDA_STATS_UNIFIEDAGREEMENT_H
#define CONCORDA_STATS_UNIFIEDAGREEMENT_H

#include "replicates.h"

#include <QString>
#include <QStringList>
#include <QVector>
#include <QtGlobal>

#include <array>

// Lin's unified agreement of two methods read repeatedly on each subject (Lin, Hedayat & Wu
// 2007): how well each method agrees with itself (intra), how well the methods' subject means
// agree (inter) and how well single readings agree (total), each level as CCC, precision,
// accuracy, MSD, TDI, CP and RBS with one-sided confidence limits.
//
// The variance components are the moment estimates, which solve the GEE equations exactly;
// their covariance is the GEE sandwich in closed form, and every limit comes from it by the
// delta method on a transformed scale: Fisher Z for CCC and precision, logit for accuracy
// and CP, the log of the MSD for TDI. z = Phi^-1(1 - alpha): large-sample limits, no t.
//
// A figure that is not available (no limit formed, an index with no value, a refused pair)
// is NaN; writers show it as null or an empty cell.
namespace stats {

struct UnifiedAgreementOptions
{
    // The CP bounds, one per level; percentages under proportional.
    double tdiAllowanceIntra = 10;
    double tdiAllowanceInter = 10;
    double tdiAllowanceTotal = 10;
    double cpAllowance = 0.9;  // the proportion p for TDI at every level
    double alpha = 0.05;       // one-sided limits at level 1 - alpha
    bool proportional = false; // compare on the log scale, TDI as a percentage
};

// Subjects of the pair that take no part, by reason; each is counted once.
struct LeftOutSubjects
{
    qint64 fewerReadings = 0;      // fewer than m usable readings of a method
    qint64 moreReadings = 0;       // at least m of each method, more than m of one
    qint64 nonPositiveReading = 0; // under proportional: a reading <= 0 of either method
};

// The figures of one level. TDI and its limit are percentages under proportional; the MSD
// stays on the scale of the computation (the log scale under proportional).
struct AgreementLevel
{
    double ccc = qQNaN();
    double cccLower = qQNaN();
    double precision = qQNaN();
    double precisionLower = qQNaN();
    double msd = qQNaN();
    double tdi = qQNaN();
    double tdiUpper = qQNaN();
    double cp = qQNaN();
    double cpLower = qQNaN();
};

// The inter and total levels, which the methods' bias enters. RBS has no limit; above the
// bound of rbsBound() the TDI and CP approximation, which ignores the bias, is in doubt.
struct BiasedAgreementLevel : AgreementLevel
{
    double accuracy = qQNaN();
    double accuracyLower = qQNaN();
    double rbs = qQNaN(); // +inf when the subjects' differences have no spread
    bool rbsAboveBound = false;
};

// The intra level of one method on its own (its own error variance instead of the pooled
// one): withinVariance is the mean within-subject variance W, betweenVariance V - W/m.
struct MethodIntraAgreement
{
    QString name;
    double withinVariance = qQNaN();
    double betweenVariance = qQNaN();
    double ccc = qQNaN();
    double cccLower = qQNaN();
    double tdi = qQNaN();
    double tdiUpper = qQNaN();
    double cp = qQNaN();
    double cpLower = qQNaN();
};

// The model's variance components, negative estimates kept.
struct VarianceComponents
{
    double subject = qQNaN();     // sigma_alpha^2
    double interaction = qQNaN(); // sigma_gamma^2, subject x method
    double error = qQNaN();       // sigma_e^2, common to both methods
    double bias = qQNaN();        // sigma_beta^2 = (mean difference)^2 / 2
};

// The figures of one pair (gold, other). n, m, leftOut, intra, inter, total and methods are
// the report's; the means, components and their covariance show how they were reached.
struct UnifiedAgreementFigures
{
    qint64 n = 0;       // subjects used
    int m = 0;          // readings of each method per subject used
    qint64 leftOut = 0; // the sum of leftOutBecause
    LeftOutSubjects leftOutBecause;
    qint64 rowsWithoutSubject = 0; // rows with readings but an empty subject
    double meanGold = qQNaN();
    double meanOther = qQNaN();
    VarianceComponents components;
    // Covariance of the components in the order subject, interaction, error, bias.
    std::array<std::array<double, 4>, 4> componentCovariance{};
    AgreementLevel intra; // accuracy is 1 by construction and not given
    BiasedAgreementLevel inter;
    BiasedAgreementLevel total;
    QVector<MethodIntraAgreement> methods; // gold, then other
};

// Why no analysis can be run with these options, in the dialog's terms, or an empty string:
// alpha and the CP allowance lie strictly between 0 and 1 (and not so near 0 or 1 that a
// normal quantile is infinite), every TDI allowance is finite and above 0.
QString unifiedAgreementOptionsProblem(const UnifiedAgreementOptions &options);

// The largest RBS for which the TDI and CP approximation holds at the proportion p:
// 8 up to p = 0.8, 1 above it (Lin et al. 2002 give 8 at p = 0.8 and 1 at p = 0.9).
double rbsBound(double cpAllowance);

// The unified agreement of other with gold. Row r holds the subject cell subjects[r] (grouped
// as groupBySubject groups them; empty: no subject) and one reading of each method, NaN or infinite when missing; a
// column shorter than the others is missing from its end on. The pair is balanced first:
// under proportional a subject with a reading <= 0 is left out; then m is the number of
// readings of each method that most subjects have (a tie to the larger), and only subjects
// with exactly m of each are used. Time and memory are linear in the rows.
//
// Refuses (sets *problem to a sentence naming the methods, returns only the counts) when
// the options are out of range, when no subject has readings of both, when m = 1 or when
// fewer than two subjects are left; *problem is cleared otherwise.
UnifiedAgreementFigures unifiedAgreement(const QStringList &subjects, const QVector<double> &gold,
                                         const QVector<double> &other, const QString &goldName,
                                         const QString &otherName,
                                         const UnifiedAgreementOptions &options,
                                         QString *problem);

// The same with the rows already grouped by subject (groupBySubject), so that several
// compared methods share one grouping.
UnifiedAgreementFigures unifiedAgreement(const SubjectGroups &groups, const QVector<double> &gold,
                                         const QVector<double> &other, const QString &goldName,
                                         const QString &otherName,
                                         const UnifiedAgreementOptions &options,
                                         QString *problem);

} // namespace stats

#endif
