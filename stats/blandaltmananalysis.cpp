// The Bland–Altman analysis as declared to the registry: its options, its run over the
// compared variables, its document, plots and named fields.
#include "analysis.h"
#include "blandaltman.h"
#include "blandaltmanreport.h"

#include <QCoreApplication>

namespace stats {

namespace {

class BlandAltmanAnalysisTexts
{
    Q_DECLARE_TR_FUNCTIONS(BlandAltmanAnalysis)
};

using Texts = BlandAltmanAnalysisTexts;

const QString differences = QStringLiteral("differences");
const QString xAxis = QStringLiteral("x-axis");
const QString coverage = QStringLiteral("loa-coverage");
const QString alphaOption = QStringLiteral("alpha");
const QString limitInterval = QStringLiteral("loa-ci");

BlandAltmanOptions blandAltmanOptions(const OptionValues &values)
{
    BlandAltmanOptions options;
    options.differences = DifferenceScale(values.choice(differences));
    options.axis = DifferenceAxis(values.choice(xAxis));
    options.coverage = values.number(coverage);
    options.alpha = values.number(alphaOption);
    options.limitInterval = LimitInterval(values.choice(limitInterval));
    return options;
}

class BlandAltmanResult : public AnalysisResult
{
public:
    BlandAltmanResult(const AnalysisInput &input, const QVector<OptionSpec> &specs,
                      QVector<BlandAltmanFigures> figures)
        : referenceName(input.referenceName)
        , names(input.names)
        , options(blandAltmanOptions(input.options))
        , recordedOptions(optionsRecord(specs, input.options))
        , figures(std::move(figures))
    {
    }

    QVector<PlotModel> plots() const override
    {
        QVector<PlotModel> models;
        for (int i = 0; i < figures.size(); ++i)
            models.append(blandAltmanPlot(figures.at(i), options, referenceName, names.value(i)));
        return models;
    }

    QString document(const QStringList &plotImages) const override
    {
        return blandAltmanDocument(referenceName, names, figures, options, plotImages);
    }

    FieldOutput fields() const override
    {
        FieldOutput output;
        output.analysis = QStringLiteral("bland-altman");
        output.options = {{QStringLiteral("reference"), referenceName}};
        output.options.insert(output.options.end(), recordedOptions.begin(), recordedOptions.end());
        for (int i = 0; i < figures.size(); ++i) {
            const BlandAltmanFigures &f = figures.at(i);
            output.results.push_back({
                {QStringLiteral("name"), names.value(i)},
                {QStringLiteral("n"), FieldValue::count(f.n)},
                {QStringLiteral("bias"), f.bias},
                {QStringLiteral("bias_lower"), f.biasLower},
                {QStringLiteral("bias_upper"), f.biasUpper},
                {QStringLiteral("sd"), f.sd},
                {QStringLiteral("loa_lower"), f.loaLower},
                {QStringLiteral("loa_lower_ci_lower"), f.loaLowerCiLower},
                {QStringLiteral("loa_lower_ci_upper"), f.loaLowerCiUpper},
                {QStringLiteral("loa_upper"), f.loaUpper},
                {QStringLiteral("loa_upper_ci_lower"), f.loaUpperCiLower},
                {QStringLiteral("loa_upper_ci_upper"), f.loaUpperCiUpper},
                {QStringLiteral("slope"), f.slope},
                {QStringLiteral("slope_lower"), f.slopeLower},
                {QStringLiteral("slope_upper"), f.slopeUpper},
                {QStringLiteral("slope_p"), f.slopeP},
            });
        }
        return output;
    }

private:
    QString referenceName;
    QStringList names;
    BlandAltmanOptions options;
    Record recordedOptions;
    QVector<BlandAltmanFigures> figures;
};

class BlandAltmanAnalysis : public Analysis
{
public:
    QString id() const override { return QStringLiteral("bland-altman"); }
    QString menuText() const override { return Texts::tr("&Bland–Altman…"); }
    QString dialogTitle() const override { return Texts::tr("Bland–Altman"); }
    QString summary() const override
    {
        return Texts::tr("bias and limits of agreement with confidence intervals, the "
                         "proportional bias, and the difference plots.");
    }
    bool hasPlots() const override { return true; }

    // The choices stand in the order of the enumerations they choose from.
    QVector<OptionSpec> options() const override
    {
        return {
            choiceOption(differences, Texts::tr("Differences"),
                         Texts::tr("compared - reference, its percentage of the pair's mean, or "
                                   "the ratio compared / reference."),
                         {{QStringLiteral("absolute"), Texts::tr("Absolute (compared − reference)")},
                          {QStringLiteral("percentage"), Texts::tr("Percentage (of the pair's mean)")},
                          {QStringLiteral("ratio"), Texts::tr("Ratio (compared / reference)")}}),
            choiceOption(xAxis, Texts::tr("X axis"),
                         Texts::tr("plot the differences against the mean of the pair or the "
                                   "reference."),
                         {{QStringLiteral("mean"), Texts::tr("Mean of the pair")},
                          {QStringLiteral("reference"), Texts::tr("Reference")}}),
            numberOption(coverage, Texts::tr("Limits of agreement coverage"),
                         Texts::tr("the share of differences the limits of agreement are to hold."),
                         QStringLiteral("P"), 0.95, openInterval(0, 1), 3, 0.005),
            numberOption(alphaOption, Texts::tr("Alpha for the confidence intervals"),
                         Texts::tr("the significance level of the two-sided confidence intervals."),
                         QStringLiteral("A"), 0.05, openInterval(0, 1), 3, 0.005),
            choiceOption(limitInterval, Texts::tr("CI of the limits"),
                         Texts::tr("confidence intervals of the limits from the non-central t "
                                   "distribution, or the approximation of Bland and Altman (1999)."),
                         {{QStringLiteral("exact"), Texts::tr("Exact")},
                          {QStringLiteral("approximate"), Texts::tr("Approximate")}}),
        };
    }

    std::unique_ptr<AnalysisResult> run(const AnalysisInput &input, Problem *problem) const override
    {
        const BlandAltmanOptions options = blandAltmanOptions(input.options);
        QVector<BlandAltmanFigures> figures;
        for (int i = 0; i < input.compared.size(); ++i) {
            QString message;
            figures.append(blandAltmanFigures(input.compared.at(i), input.reference, options,
                                              input.names.value(i), &message));
            if (!message.isEmpty()) {
                *problem = {input.names.value(i), message};
                return nullptr;
            }
        }
        return std::make_unique<BlandAltmanResult>(input, this->options(), std::move(figures));
    }
};

} // namespace

const Analysis &blandAltmanAnalysis()
{
    static const BlandAltmanAnalysis analysis;
    return analysis;
}

} // namespace stats
