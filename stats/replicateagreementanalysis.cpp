// Agreement with replicates (Lin's unified approach) as declared to the registry: its
// options, its run over the compared variables, its document and named fields. A pair that
// cannot be analysed says why in its place; the others are still reported.
#include "analysis.h"
#include "completepairs.h"
#include "replicateagreementreport.h"
#include "replicates.h"
#include "unifiedagreement.h"

#include <QCoreApplication>

#include <algorithm>
#include <limits>

namespace stats {

namespace {

class ReplicateAgreementTexts
{
    Q_DECLARE_TR_FUNCTIONS(ReplicateAgreementAnalysis)
};

using Texts = ReplicateAgreementTexts;

const QString tdiAllowance = QStringLiteral("tdi-allowance");
const QString tdiAllowanceIntra = QStringLiteral("tdi-allowance-intra");
const QString tdiAllowanceInter = QStringLiteral("tdi-allowance-inter");
const QString tdiAllowanceTotal = QStringLiteral("tdi-allowance-total");
const QString cpAllowance = QStringLiteral("cp-allowance");
const QString alphaOption = QStringLiteral("alpha");
const QString proportional = QStringLiteral("proportional");

UnifiedAgreementOptions unifiedOptions(const OptionValues &values)
{
    UnifiedAgreementOptions options;
    options.tdiAllowanceIntra = values.number(tdiAllowanceIntra);
    options.tdiAllowanceInter = values.number(tdiAllowanceInter);
    options.tdiAllowanceTotal = values.number(tdiAllowanceTotal);
    options.cpAllowance = values.number(cpAllowance);
    options.alpha = values.number(alphaOption);
    options.proportional = values.flag(proportional);
    return options;
}

Record levelRecord(const AgreementLevel &level)
{
    return {{QStringLiteral("ccc"), level.ccc},
            {QStringLiteral("ccc_lower"), level.cccLower},
            {QStringLiteral("precision"), level.precision},
            {QStringLiteral("precision_lower"), level.precisionLower},
            {QStringLiteral("msd"), level.msd},
            {QStringLiteral("tdi"), level.tdi},
            {QStringLiteral("tdi_upper"), level.tdiUpper},
            {QStringLiteral("cp"), level.cp},
            {QStringLiteral("cp_lower"), level.cpLower}};
}

Record biasedLevelRecord(const BiasedAgreementLevel &level)
{
    Record record = levelRecord(level);
    record.insert(record.end(), {{QStringLiteral("accuracy"), level.accuracy},
                                 {QStringLiteral("accuracy_lower"), level.accuracyLower},
                                 {QStringLiteral("rbs"), level.rbs}});
    return record;
}

// `method` says which of the two it is, so that the CSV columns are the same on every row.
Record methodRecord(const QString &method, const MethodIntraAgreement &intra)
{
    return {{QStringLiteral("method"), method},
            {QStringLiteral("name"), intra.name},
            {QStringLiteral("within_variance"), intra.withinVariance},
            {QStringLiteral("ccc"), intra.ccc},
            {QStringLiteral("ccc_lower"), intra.cccLower},
            {QStringLiteral("tdi"), intra.tdi},
            {QStringLiteral("tdi_upper"), intra.tdiUpper},
            {QStringLiteral("cp"), intra.cp},
            {QStringLiteral("cp_lower"), intra.cpLower}};
}

class ReplicateAgreementResult : public AnalysisResult
{
public:
    ReplicateAgreementResult(const AnalysisInput &input, const QVector<OptionDeclaration> &declarations,
                             QVector<ReplicateAgreementPair> pairs)
        : referenceName(input.referenceName)
        , subjectName(input.subjectName)
        , options(unifiedOptions(input.options))
        , recordedOptions(optionsRecord(declarations, input.options))
        , pairs(std::move(pairs))
    {
    }

    QString document(const QStringList &) const override
    {
        return replicateAgreementDocument(referenceName, subjectName, pairs, options);
    }

    // A pair that cannot be analysed has its counts, its problem, and null figures.
    FieldOutput fields() const override
    {
        FieldOutput output;
        output.analysis = QStringLiteral("replicate-agreement");
        output.options = {{QStringLiteral("reference"), referenceName},
                          {QStringLiteral("subject"), subjectName}};
        output.options.insert(output.options.end(), recordedOptions.begin(), recordedOptions.end());
        for (const ReplicateAgreementPair &pair : pairs) {
            const UnifiedAgreementFigures &f = pair.figures;
            const bool figures = pair.problem.isEmpty();
            std::vector<Record> methods;
            const QVector<MethodIntraAgreement> intra =
                figures ? f.methods : QVector<MethodIntraAgreement>{{referenceName}, {pair.name}};
            methods.push_back(methodRecord(QStringLiteral("reference"), intra.value(0)));
            methods.push_back(methodRecord(QStringLiteral("compared"), intra.value(1)));
            output.results.push_back({
                {QStringLiteral("name"), pair.name},
                {QStringLiteral("n"), FieldValue::count(f.n)},
                {QStringLiteral("m"), FieldValue::count(f.m)},
                {QStringLiteral("left_out"), FieldValue::count(f.leftOut)},
                {QStringLiteral("problem"), FieldValue::when(!figures, pair.problem)},
                {QStringLiteral("intra"), FieldValue::nested(levelRecord(f.intra))},
                {QStringLiteral("inter"), FieldValue::nested(biasedLevelRecord(f.inter))},
                {QStringLiteral("total"), FieldValue::nested(biasedLevelRecord(f.total))},
                {QStringLiteral("methods"),
                 FieldValue::list(std::move(methods), QStringLiteral("method"), QString())},
            });
        }
        return output;
    }

private:
    QString referenceName;
    QString subjectName;
    UnifiedAgreementOptions options;
    Record recordedOptions;
    QVector<ReplicateAgreementPair> pairs;
};

class ReplicateAgreementAnalysis : public Analysis
{
public:
    QString id() const override { return QStringLiteral("replicate-agreement"); }
    QString menuText() const override { return Texts::tr("Agreement with re&plicates…"); }
    QString dialogTitle() const override { return Texts::tr("Agreement with replicates"); }
    QString summary() const override
    {
        return Texts::tr("Lin's agreement with replicated readings: intra-, inter- and "
                         "total-level CCC, precision, accuracy, TDI, CP and RBS with one-sided "
                         "limits, and each method's intra level.");
    }
    SubjectColumn subjectColumn() const override { return SubjectColumn::Required; }

    QVector<OptionDeclaration> options() const override
    {
        const auto allowance = [](const QString &name, const QString &label, const QString &help) {
            return numberOption(name, label, help, QStringLiteral("X"), 10.0,
                                {0.0, std::numeric_limits<double>::infinity(), true, false}, 2, 0.01);
        };
        OptionDeclaration every = allowance(tdiAllowance, Texts::tr("TDI Allowance"),
                                     Texts::tr("the bound for which CP is computed at every level "
                                               "(a percentage with --proportional)."));
        every.shorthandFor = QStringList{tdiAllowanceIntra, tdiAllowanceInter, tdiAllowanceTotal};
        return {
            every,
            allowance(tdiAllowanceIntra, Texts::tr("TDI Allowance, intra"),
                      Texts::tr("the bound for CP at the intra level.")),
            allowance(tdiAllowanceInter, Texts::tr("TDI Allowance, inter"),
                      Texts::tr("the bound for CP at the inter level.")),
            allowance(tdiAllowanceTotal, Texts::tr("TDI Allowance, total"),
                      Texts::tr("the bound for CP at the total level.")),
            numberOption(cpAllowance, Texts::tr("CP Allowance"),
                         Texts::tr("the proportion for which TDI is computed."), QStringLiteral("P"),
                         0.9, openInterval(0, 1), 2, 0.01),
            numberOption(alphaOption, Texts::tr("Alpha"),
                         Texts::tr("the significance level of the one-sided limits."),
                         QStringLiteral("A"), 0.05, openInterval(0, 1), 2, 0.01),
            flagOption(proportional, Texts::tr("Proportional"),
                       Texts::tr("compare on the logarithmic scale, TDI in percent.")),
        };
    }

    // The quantiles of alpha and of the CP Allowance must be finite.
    QString optionsProblem(const OptionValues &values, OptionNames) const override
    {
        return unifiedAgreementOptionsProblem(unifiedOptions(values));
    }

    std::unique_ptr<AnalysisResult> run(const AnalysisInput &input, Problem *problem) const override
    {
        const UnifiedAgreementOptions options = unifiedOptions(input.options);
        const SubjectGroups groups = groupBySubject(input.subject);
        const int rows = input.subject.size();
        const QVector<double> gold = columnReadings(input.reference, rows);
        QVector<ReplicateAgreementPair> pairs;
        for (int i = 0; i < input.compared.size(); ++i) {
            ReplicateAgreementPair pair;
            pair.name = input.names.value(i);
            pair.figures = unifiedAgreement(groups, gold, columnReadings(input.compared.at(i), rows),
                                            input.referenceName, pair.name, options, &pair.problem);
            pairs.append(pair);
        }
        // Only when no pair has figures is there nothing to report.
        if (std::all_of(pairs.cbegin(), pairs.cend(),
                        [](const ReplicateAgreementPair &pair) { return !pair.problem.isEmpty(); })) {
            *problem = {pairs.value(0).name, pairs.value(0).problem};
            return nullptr;
        }
        return std::make_unique<ReplicateAgreementResult>(input, this->options(), std::move(pairs));
    }
};

} // namespace

const Analysis &replicateAgreementAnalysis()
{
    static const ReplicateAgreementAnalysis analysis;
    return analysis;
}

} // namespace stats
