// Method-comparison regression (Passing–Bablok, Deming, weighted Deming) as declared to the
// registry: its options, its run over the compared variables, its document, plots and
// named fields.
#include "analysis.h"
#include "completepairs.h"
#include "regression.h"
#include "regressionreport.h"
#include "replicates.h"

#include <QCoreApplication>

namespace stats {

namespace {

class RegressionAnalysisTexts
{
    Q_DECLARE_TR_FUNCTIONS(RegressionAnalysis)
};

using Texts = RegressionAnalysisTexts;

const QString method = QStringLiteral("method");
const QString errorRatio = QStringLiteral("error-ratio");
const QString alphaOption = QStringLiteral("alpha");
const QString decisionLevels = QStringLiteral("decision-levels");
const QString equalScales = QStringLiteral("equal-scales");
const QString replicates = QStringLiteral("replicates");
// The error ratio's named value: estimated from the replicates.
const QString fromReplicates = QStringLiteral("replicates");

RegressionOptions regressionOptions(const OptionValues &values)
{
    RegressionOptions options;
    options.method = RegressionMethod(values.choice(method));
    options.errorRatio = values.number(errorRatio);
    options.alpha = values.number(alphaOption);
    options.decisionLevels = values.numbers(decisionLevels);
    return options;
}

// The method as the command line and the outputs name it.
QString methodName(RegressionMethod regressionMethod)
{
    switch (regressionMethod) {
    case RegressionMethod::Deming:
        return QStringLiteral("deming");
    case RegressionMethod::WeightedDeming:
        return QStringLiteral("weighted-deming");
    case RegressionMethod::PassingBablok:
        break;
    }
    return QStringLiteral("passing-bablok");
}

class RegressionResult : public AnalysisResult
{
public:
    // `points` are the points each line is fitted to: the complete pairs, or the subject
    // means of replicated readings.
    RegressionResult(const AnalysisInput &input, const QVector<OptionSpec> &specs,
                     QVector<RegressionFigures> figures, QVector<CompletePairs> points)
        : input(input)
        , options(regressionOptions(input.options))
        , recordedOptions(optionsRecord(specs, input.options))
        , figures(std::move(figures))
        , points(std::move(points))
    {
    }

    void setReplicates(const RegressionReplicates &section)
    {
        replicatesSection = section;
        withReplicates = true;
    }

    QVector<PlotModel> plots() const override
    {
        QVector<PlotModel> models;
        for (int i = 0; i < figures.size(); ++i) {
            PlotModel plot = regressionPlot(points.at(i).x, points.at(i).y, figures.at(i), input.referenceName,
                                            input.names.value(i), input.options.flag(equalScales));
            if (withReplicates)
                plot.title += Texts::tr(", subject means");
            models.append(plot);
        }
        return models;
    }

    QString document(const QStringList &plotImages) const override
    {
        return regressionDocument(input.referenceName, input.names, figures, options, plotImages,
                                  withReplicates ? &replicatesSection : nullptr);
    }

    FieldOutput fields() const override
    {
        FieldOutput output;
        output.analysis = QStringLiteral("regression");
        output.options = {{QStringLiteral("reference"), input.referenceName}};
        if (withReplicates)
            output.options.push_back({QStringLiteral("subject"), input.subjectName});
        output.options.insert(output.options.end(), recordedOptions.begin(), recordedOptions.end());
        for (int i = 0; i < figures.size(); ++i) {
            const RegressionFigures &f = figures.at(i);
            // A figure the method does not have (the cusum test of a Deming fit, the interval
            // of a Passing–Bablok bias) is no number at all.
            const bool passingBablok = f.method == RegressionMethod::PassingBablok;
            std::vector<Record> biasAt;
            for (const DecisionLevelBias &bias : f.biasAt)
                biasAt.push_back({{QStringLiteral("level"), bias.level},
                                  {QStringLiteral("bias"), bias.bias},
                                  {QStringLiteral("lower"), FieldValue::when(!passingBablok, bias.lower)},
                                  {QStringLiteral("upper"), FieldValue::when(!passingBablok, bias.upper)}});
            output.results.push_back({
                {QStringLiteral("name"), input.names.value(i)},
                {QStringLiteral("n"), FieldValue::count(f.n)},
                {QStringLiteral("method"), methodName(f.method)},
                {QStringLiteral("slope"), f.slope},
                {QStringLiteral("slope_lower"), f.slopeLower},
                {QStringLiteral("slope_upper"), f.slopeUpper},
                {QStringLiteral("intercept"), f.intercept},
                {QStringLiteral("intercept_lower"), f.interceptLower},
                {QStringLiteral("intercept_upper"), f.interceptUpper},
                {QStringLiteral("cusum_h"), FieldValue::when(passingBablok, f.cusumH)},
                {QStringLiteral("cusum_critical"), FieldValue::when(passingBablok, f.cusumCritical)},
                {QStringLiteral("linear"), FieldValue::when(passingBablok, f.linear)},
                {QStringLiteral("converged"),
                 FieldValue::when(f.method == RegressionMethod::WeightedDeming, f.converged)},
                {QStringLiteral("bias_at"),
                 FieldValue::list(std::move(biasAt), QStringLiteral("level"), QStringLiteral("bias"))},
            });
            if (withReplicates) {
                const bool deming = !passingBablok;
                output.results.back().insert(
                    output.results.back().end(),
                    {{QStringLiteral("subjects"), FieldValue::count(f.n)},
                     {QStringLiteral("replicates"), replicateDesignName(replicatesSection.design)},
                     {QStringLiteral("error_ratio"), FieldValue::when(deming, f.errorRatio)},
                     {QStringLiteral("error_ratio_source"),
                      FieldValue::when(deming, replicatesSection.errorRatioEstimated
                                                   ? QStringLiteral("replicates")
                                                   : QStringLiteral("given"))}});
            }
        }
        return output;
    }

private:
    AnalysisInput input;
    RegressionOptions options;
    Record recordedOptions;
    QVector<RegressionFigures> figures;
    QVector<CompletePairs> points;
    RegressionReplicates replicatesSection;
    bool withReplicates = false;
};

class RegressionAnalysis : public Analysis
{
public:
    QString id() const override { return QStringLiteral("regression"); }
    QString menuText() const override { return Texts::tr("&Regression…"); }
    QString dialogTitle() const override { return Texts::tr("Regression"); }
    QString summary() const override
    {
        return Texts::tr("Passing-Bablok or Deming slope and intercept with confidence "
                         "intervals, the linearity test, the bias at decision levels, and the "
                         "scatter plots.");
    }
    bool hasPlots() const override { return true; }
    SubjectColumn subjectColumn() const override { return SubjectColumn::Optional; }

    // An error ratio estimated from the replicates needs them.
    QString optionsProblem(const OptionValues &values, OptionNames names) const override
    {
        if (values.alternative(errorRatio) != fromReplicates || values.subjectColumn()
            || RegressionMethod(values.choice(method)) == RegressionMethod::PassingBablok)
            return QString();
        return names == OptionNames::Dialog
                   ? Texts::tr("An error ratio estimated from the replicates needs a subject "
                               "column: the column that says which rows are one subject's "
                               "readings")
                   : Texts::tr("--error-ratio replicates needs --subject NAME: the column that "
                               "says which rows are one subject's readings");
    }

    QVector<OptionSpec> options() const override
    {
        // In the order of RegressionMethod.
        OptionSpec methodSpec = choiceOption(
            method, Texts::tr("Method"), Texts::tr("the fitting method."),
            {{QStringLiteral("passing-bablok"), Texts::tr("Passing–Bablok")},
             {QStringLiteral("deming"), Texts::tr("Deming")},
             {QStringLiteral("weighted-deming"), Texts::tr("Weighted Deming")}});
        OptionSpec ratio = numberOption(
            errorRatio, Texts::tr("Error ratio λ"),
            Texts::tr("lambda, the variance of the reference's errors over that of the compared "
                      "method's."),
            QStringLiteral("L"), 1.0, closedInterval(0.0001, 10000), 4, 0.1);
        ratio.toolTip = Texts::tr("λ = variance of the reference's errors / variance of the "
                                  "compared method's errors");
        ratio.appliesWith = method;
        ratio.appliesToChoices = {int(RegressionMethod::Deming), int(RegressionMethod::WeightedDeming)};
        ratio.alternatives = {{fromReplicates, Texts::tr("estimated from the replicates")}};
        ratio.help = Texts::tr("lambda, the variance of the reference's errors over that of the "
                               "compared method's; with --subject, 'replicates' estimates it from "
                               "the within-subject variances.");
        OptionSpec scales = flagOption(equalScales, Texts::tr("Equal scales on both axes"),
                                       Texts::tr("both axes of the scatter plot in the same units "
                                                 "per pixel."),
                                       true);
        scales.plotOnly = true;
        return {
            methodSpec,
            ratio,
            numberOption(alphaOption, Texts::tr("Alpha"),
                         Texts::tr("the significance level of the two-sided confidence intervals."),
                         QStringLiteral("A"), 0.05, openInterval(0, 1), 3, 0.005),
            numberListOption(decisionLevels, Texts::tr("Decision levels"),
                             Texts::tr("reference values at which the bias of each compared "
                                       "column is reported."),
                             QStringLiteral("X1,X2,..."),
                             Texts::tr("reference values, e.g. 7,0; 11,1")),
            scales,
            replicatesOption(),
        };
    }

    std::unique_ptr<AnalysisResult> run(const AnalysisInput &input, Problem *problem) const override
    {
        if (!input.subjectName.isEmpty())
            return runReplicates(input, problem);
        const RegressionOptions options = regressionOptions(input.options);
        QVector<RegressionFigures> figures;
        QVector<CompletePairs> points;
        for (int i = 0; i < input.compared.size(); ++i) {
            QString message;
            points.append(completePairs(input.reference, input.compared.at(i)));
            figures.append(regressionFigures(points.last().x, points.last().y, options,
                                             input.names.value(i), &message,
                                             progressOfPart(input.progress, i, input.compared.size())));
            if (!message.isEmpty()) {
                *problem = {input.names.value(i), message, figures.last().stopped};
                return nullptr;
            }
        }
        return std::make_unique<RegressionResult>(input, this->options(), std::move(figures),
                                                  std::move(points));
    }

private:
    // With replicates the lines are fitted to the subject means (CLSI EP09), and lambda may
    // come from the within-subject variances of the two methods.
    std::unique_ptr<AnalysisResult> runReplicates(const AnalysisInput &input, Problem *problem) const
    {
        RegressionOptions options = regressionOptions(input.options);
        const bool estimated = input.options.alternative(errorRatio) == fromReplicates
                               && options.method != RegressionMethod::PassingBablok;
        const ReplicateDesign design = ReplicateDesign(input.options.choice(replicates));
        const SubjectGroups groups = groupBySubject(input.subject);
        const int rows = input.subject.size();
        const QVector<double> x = columnReadings(input.reference, rows);

        QVector<RegressionFigures> figures;
        QVector<CompletePairs> points;
        RegressionReplicates section{input.subjectName, design, estimated, {}};
        for (int i = 0; i < input.compared.size(); ++i) {
            const QString &name = input.names.value(i);
            const ReplicateReadings readings =
                replicateReadings(groups, x, columnReadings(input.compared.at(i), rows), design);
            QString message;
            if (estimated) {
                options.errorRatio = replicateErrorRatio(readings, name, &message);
                if (!message.isEmpty()) {
                    *problem = {name, message};
                    return nullptr;
                }
            }
            points.append({subjectMeans(readings.reference), subjectMeans(readings.compared)});
            figures.append(regressionFigures(points.last().x, points.last().y, options, name, &message,
                                             progressOfPart(input.progress, i, input.compared.size())));
            if (!message.isEmpty()) {
                *problem = {name, message, figures.last().stopped};
                return nullptr;
            }
            const QString note = replicateReadingsNote(readings, name);
            if (!note.isEmpty())
                section.notes.append(note);
        }
        auto result = std::make_unique<RegressionResult>(input, this->options(), std::move(figures),
                                                         std::move(points));
        result->setReplicates(section);
        return result;
    }

    static OptionSpec replicatesOption()
    {
        return replicateDesignOption(Texts::tr(
                                               "with --subject: exchangeable, every reading of a subject counts "
                                               "towards its mean; linked, only the rows holding readings of both "
                                               "methods."));
    }
};

} // namespace

const Analysis &regressionAnalysis()
{
    static const RegressionAnalysis analysis;
    return analysis;
}

} // namespace stats
