// The agreement (accuracy, precision, CCC, TDI, CP, RBS) as an analysis of the registry. Its
// dialog and its desktop report are the program's own from its first version; this
// declaration gives the batch tool its options, its run and its named fields.
#include "agreementreport.h"
#include "analysis.h"
#include "pairquantities.h"

#include <QCoreApplication>

namespace stats {

namespace {

class AgreementAnalysisTexts
{
    Q_DECLARE_TR_FUNCTIONS(AgreementAnalysis)
};

using Texts = AgreementAnalysisTexts;

const QString tdiAllowance = QStringLiteral("tdi-allowance");
const QString cpAllowance = QStringLiteral("cp-allowance");
const QString alphaOption = QStringLiteral("alpha");
const QString proportional = QStringLiteral("proportional");
const QString random = QStringLiteral("random");

AgreementOptions agreementOptions(const OptionValues &values)
{
    AgreementOptions options;
    options.tdiAllowance = values.number(tdiAllowance);
    options.cpAllowance = values.number(cpAllowance);
    options.alpha = values.number(alphaOption);
    options.proportional = values.flag(proportional);
    options.random = values.flag(random);
    options.sample = true;
    return options;
}

class AgreementResult : public AnalysisResult
{
public:
    AgreementResult(const AnalysisInput &input, const QVector<OptionDeclaration> &declarations,
                    QVector<AgreementFigures> figures)
        : names(input.names)
        , labels(input.labels)
        , options(agreementOptions(input.options))
        , recordedOptions(optionsRecord(declarations, input.options))
        , figures(std::move(figures))
    {
    }

    // The document shows the names as the file has them, as the program's own report does.
    QString document(const QStringList &) const override
    {
        return agreementDocument(labels, figures, options);
    }

    FieldOutput fields() const override
    {
        FieldOutput output;
        output.options = recordedOptions;
        output.rowSuffix = recordedOptions;
        // The engine's limit that cannot be formed (a CP of 1; an alpha outside [0, 1],
        // which the checks keep out) is no number at all.
        const bool concordanceLimits = options.alpha >= 0 && options.alpha <= 1;
        for (int i = 0; i < figures.size(); ++i) {
            const AgreementFigures &f = figures.at(i);
            output.results.push_back({
                {QStringLiteral("name"), names.value(i)},
                {QStringLiteral("n"), FieldValue::count(f.n)},
                {QStringLiteral("accuracy"), f.accuracy},
                {QStringLiteral("accuracy_lower"), FieldValue::when(concordanceLimits, f.accuracyLimit)},
                {QStringLiteral("precision"), f.precision},
                {QStringLiteral("precision_lower"), FieldValue::when(concordanceLimits, f.precisionLimit)},
                {QStringLiteral("ccc"), f.ccc},
                {QStringLiteral("ccc_lower"), FieldValue::when(concordanceLimits, f.cccLimit)},
                {QStringLiteral("tdi"), f.tdi},
                {QStringLiteral("tdi_upper"), f.tdiLimit},
                {QStringLiteral("cp"), f.cp},
                {QStringLiteral("cp_lower"), FieldValue::when(f.cp < 1.0, f.cpLimit)},
                {QStringLiteral("rbs"), f.rbs},
            });
        }
        return output;
    }

private:
    QStringList names;
    QStringList labels;
    AgreementOptions options;
    Record recordedOptions;
    QVector<AgreementFigures> figures;
};

class AgreementAnalysis : public Analysis
{
public:
    QString id() const override { return QLatin1String(agreementId); }
    QString menuText() const override { return Texts::tr("&Agreement"); }
    QString dialogTitle() const override { return Texts::tr("Agreement"); }
    QString summary() const override
    {
        return Texts::tr("accuracy, precision, CCC, TDI, CP and RBS with one-sided confidence "
                         "limits, and the number of complete pairs.");
    }

    QVector<OptionDeclaration> options() const override
    {
        return {
            numberOption(tdiAllowance, QStringLiteral("TDI Allowance"),
                         Texts::tr("the bound for which CP is computed (a percentage with "
                                   "--proportional)."),
                         QStringLiteral("X"), 10.0, NumberRange(), 2, 0.01),
            numberOption(cpAllowance, QStringLiteral("CP Allowance"),
                         Texts::tr("the proportion for which TDI is computed."), QStringLiteral("P"),
                         0.9, openInterval(-1, 1), 2, 0.01),
            numberOption(alphaOption, QStringLiteral("Alpha"),
                         Texts::tr("the significance level of the one-sided limits."),
                         QStringLiteral("A"), 0.05, openInterval(0, 1), 2, 0.01),
            flagOption(proportional, QStringLiteral("Proportional"),
                       Texts::tr("compare on the logarithmic scale.")),
            flagOption(random, QStringLiteral("Random"),
                       Texts::tr("random-mode confidence limits (fixed-mode without it).")),
        };
    }

    // The one check of the agreement's options, the same that words the message about a
    // library error.
    QString optionsProblem(const OptionValues &values, OptionNames names) const override
    {
        return agreementOptionsProblem(agreementOptions(values), names);
    }

    std::unique_ptr<AnalysisResult> run(const AnalysisInput &input, Problem *problem) const override
    {
        const AgreementOptions options = agreementOptions(input.options);
        QVector<AgreementFigures> figures;
        int failed = -1;
        const QString message = catchAgreementError(
            [&](int *column) {
                for (*column = 0; *column < input.compared.size(); ++*column) {
                    failed = *column;
                    figures.append(agreementFigures(input.compared.at(*column), input.reference, options));
                }
            },
            input.compared, input.reference, input.names, options);
        if (!message.isEmpty()) {
            *problem = {input.names.value(failed), message};
            return nullptr;
        }
        return std::make_unique<AgreementResult>(input, this->options(), std::move(figures));
    }
};

} // namespace

const Analysis &agreementAnalysis()
{
    static const AgreementAnalysis analysis;
    return analysis;
}

} // namespace stats
