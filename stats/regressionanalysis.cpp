// Method-comparison regression (Passing–Bablok, Deming, weighted Deming) as declared to the
// registry: its options, its run over the compared variables, its document, plots and
// named fields.
#include "analysis.h"
#include "bootstrap.h"
#include "completepairs.h"
#include "regression.h"
#include "regressionreport.h"
#include "replicates.h"

#include <QCoreApplication>

#include <utility>

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
const QString bootstrapResamples = QStringLiteral("bootstrap");
const QString seedOption = QStringLiteral("seed");
const QString confidenceBand = QStringLiteral("confidence-band");
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

// The fit of one compared variable with what its plots and the bootstrap add.
struct FittedColumn
{
    RegressionFigures figures;
    CompletePairs points;     // the complete pairs, or the subject means of replicates
    QVector<BandPoint> band;  // empty: no band
    ResidualPlot residuals;
    int bootstrapFailures = -1; // -1: no bootstrap of this fit
};

// The fit of the points, the intervals the bootstrap gives Passing–Bablok (of the bias at
// the decision levels, and the band), the Deming band by the jackknife, the residuals. The
// bootstrap runs where there is something to give: decision levels, or a band to draw,
// and only up to largestBootstrapPairs pairs.
FittedColumn fitColumn(CompletePairs points, const RegressionOptions &options,
                       const OptionValues &values, bool plots, const QString &name,
                       const ProgressCallback &progress, QString *problem, bool *stopped)
{
    FittedColumn column;
    column.points = std::move(points);
    const QVector<double> &x = column.points.x;
    const QVector<double> &y = column.points.y;
    column.figures = regressionFigures(x, y, options, name, problem, progressOfPart(progress, 0, 2));
    *stopped = column.figures.stopped;
    if (!problem->isEmpty())
        return column;
    const bool band = plots && values.flag(confidenceBand);
    if (options.method == RegressionMethod::PassingBablok) {
        if ((band || !options.decisionLevels.isEmpty()) && x.size() <= largestBootstrapPairs) {
            const BootstrapOptions bootstrap{int(values.number(bootstrapResamples)),
                                             quint64(values.number(seedOption))};
            const PassingBablokBootstrap resampled =
                passingBablokBootstrap(x, y, options, bootstrap, progressOfPart(progress, 1, 2));
            if (resampled.stopped) {
                *stopped = true;
                *problem = Texts::tr("The bootstrap was stopped before it finished.");
                return column;
            }
            column.bootstrapFailures = resampled.failures;
            for (int k = 0; k < column.figures.biasAt.size() && k < resampled.biasAt.size(); ++k) {
                column.figures.biasAt[k].lower = resampled.biasAt.at(k).lower;
                column.figures.biasAt[k].upper = resampled.biasAt.at(k).upper;
            }
            if (band)
                column.band = resampled.band;
        }
    } else if (band) {
        column.band = demingConfidenceBand(x, y, options);
    }
    column.residuals = regressionResiduals(x, y, column.figures);
    return column;
}

QVector<RegressionFigures> figuresOf(const QVector<FittedColumn> &columns)
{
    QVector<RegressionFigures> figures;
    for (const FittedColumn &column : columns)
        figures.append(column.figures);
    return figures;
}

class RegressionResult : public AnalysisResult
{
public:
    RegressionResult(const AnalysisInput &input, const QVector<OptionDeclaration> &declarations,
                     QVector<FittedColumn> columns)
        : input(input)
        , options(regressionOptions(input.options))
        , recordedOptions(optionsRecord(declarations, input.options))
        , columns(std::move(columns))
        , figures(figuresOf(this->columns))
    {
        // The bootstrap's options are checked only where they apply: under Passing–Bablok.
        if (options.method == RegressionMethod::PassingBablok) {
            resampling.resamples = int(input.options.number(bootstrapResamples));
            resampling.seed = quint64(input.options.number(seedOption));
        }
        resampling.largestPairs = largestBootstrapPairs;
        for (const FittedColumn &column : std::as_const(this->columns))
            resampling.failures.append(column.bootstrapFailures);
    }

    void setReplicates(const RegressionReplicates &section)
    {
        replicatesSection = section;
        withReplicates = true;
    }

    // Two plots per compared variable: the scatter plot with the line and its band, then the
    // residuals.
    QVector<PlotModel> plots() const override
    {
        QVector<PlotModel> models;
        for (int i = 0; i < columns.size(); ++i) {
            const FittedColumn &column = columns.at(i);
            PlotModel plot = regressionPlot(column.points.x, column.points.y, column.figures,
                                            input.referenceName, input.names.value(i),
                                            input.options.flag(equalScales), column.band,
                                            options.alpha);
            if (withReplicates)
                plot.title += Texts::tr(", subject means");
            models.append(plot);
            models.append(residualPlot(column.residuals, column.figures, input.referenceName,
                                       input.names.value(i)));
        }
        return models;
    }

    QString document(const QStringList &plotImages) const override
    {
        return regressionDocument(input.referenceName, input.names, figures, options, plotImages,
                                  withReplicates ? &replicatesSection : nullptr, &resampling);
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
            // Only a bootstrap that gave figures (the intervals of the bias at the decision
            // levels) is reported among them: one run for the band alone belongs to the plot,
            // and the figures do not change with whether plots are drawn.
            const int failures = f.biasAt.isEmpty() ? -1 : columns.at(i).bootstrapFailures;
            const bool intervals = !passingBablok || failures >= 0;
            std::vector<Record> biasAt;
            for (const DecisionLevelBias &bias : f.biasAt)
                biasAt.push_back({{QStringLiteral("level"), bias.level},
                                  {QStringLiteral("bias"), bias.bias},
                                  {QStringLiteral("lower"), FieldValue::when(intervals, bias.lower)},
                                  {QStringLiteral("upper"), FieldValue::when(intervals, bias.upper)}});
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
                {QStringLiteral("bootstrap_failures"),
                 FieldValue::when(failures >= 0, FieldValue::count(failures))},
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
    QVector<FittedColumn> columns;
    QVector<RegressionFigures> figures;
    RegressionResampling resampling;
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

    QVector<OptionDeclaration> options() const override
    {
        // In the order of RegressionMethod.
        OptionDeclaration methodSpec = choiceOption(
            method, Texts::tr("Method"), Texts::tr("the fitting method."),
            {{QStringLiteral("passing-bablok"), Texts::tr("Passing–Bablok")},
             {QStringLiteral("deming"), Texts::tr("Deming")},
             {QStringLiteral("weighted-deming"), Texts::tr("Weighted Deming")}});
        OptionDeclaration ratio = numberOption(
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
        OptionDeclaration scales = flagOption(equalScales, Texts::tr("Equal scales on both axes"),
                                       Texts::tr("both axes of the scatter plot in the same units "
                                                 "per pixel."),
                                       true);
        scales.plotOnly = true;
        OptionDeclaration band = flagOption(confidenceBand, Texts::tr("Confidence band of the line"),
                                     Texts::tr("the band of the fitted line on the scatter plot at "
                                               "level 1 - alpha (jackknife for Deming, bootstrap "
                                               "for Passing-Bablok)."),
                                     true);
        band.plotOnly = true;
        OptionDeclaration resamples = numberOption(
            bootstrapResamples, Texts::tr("Bootstrap resamples"),
            Texts::tr("the resamples of the pairs that give the Passing-Bablok intervals of the "
                      "bias at the decision levels and its band."),
            QStringLiteral("B"), 1999, closedInterval(minimumBootstrapResamples, maximumBootstrapResamples),
            0, 100);
        resamples.integer = true;
        resamples.appliesWith = method;
        resamples.appliesToChoices = {int(RegressionMethod::PassingBablok)};
        OptionDeclaration seed = numberOption(
            seedOption, Texts::tr("Random seed"),
            Texts::tr("the seed of the bootstrap: the same seed gives the same intervals."),
            QStringLiteral("S"), 1, closedInterval(0, 9007199254740992.0), 0, 1);
        seed.integer = true;
        seed.appliesWith = method;
        seed.appliesToChoices = {int(RegressionMethod::PassingBablok)};
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
            band,
            resamples,
            seed,
            replicatesOption(),
        };
    }

    std::unique_ptr<AnalysisResult> run(const AnalysisInput &input, Problem *problem) const override
    {
        if (!input.subjectName.isEmpty())
            return runReplicates(input, problem);
        const RegressionOptions options = regressionOptions(input.options);
        QVector<FittedColumn> columns;
        for (int i = 0; i < input.compared.size(); ++i) {
            QString message;
            bool stopped = false;
            columns.append(fitColumn(completePairs(input.reference, input.compared.at(i)), options,
                                     input.options, input.plots, input.names.value(i),
                                     progressOfPart(input.progress, i, input.compared.size()),
                                     &message, &stopped));
            if (!message.isEmpty()) {
                *problem = {input.names.value(i), message, stopped};
                return nullptr;
            }
        }
        return std::make_unique<RegressionResult>(input, this->options(), std::move(columns));
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

        QVector<FittedColumn> columns;
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
            bool stopped = false;
            columns.append(fitColumn({subjectMeans(readings.reference), subjectMeans(readings.compared)},
                                     options, input.options, input.plots, name,
                                     progressOfPart(input.progress, i, input.compared.size()),
                                     &message, &stopped));
            if (!message.isEmpty()) {
                *problem = {name, message, stopped};
                return nullptr;
            }
            const QString note = replicateReadingsNote(readings, name);
            if (!note.isEmpty())
                section.notes.append(note);
        }
        auto result = std::make_unique<RegressionResult>(input, this->options(), std::move(columns));
        result->setReplicates(section);
        return result;
    }

    static OptionDeclaration replicatesOption()
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
