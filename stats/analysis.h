#ifndef CONCORDA_STATS_ANALYSIS_H
#define CONCORDA_STATS_ANALYSIS_H

#include "namedfields.h"
#include "optiondeclaration.h"
#include "plotmodel.h"
#include "progress.h"

#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVector>

#include <memory>

// An analysis declared once: its name, the columns it takes, its options, and what a run
// of it gives (the figures as named fields, the HTML document, the plots). The menu, the
// dialog, the desktop request, the batch tool's options and its writers are all made from
// these declarations, so that a new analysis touches nothing of them; the registry is the
// one list of analyses.
namespace stats {

// Whether an analysis takes a column of subject identifiers, which groups the rows that
// are one subject's repeated readings.
enum class SubjectColumn { None, Optional, Required };

// A reason why an analysis cannot be run, in the user's terms, naming the variable it is
// about (empty when it concerns no one variable).
struct Problem
{
    QString variable;
    QString message;
    bool stopped = false; // the user stopped the run: nothing to tell, nothing to show

    bool isEmpty() const { return message.isEmpty(); }
};

// The columns chosen for a run and the options. The method columns' cells are those of the
// data view: a double where a cell reads as a number, an invalid variant where it does not;
// the subject column keeps its texts, since any text can name a subject. `labels`
// are the compared variables' names as the file has them (a file with CR LF line ends
// leaves a carriage return on its last name), `names` the same without it.
struct AnalysisInput
{
    QString referenceName;
    QVector<QVariant> reference;
    QStringList names;
    QStringList labels;
    QVector<QVector<QVariant>> compared; // names[i] naming compared[i]
    QString subjectName;                 // empty: every row is a subject of its own
    QStringList subject;                 // the subject column's cell texts
    OptionValues options;
    // Told now and then how far a long run has come; returning false stops it.
    ProgressCallback progress;
    // Whether the plots will be drawn: what only a plot shows (a confidence band) need not
    // be computed for a CSV file.
    bool plots = true;
};

// The progress of the part-th of `parts` equal parts of a run, as a share of the whole run.
ProgressCallback progressOfPart(const ProgressCallback &whole, int part, int parts);

// What a successful run gives.
class AnalysisResult
{
public:
    virtual ~AnalysisResult();

    // The plots, in the order in which the document shows them; none for most analyses.
    virtual QVector<PlotModel> plots() const;

    // The HTML document; plotImages[i] is the address (a data URI) of plots()[i] as an
    // image, or the list is empty when no plots are drawn.
    virtual QString document(const QStringList &plotImages) const = 0;

    // The figures as named fields, for the CSV and JSON outputs.
    virtual FieldOutput fields() const = 0;
};

class Analysis
{
public:
    virtual ~Analysis();

    // The batch tool's --analysis value, the menu text, the dialog's title.
    virtual QString id() const = 0;
    virtual QString menuText() const = 0;
    virtual QString dialogTitle() const = 0;
    // One sentence for the batch tool's help: what it computes.
    virtual QString summary() const = 0;

    virtual SubjectColumn subjectColumn() const;
    virtual QVector<OptionDeclaration> options() const = 0;
    // Whether a run draws plots, so that the batch tool sets up drawing only when needed.
    virtual bool hasPlots() const;

    // What the options' declarations cannot say on their own: a check across options (a
    // TDI allowance under Proportional, say); empty when they are fine.
    virtual QString optionsProblem(const OptionValues &values, OptionNames names) const;

    // Runs the analysis on input whose options have passed the checks. On a problem,
    // returns null and says why in *problem.
    virtual std::unique_ptr<AnalysisResult> run(const AnalysisInput &input,
                                                Problem *problem) const = 0;
};

// The analyses in menu order: the agreement first.
const QVector<const Analysis *> &analyses();

// The analysis of that id, or null.
const Analysis *findAnalysis(const QString &id);

// The id of the agreement, whose dialog and report the program has had from its first
// version and keeps.
extern const char agreementId[];

// Why the options cannot be used: a value outside its declaration, or the analysis's own
// check across them; empty when they are fine.
QString optionsProblem(const Analysis &analysis, const OptionValues &values, OptionNames names);

// The checks every run passes before the analysis sees it, in this order: the options
// (each within its declaration, then the analysis's own check across them), a subject
// column that the analysis needs or that is also a method column. Empty when it may run.
Problem inputProblem(const Analysis &analysis, const AnalysisInput &input, OptionNames names);

// The one road of every run: the checks, then the analysis. Null with *problem set when
// either finds a problem.
std::unique_ptr<AnalysisResult> runAnalysis(const Analysis &analysis, const AnalysisInput &input,
                                            OptionNames names, Problem *problem);

} // namespace stats

#endif
