// The Bland–Altman analysis as declared to the registry: its options, its run over the
// compared variables, its document, plots and named fields.
#include "analysis.h"
#include "blandaltman.h"
#include "blandaltmanreport.h"
#include "completepairs.h"
#include "replicates.h"

#include <QCoreApplication>

#include <cmath>

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
const QString replicates = QStringLiteral("replicates");
const QString limitsMethod = QStringLiteral("loa-method");

BlandAltmanOptions blandAltmanOptions(const OptionValues &values)
{
    BlandAltmanOptions options;
    options.differences = DifferenceScale(values.choice(differences));
    options.axis = DifferenceAxis(values.choice(xAxis));
    options.coverage = values.number(coverage);
    options.alpha = values.number(alphaOption);
    options.limitInterval = LimitInterval(values.choice(limitInterval));
    options.limits = LimitsMethod(values.choice(limitsMethod));
    return options;
}

// What the analysis of one compared variable with replicates adds to its figures.
struct ReplicateColumn
{
    ReplicateAgreementFigures figures;
    RepeatabilityFigures reference;
    RepeatabilityFigures compared;
};

// The figures of replicates as the table of the constant limits shows them: n counts
// subjects, SD is that of the difference of single readings, the slope is that of the
// plotted points.
BlandAltmanFigures tableFigures(const ReplicateAgreementFigures &r, double alpha)
{
    BlandAltmanFigures f;
    f.n = r.subjects;
    f.bias = r.bias;
    f.biasLower = r.biasLower;
    f.biasUpper = r.biasUpper;
    f.sd = r.sd;
    f.loaLower = r.loaLower;
    f.loaLowerCiLower = r.loaLowerCiLower;
    f.loaLowerCiUpper = r.loaLowerCiUpper;
    f.loaUpper = r.loaUpper;
    f.loaUpperCiLower = r.loaUpperCiLower;
    f.loaUpperCiUpper = r.loaUpperCiUpper;
    const ProportionalBias slope = proportionalBias(r.axisValues, r.differences, alpha);
    f.slope = slope.slope;
    f.slopeLower = slope.lower;
    f.slopeUpper = slope.upper;
    f.slopeP = slope.p;
    f.axisValues = r.axisValues;
    f.differences = r.differences;
    return f;
}

// One method's repeatability; `method` says which of the two it is, so that the CSV columns
// are the same on every row whatever the compared variable is called.
Record repeatabilityRecord(const QString &method, const RepeatabilityFigures &r)
{
    return {{QStringLiteral("method"), method},
            {QStringLiteral("name"), r.name},
            {QStringLiteral("within_sd"), r.withinSd},
            {QStringLiteral("within_sd_lower"), r.withinSdLower},
            {QStringLiteral("within_sd_upper"), r.withinSdUpper},
            {QStringLiteral("df"), FieldValue::count(r.df)},
            {QStringLiteral("repeatability"), r.repeatability},
            {QStringLiteral("kendall_tau"), r.kendallTau},
            {QStringLiteral("kendall_p"), r.kendallP}};
}

// The limits of the method chosen when they are not the constant ones, from the plotted
// differences (on the log scale for ratios, reported back as ratios); the table's limits
// become theirs: the quantile limits, or the regression-based limits at the median X.
bool addOtherLimits(const BlandAltmanOptions &options, const QStringList &names,
                    QVector<BlandAltmanFigures> *figures, QVector<OtherLimits> *others,
                    Problem *problem)
{
    if (options.limits == LimitsMethod::Constant)
        return true;
    const bool ratio = options.differences == DifferenceScale::Ratio;
    const auto reported = [ratio](double value) { return ratio ? std::exp(value) : value; };
    for (int i = 0; i < figures->size(); ++i) {
        BlandAltmanFigures &f = (*figures)[i];
        QVector<double> working = f.differences;
        if (ratio) {
            for (double &value : working)
                value = std::log(value);
        }
        QString message;
        OtherLimits other;
        if (options.limits == LimitsMethod::Regression) {
            other.regression = regressionLimits(f.axisValues, working, options, names.value(i), &message);
            for (LimitsAt &at : other.regression.limitsAt) {
                at.bias = reported(at.bias);
                at.lower = reported(at.lower);
                at.upper = reported(at.upper);
            }
            const LimitsAt median = other.regression.limitsAt.value(1);
            f.loaLower = median.lower;
            f.loaUpper = median.upper;
            f.loaLowerCiLower = f.loaLowerCiUpper = f.loaUpperCiLower = f.loaUpperCiUpper = qQNaN();
        } else {
            other.nonparametric = nonparametricLimits(working, options, names.value(i), &message);
            for (QuantileInterval *q : {&other.nonparametric.median, &other.nonparametric.lower,
                                        &other.nonparametric.upper}) {
                q->estimate = reported(q->estimate);
                q->lower = reported(q->lower);
                q->upper = reported(q->upper);
            }
            f.loaLower = other.nonparametric.lower.estimate;
            f.loaLowerCiLower = other.nonparametric.lower.lower;
            f.loaLowerCiUpper = other.nonparametric.lower.upper;
            f.loaUpper = other.nonparametric.upper.estimate;
            f.loaUpperCiLower = other.nonparametric.upper.lower;
            f.loaUpperCiUpper = other.nonparametric.upper.upper;
        }
        if (!message.isEmpty()) {
            *problem = {names.value(i), message};
            return false;
        }
        others->append(other);
    }
    return true;
}

Record lineRecord(const QString &prefix, const LinearFit &fit)
{
    return {{prefix + QStringLiteral("_intercept"), fit.intercept},
            {prefix + QStringLiteral("_intercept_lower"), fit.interceptLower},
            {prefix + QStringLiteral("_intercept_upper"), fit.interceptUpper},
            {prefix + QStringLiteral("_slope"), fit.slope},
            {prefix + QStringLiteral("_slope_lower"), fit.slopeLower},
            {prefix + QStringLiteral("_slope_upper"), fit.slopeUpper}};
}

class BlandAltmanResult : public AnalysisResult
{
public:
    BlandAltmanResult(const AnalysisInput &input, const QVector<OptionDeclaration> &declarations,
                      QVector<BlandAltmanFigures> figures)
        : referenceName(input.referenceName)
        , names(input.names)
        , options(blandAltmanOptions(input.options))
        , recordedOptions(optionsRecord(declarations, input.options))
        , figures(std::move(figures))
    {
    }

    void setOtherLimits(QVector<OtherLimits> limits) { otherLimits = std::move(limits); }

    // With replicates: the per-subject (or per-pair) figures and what the document adds.
    void setReplicates(QVector<ReplicateColumn> columns, const ReplicatesSection &section)
    {
        replicateColumns = std::move(columns);
        replicatesSection = section;
    }

    QVector<PlotModel> plots() const override
    {
        QVector<PlotModel> models;
        for (int i = 0; i < figures.size(); ++i) {
            PlotModel plot = blandAltmanPlot(figures.at(i), options, referenceName, names.value(i),
                                             otherLimits.isEmpty() ? nullptr : &otherLimits.at(i));
            // Exchangeable replicates: a marker's area tells how many readings its subject has.
            if (!replicateColumns.isEmpty() && replicatesSection.design == ReplicateDesign::Exchangeable) {
                for (int readings : replicateColumns.at(i).figures.readings)
                    plot.points.first().weights.append(readings);
                plot.title += Texts::tr(" (one point per subject)");
            } else if (!replicateColumns.isEmpty()) {
                plot.title += Texts::tr(" (one point per pair)");
            }
            models.append(plot);
        }
        return models;
    }

    QString document(const QStringList &plotImages) const override
    {
        return blandAltmanDocument(referenceName, names, figures, options, plotImages,
                                   replicateColumns.isEmpty() ? nullptr : &replicatesSection,
                                   otherLimits.isEmpty() ? nullptr : &otherLimits);
    }

    FieldOutput fields() const override
    {
        FieldOutput output;
        output.analysis = QStringLiteral("bland-altman");
        output.options = {{QStringLiteral("reference"), referenceName}};
        if (!replicateColumns.isEmpty())
            output.options.push_back({QStringLiteral("subject"), replicatesSection.subjectName});
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
            if (!otherLimits.isEmpty())
                addOtherLimitFields(otherLimits.at(i), &output.results.back());
            if (!replicateColumns.isEmpty())
                addReplicateFields(replicateColumns.at(i), &output.results.back());
        }
        return output;
    }

private:
    void addOtherLimitFields(const OtherLimits &other, Record *result) const
    {
        if (options.limits == LimitsMethod::Nonparametric) {
            const QuantileInterval &median = other.nonparametric.median;
            result->insert(result->end(), {{QStringLiteral("median"), median.estimate},
                                           {QStringLiteral("median_lower"), median.lower},
                                           {QStringLiteral("median_upper"), median.upper}});
            return;
        }
        const RegressionLimits &r = other.regression;
        const Record bias = lineRecord(QStringLiteral("bias"), r.bias);
        const Record spread = lineRecord(QStringLiteral("sd"), r.spread);
        result->insert(result->end(), bias.begin(), bias.end());
        result->insert(result->end(), spread.begin(), spread.end());
        static const QString places[] = {QStringLiteral("min"), QStringLiteral("median"), QStringLiteral("max")};
        std::vector<Record> at;
        for (int k = 0; k < r.limitsAt.size() && k < 3; ++k)
            at.push_back({{QStringLiteral("at"), places[k]},
                          {QStringLiteral("x"), r.limitsAt.at(k).x},
                          {QStringLiteral("lower"), r.limitsAt.at(k).lower},
                          {QStringLiteral("upper"), r.limitsAt.at(k).upper}});
        result->insert(result->end(),
                       {{QStringLiteral("loa_at"), FieldValue::list(std::move(at), QStringLiteral("at"), QString())},
                        {QStringLiteral("spread_not_positive"), r.spreadNotPositive}});
    }

    void addReplicateFields(const ReplicateColumn &column, Record *result) const
    {
        const ReplicateAgreementFigures &r = column.figures;
        const bool linked = r.design == ReplicateDesign::Linked;
        result->insert(result->end(),
                       {{QStringLiteral("subjects"), FieldValue::count(r.subjects)},
                        {QStringLiteral("pairs"), FieldValue::when(linked, FieldValue::count(r.pairs))},
                        {QStringLiteral("replicates"), replicateDesignName(r.design)},
                        {QStringLiteral("within_sd_reference"), r.withinSdReference},
                        {QStringLiteral("within_sd_compared"), r.withinSdCompared},
                        {QStringLiteral("repeatability"),
                         FieldValue::list({repeatabilityRecord(QStringLiteral("reference"), column.reference),
                                           repeatabilityRecord(QStringLiteral("compared"), column.compared)},
                                          QStringLiteral("method"), QString())}});
    }

    QString referenceName;
    QStringList names;
    BlandAltmanOptions options;
    Record recordedOptions;
    QVector<BlandAltmanFigures> figures;
    QVector<ReplicateColumn> replicateColumns;
    ReplicatesSection replicatesSection;
    QVector<OtherLimits> otherLimits;
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
    SubjectColumn subjectColumn() const override { return SubjectColumn::Optional; }

    // The choices stand in the order of the enumerations they choose from.
    QVector<OptionDeclaration> options() const override
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
            choiceOption(limitsMethod, Texts::tr("Limits"),
                         Texts::tr("constant limits (bias -+ z SD), regression-based limits that "
                                   "follow the X axis values (Bland and Altman 1999), or the "
                                   "sample quantiles of the differences."),
                         {{QStringLiteral("constant"), Texts::tr("Constant (bias ± z SD)")},
                          {QStringLiteral("regression"), Texts::tr("Regression-based (follow the X axis)")},
                          {QStringLiteral("nonparametric"), Texts::tr("Non-parametric (sample quantiles)")}}),
            limitIntervalOption(),
            replicatesOption(),
        };
    }

    std::unique_ptr<AnalysisResult> run(const AnalysisInput &input, Problem *problem) const override
    {
        if (!input.subjectName.isEmpty())
            return runReplicates(input, problem);
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
        QVector<OtherLimits> others;
        if (!addOtherLimits(options, input.names, &figures, &others, problem))
            return nullptr;
        auto result = std::make_unique<BlandAltmanResult>(input, this->options(), std::move(figures));
        result->setOtherLimits(std::move(others));
        return result;
    }

private:
    // Bland–Altman with replicates: the limits of single readings from the subjects'
    // readings grouped by the subject column, and each method's repeatability.
    std::unique_ptr<AnalysisResult> runReplicates(const AnalysisInput &input, Problem *problem) const
    {
        const BlandAltmanOptions options = blandAltmanOptions(input.options);
        if (options.differences != DifferenceScale::Absolute) {
            *problem = {QString(), Texts::tr("With a subject column the Bland–Altman analysis "
                                             "takes absolute differences (compared − reference); "
                                             "percentages and ratios of replicated readings are "
                                             "not available.")};
            return nullptr;
        }
        const ReplicateDesign design = ReplicateDesign(input.options.choice(replicates));
        const ReplicateOptions replicateOptions{options.coverage, options.alpha, options.axis};
        const SubjectGroups groups = groupBySubject(input.subject);
        const int rows = input.subject.size();
        const QVector<double> x = columnReadings(input.reference, rows);

        QVector<BlandAltmanFigures> figures;
        QVector<ReplicateColumn> columns;
        ReplicatesSection section{input.subjectName, design, {}, {}};
        for (int i = 0; i < input.compared.size(); ++i) {
            const QString &name = input.names.value(i);
            const ReplicateReadings readings =
                replicateReadings(groups, x, columnReadings(input.compared.at(i), rows), design);
            QString message;
            ReplicateColumn column;
            column.figures = replicateBlandAltman(readings, replicateOptions, name, &message);
            if (!message.isEmpty()) {
                *problem = {name, message};
                return nullptr;
            }
            // A method read once per subject has no repeatability; the limits need none.
            const auto addRepeatability = [&](const SubjectReadings &readingsOf, const QString &methodName,
                                              RepeatabilityFigures *into) {
                QString cause;
                *into = repeatability(readingsOf, replicateOptions, methodName, &cause);
                into->name = methodName;
                if (!cause.isEmpty())
                    section.notes.append(cause);
            };
            addRepeatability(readings.reference, input.referenceName, &column.reference);
            addRepeatability(readings.compared, name, &column.compared);
            const QString note = replicateReadingsNote(readings, name);
            if (!note.isEmpty())
                section.notes.append(note);
            section.repeatability << column.reference << column.compared;
            figures.append(tableFigures(column.figures, options.alpha));
            columns.append(column);
        }
        QVector<OtherLimits> others;
        if (!addOtherLimits(options, input.names, &figures, &others, problem))
            return nullptr;
        auto result = std::make_unique<BlandAltmanResult>(input, this->options(), std::move(figures));
        result->setOtherLimits(std::move(others));
        result->setReplicates(std::move(columns), section);
        return result;
    }

    // With replicates the limits' intervals are MOVER's, whatever this option says.
    static OptionDeclaration limitIntervalOption()
    {
        OptionDeclaration declaration = choiceOption(
            limitInterval, Texts::tr("CI of the limits"),
            Texts::tr("confidence intervals of the limits from the non-central t distribution, "
                      "or the approximation of Bland and Altman (1999)."),
            {{QStringLiteral("exact"), Texts::tr("Exact")},
             {QStringLiteral("approximate"), Texts::tr("Approximate")}});
        declaration.subjectUse = OptionDeclaration::SubjectUse::WithoutSubject;
        declaration.appliesWith = limitsMethod;
        declaration.appliesToChoices = {int(LimitsMethod::Constant)};
        return declaration;
    }

    static OptionDeclaration replicatesOption()
    {
        return replicateDesignOption(Texts::tr(
                                               "with --subject: exchangeable, the true value is constant within a "
                                               "subject and the methods' readings are not paired; linked, each row "
                                               "pairs readings taken together."));
    }
};

} // namespace

const Analysis &blandAltmanAnalysis()
{
    static const BlandAltmanAnalysis analysis;
    return analysis;
}

} // namespace stats
