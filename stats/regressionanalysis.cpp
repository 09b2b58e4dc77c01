// Method-comparison regression (Passing–Bablok, Deming, weighted Deming) as declared to the
// registry: its options, its run over the compared variables, its document, plots and
// named fields.
#include "analysis.h"
#include "completepairs.h"
#include "regression.h"
#include "regressionreport.h"

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
    RegressionResult(const AnalysisInput &input, const QVector<OptionSpec> &specs,
                     QVector<RegressionFigures> figures)
        : input(input)
        , options(regressionOptions(input.options))
        , recordedOptions(optionsRecord(specs, input.options))
        , figures(std::move(figures))
    {
    }

    QVector<PlotModel> plots() const override
    {
        QVector<PlotModel> models;
        for (int i = 0; i < figures.size(); ++i) {
            const CompletePairs pairs = completePairs(input.reference, input.compared.at(i));
            models.append(regressionPlot(pairs.x, pairs.y, figures.at(i), input.referenceName,
                                         input.names.value(i), input.options.flag(equalScales)));
        }
        return models;
    }

    QString document(const QStringList &plotImages) const override
    {
        return regressionDocument(input.referenceName, input.names, figures, options, plotImages);
    }

    FieldOutput fields() const override
    {
        FieldOutput output;
        output.analysis = QStringLiteral("regression");
        output.options = {{QStringLiteral("reference"), input.referenceName}};
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
        }
        return output;
    }

private:
    AnalysisInput input;
    RegressionOptions options;
    Record recordedOptions;
    QVector<RegressionFigures> figures;
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
        };
    }

    std::unique_ptr<AnalysisResult> run(const AnalysisInput &input, Problem *problem) const override
    {
        const RegressionOptions options = regressionOptions(input.options);
        QVector<RegressionFigures> figures;
        for (int i = 0; i < input.compared.size(); ++i) {
            QString message;
            figures.append(regressionFigures(input.compared.at(i), input.reference, options,
                                             input.names.value(i), &message));
            if (!message.isEmpty()) {
                *problem = {input.names.value(i), message};
                return nullptr;
            }
        }
        return std::make_unique<RegressionResult>(input, this->options(), std::move(figures));
    }
};

} // namespace

const Analysis &regressionAnalysis()
{
    static const RegressionAnalysis analysis;
    return analysis;
}

} // namespace stats
