#include "analysis.h"

#include <QCoreApplication>

namespace stats {

namespace {

class AnalysisChecks
{
    Q_DECLARE_TR_FUNCTIONS(AnalysisChecks)
};

} // namespace

const char agreementId[] = "agreement";

AnalysisResult::~AnalysisResult() = default;

QVector<PlotModel> AnalysisResult::plots() const
{
    return {};
}

Analysis::~Analysis() = default;

SubjectColumn Analysis::subjectColumn() const
{
    return SubjectColumn::None;
}

bool Analysis::hasPlots() const
{
    return false;
}

QString Analysis::optionsProblem(const OptionValues &, OptionNames) const
{
    return QString();
}

ProgressCallback progressOfPart(const ProgressCallback &whole, int part, int parts)
{
    if (!whole)
        return ProgressCallback();
    return [whole, part, parts](double done) { return whole((part + done) / parts); };
}

const Analysis *findAnalysis(const QString &id)
{
    for (const Analysis *analysis : analyses()) {
        if (analysis->id() == id)
            return analysis;
    }
    return nullptr;
}

QString optionsProblem(const Analysis &analysis, const OptionValues &values, OptionNames names)
{
    const QString problem = optionValuesProblem(analysis.options(), values, names);
    return problem.isEmpty() ? analysis.optionsProblem(values, names) : problem;
}

Problem inputProblem(const Analysis &analysis, const AnalysisInput &input, OptionNames names)
{
    OptionValues values = input.options;
    values.setSubjectColumn(!input.subjectName.isEmpty());
    const QString message = optionsProblem(analysis, values, names);
    if (!message.isEmpty())
        return {QString(), message};

    if (analysis.subjectColumn() == SubjectColumn::Required && input.subjectName.isEmpty())
        return {QString(), AnalysisChecks::tr("%1 needs a subject column: the column that "
                                              "says which rows are one subject's readings")
                               .arg(analysis.dialogTitle())};
    if (input.subjectName.isEmpty())
        return Problem();
    if (analysis.subjectColumn() == SubjectColumn::None)
        return {input.subjectName, AnalysisChecks::tr("%1 takes no subject column")
                                       .arg(analysis.dialogTitle())};
    if (input.subjectName == input.referenceName || input.names.contains(input.subjectName))
        return {input.subjectName,
                AnalysisChecks::tr("%1 is chosen both as the subject column and as a method; the "
                                   "subject column names the subjects and holds no readings")
                    .arg(input.subjectName)};
    return Problem();
}

std::unique_ptr<AnalysisResult> runAnalysis(const Analysis &analysis, const AnalysisInput &input,
                                            OptionNames names, Problem *problem)
{
    // Whether the options of replicates apply follows from the subject column itself.
    AnalysisInput checked = input;
    checked.options.setSubjectColumn(!input.subjectName.isEmpty());
    *problem = inputProblem(analysis, checked, names);
    if (!problem->isEmpty())
        return nullptr;
    std::unique_ptr<AnalysisResult> result = analysis.run(checked, problem);
    if (!problem->isEmpty())
        return nullptr;
    return result;
}

} // namespace stats
