#ifndef CONCORDA_STATS_REPLICATES_H
#define CONCORDA_STATS_REPLICATES_H

#include "blandaltman.h"
#include "optiondeclaration.h"

#include <QString>
#include <QVariant>
#include <QVector>

#include <limits>

// Method comparison with replicated measurements: one row per measurement occasion, a
// subject column that groups the rows, one column per method. From the grouped readings:
// the Bland–Altman limits of agreement of single readings (replicates exchangeable or
// linked), the repeatability of each method, the subject means on which the regression
// lines are fitted and the error ratio of the two methods estimated from the replicates.
// Throughout, the reference (Gold Standard) is x and the compared method y.
namespace stats {

enum class ReplicateDesign {
    Exchangeable, // the true value is constant within a subject and the readings of the two
                  // methods are not paired: every reading counts, whether or not its row
                  // holds a reading of the other method
    Linked,       // a row pairs two readings taken together and the true value may change
                  // from row to row: only rows holding both readings count
};

// The design as the batch tool names it: "exchangeable" or "linked".
QString replicateDesignName(ReplicateDesign design);

// The option "Replicates" of an analysis that takes replicated readings (--replicates
// exchangeable|linked, applying with a subject column only), with the analysis's help text.
OptionDeclaration replicateDesignOption(const QString &help);

// The rows of a table grouped by the text of their subject cell.
//
// Two cells name the same subject when they read as the same number, or else as the same
// text once the white space around it is trimmed (letter case counts). A text is read as
// the data view reads a cell (csv's cellNumber), so "1", "1.0", " 1 " and "1e0" are one
// subject, "A" and "a" two. A cell that is empty, blank or a number that is not finite
// names no subject: its row cannot be grouped and is left out, and counted so that the
// report can say so. Every analysis with replicates groups its rows here.
struct SubjectGroups
{
    QStringList subjects;   // the text that first named each subject, trimmed, in the order
                            // of first appearance
    QVector<int> offsets;   // subject s owns rows[offsets[s]] .. rows[offsets[s + 1] - 1]
    QVector<int> rows;      // row indices grouped by subject, ascending within each
    QVector<int> subjectOfRow; // each row's subject, -1 for a row without one
    qint64 rowsWithoutSubject = 0;

    int subjectCount() const { return subjects.size(); }
};

// Groups the rows in O(N) expected time through an open-addressing table of the subjects'
// keys, at most half full, so that a million subjects cost no allocation each; a row of
// the same subject as the row before it is not looked up at all. A subject's rows need not
// be adjacent. The texts are the subject column's cells as they stand: a column read as
// numbers only would have lost its text subjects already.
SubjectGroups groupBySubject(const QStringList &subjectTexts);

// The readings of one method, grouped by subject: subject i holds
// values[offsets[i]] .. values[offsets[i + 1] - 1], in row order.
struct SubjectReadings
{
    QVector<double> values;
    QVector<int> offsets = {0};

    int subjectCount() const { return offsets.size() - 1; }
    int count(int subject) const { return offsets.at(subject + 1) - offsets.at(subject); }
};

// The readings of both methods of the subjects that have at least one reading of each
// (under the linked design: at least one row holding both). Under the linked design the two
// methods have the same offsets and reference.values[k], compared.values[k] are one pair.
struct ReplicateReadings
{
    ReplicateDesign design = ReplicateDesign::Exchangeable;
    QVector<int> subjects; // each kept subject's index into SubjectGroups::subjects
    SubjectReadings reference;
    SubjectReadings compared;
    qint64 rowsWithoutSubject = 0; // rows left out because their subject cell names none
    qint64 subjectsLeftOut = 0;    // subjects without readings of both methods
};

// The readings of the reference x and the compared method y (one element per row of the
// grouped table; NaN, or any value that is not finite, for a missing reading), grouped as
// `groups` says, under the given design. O(N).
ReplicateReadings replicateReadings(const SubjectGroups &groups, const QVector<double> &x,
                                    const QVector<double> &y, ReplicateDesign design);

// The sentence saying which rows and subjects the analysis of the compared variable `name`
// leaves out and why, or an empty string when it leaves out none.
QString replicateReadingsNote(const ReplicateReadings &readings, const QString &name);

// The mean reading of each subject: the points (x̄_i, ȳ_i) that the regression lines are
// fitted to.
QVector<double> subjectMeans(const SubjectReadings &readings);

struct ReplicateOptions
{
    double coverage = 0.95; // the share of differences of single readings the limits are to hold
    double alpha = 0.05;    // two-sided confidence intervals at level 1 - alpha
    DifferenceAxis axis = DifferenceAxis::PairMean; // of the plotted points
};

// Why these options give no analysis, or an empty string: the coverage and alpha must lie
// strictly between 0 and 1.
QString replicateOptionsProblem(const ReplicateOptions &options);

// The Bland–Altman figures of one compared method with replicates, unrounded. A figure that
// the data cannot give is NaN.
struct ReplicateAgreementFigures
{
    static constexpr double notANumber = std::numeric_limits<double>::quiet_NaN();

    ReplicateDesign design = ReplicateDesign::Exchangeable;
    qint64 subjects = 0; // n: subjects with readings of both methods (linked: with a pair)
    qint64 pairs = 0;    // linked: the rows holding both readings; exchangeable: 0
    qint64 referenceReadings = 0;
    qint64 comparedReadings = 0;
    double bias = notANumber; // compared - reference
    double biasLower = notANumber;
    double biasUpper = notANumber;
    double sd = notANumber;      // of the difference between single readings of the methods
    double sdLower = notANumber; // MOVER bounds of sd (the square roots of those of sd^2)
    double sdUpper = notANumber;
    double loaLower = notANumber;
    double loaLowerCiLower = notANumber;
    double loaLowerCiUpper = notANumber;
    double loaUpper = notANumber;
    double loaUpperCiLower = notANumber;
    double loaUpperCiUpper = notANumber;
    // Within-subject SD of each method's readings that the analysis uses; NaN for a method
    // with one reading per subject.
    double withinSdReference = notANumber;
    double withinSdCompared = notANumber;
    // Linked: the one-way analysis of variance of the pair differences by subject.
    double betweenSubjectVariance = notANumber; // s_b^2, after setting a negative one to 0
    double withinSubjectVariance = notANumber;  // MS_w
    bool betweenSubjectVarianceTruncated = false;
    // The plotted points: exchangeable, one per subject (the difference of the subject
    // means); linked, one per pair, in subject order. `readings` is the number of readings
    // behind each point.
    QVector<double> axisValues;
    QVector<double> differences;
    QVector<int> readings;
};

// Bland–Altman with replicates of the compared variable `name` against the reference.
// Exchangeable: Bland and Altman (1999) section 5 with the MOVER intervals of Zou (2013);
// linked: Bland and Altman (2007) section 3 with intervals in the same manner. On a problem
// (the options, fewer than 3 subjects, linked with no row holding both readings, readings
// too large, differences without spread) *problem holds a sentence naming `name` and the
// count, and the figures hold only the design and the counts.
ReplicateAgreementFigures replicateBlandAltman(const ReplicateReadings &readings,
                                               const ReplicateOptions &options,
                                               const QString &name, QString *problem);

// Kendall's tau-b with its two-sided p-value against no association.
struct KendallTau
{
    double tau = std::numeric_limits<double>::quiet_NaN();
    double p = std::numeric_limits<double>::quiet_NaN();
};

// Kendall's tau-b of finite x and y of equal length in O(n log n); NaN for fewer than two
// values or when x or y takes a single value.
KendallTau kendallTau(const QVector<double> &x, const QVector<double> &y);

// The repeatability of one method (Bland and Altman 1999 section 4).
struct RepeatabilityFigures
{
    static constexpr double notANumber = std::numeric_limits<double>::quiet_NaN();

    QString name;
    qint64 subjects = 0;
    qint64 readings = 0;
    qint64 df = 0; // readings - subjects
    double withinSd = notANumber;
    double withinSdLower = notANumber;
    double withinSdUpper = notANumber;
    double repeatability = notANumber; // z sqrt(2) s_w: two single readings of a subject
                                       // differ by less than this with the chosen coverage
    // The level check: Kendall's tau-b between the subject means and the subject SDs, over
    // the subjects with two readings or more, and its p-value.
    qint64 kendallSubjects = 0;
    double kendallTau = notANumber;
    double kendallP = notANumber;
};

// The repeatability of the method `name` from its readings. On a problem (the options, no
// subject with two readings, readings too large) *problem holds a sentence naming `name`
// and the count, and the figures hold only the name and the counts.
RepeatabilityFigures repeatability(const SubjectReadings &readings,
                                   const ReplicateOptions &options, const QString &name,
                                   QString *problem);

// The Deming error ratio estimated from the replicates, lambda = (s_wx^2 / h_x) /
// (s_wy^2 / h_y): the ratio of the error variances of the two methods' subject means, h
// being the harmonic mean of a method's counts per subject. On a problem (a method without
// a subject with two readings, or whose replicates never vary) *problem holds a sentence
// naming `name` and the count and the result is NaN.
double replicateErrorRatio(const ReplicateReadings &readings, const QString &name,
                           QString *problem);

} // namespace stats

#endif
