#include "agreementreport.h"

#include "completepairs.h"
#include "concordance.h"
#include "diagnostics.h"
#include "reporthtml.h"
#include "tdicp.h"
#include "vectortoolkit.h"

#include <QDebug>

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace stats {

namespace {

void takeLogarithms(QVector<double> *v)
{
    for (double &value : *v)
        value = std::log(value);
}

} // namespace

AgreementFigures agreementFigures(QVector<QVariant> other, QVector<QVariant> gold,
                                  const AgreementOptions &options)
{
    CompletePairs pairs = completePairs(gold, other);
    QVector<double> &x = pairs.x;
    QVector<double> &y = pairs.y;
    // Released, not cleared: QVector::clear() would first copy cells shared with the caller.
    gold = QVector<QVariant>();
    other = QVector<QVariant>();
    if (options.proportional) {
        takeLogarithms(&x);
        takeLogarithms(&y);
    }

    // One summary of the pair serves every estimator. The order of the estimators decides
    // which library error surfaces first.
    const Mode mode = options.random ? Mode::Random : Mode::Fixed;
    const PairQuantities q = pairQuantities(x, y);
    AgreementFigures figures;
    figures.n = x.size();
    figures.accuracy = accuracy(q);
    figures.precision = precision(q, options.sample);
    figures.ccc = figures.precision * figures.accuracy;
    figures.tdi = tdi(q, options.cpAllowance, options.proportional);
    figures.rbs = rbs(q);
    if (mode == Mode::Random)
        qCDebug(concordaDiagnostics) << x << "-" << y;
    const Coverage c = coverage(q, y, options.tdiAllowance, options.proportional, mode);
    figures.cp = c.value;
    figures.accuracyLimit = accuracyLimit(q, options.alpha, mode);
    figures.precisionLimit = precisionLimit(q, options.alpha, mode);
    figures.cccLimit = cccLimit(q, options.alpha, mode);
    figures.tdiLimit = tdiLimit(q, options.cpAllowance, options.proportional, options.alpha, mode);
    figures.cpLimit = cpLimit(q, y, c, standardNormalQuantile(1.0 - options.alpha));
    return figures;
}

namespace {

QString fixed(double value, int decimals)
{
    QString text;
    text.setNum(value, 'f', decimals);
    return text;
}

QString resultRow(const QString &name, const AgreementFigures &f)
{
    QString count;
    count.setNum(f.n, 10);
    return QStringLiteral("<td><b>%1</b></td>").arg(name.toHtmlEscaped())
         + QStringLiteral("<td>%1 (%2)</td> <td>%3 (%4)</td><td>%5 (%6)</td><td>%7 (%8)</td>"
                          "<td>%9 (%10)</td><td>%11</td><td>%12</td>")
               .arg(fixed(f.accuracy, 5))
               .arg(fixed(f.accuracyLimit, 5))
               .arg(fixed(f.precision, 5))
               .arg(fixed(f.precisionLimit, 5))
               .arg(fixed(f.ccc, 5))
               .arg(fixed(f.cccLimit, 5))
               .arg(fixed(f.tdi, 5))
               .arg(fixed(f.tdiLimit, 5))
               .arg(fixed(f.cp, 4))
               .arg(fixed(f.cpLimit, 4))
               .arg(fixed(f.rbs, 5))
               .arg(count)
         + QStringLiteral("</tr>");
}

} // namespace

QString agreementDocument(QVector<QVector<QVariant>> others, const QVector<QVariant> &gold,
                          const QStringList &names, const AgreementOptions &options,
                          int *failedColumn)
{
    QVector<AgreementFigures> figures;
    for (int i = 0; i < others.size(); ++i) {
        if (failedColumn)
            *failedColumn = i;
        // Each compared column is paired with the complete reference column anew.
        figures.append(agreementFigures(std::move(others[i]), gold, options));
    }
    if (failedColumn)
        *failedColumn = -1;
    return agreementDocument(names, figures, options);
}

QString agreementDocument(const QStringList &names, const QVector<AgreementFigures> &figures,
                          const AgreementOptions &options)
{
    QString html = plainReportStart() + QStringLiteral("<table style=\"width:300px\">");
    html += QStringLiteral("<td><b>TDI Allowance: %1</b></td><td><b>CP Allowance: %2</b></td>"
                           "<td><b>Alpha: %3</b></td>")
                .arg(options.tdiAllowance, 0, 'g', -1)
                .arg(options.cpAllowance, 0, 'g', -1)
                .arg(options.alpha, 0, 'g', -1);
    html += QStringLiteral("</table><table style=\"width:300px\">");
    html += QStringLiteral("<th style=\"border:none;\"></th><th>%1</th><th>%2</th><th>%3</th>"
                           "<th>%4</th><th>%5</th><th>%6</th><th>%7</th>")
                .arg(QStringLiteral("Accuracy"), QStringLiteral("Precision"),
                     QStringLiteral("CCC"), QStringLiteral("TDI"), QStringLiteral("CP"),
                     QStringLiteral("RBS"))
                .arg(QLatin1Char('n'));
    html += QStringLiteral("</tr>");
    for (int i = 0; i < figures.size(); ++i)
        html += resultRow(names.value(i), figures.at(i));
    html += QStringLiteral("</table> </body> </html>");
    return html;
}

namespace {

struct PairSummary
{
    qint64 n = 0;
    bool nonPositive = false;        // a reading <= 0: no logarithm under proportional
    bool nonFinite = false;          // a reading too large to compute with (inf from 1e999)
    bool squaresOverflow = false;    // readings whose squares overflow (beyond about 1e154)
    bool constant = false;           // a column with one value in every complete pair
    bool constantDifference = false; // y - x the same in every complete pair
};

// Whether a variance is zero up to rounding, relative to the magnitude of the data.
bool noSpread(const QVector<double> &v, double magnitude)
{
    return variance(v) <= 1e-20 * magnitude * magnitude;
}

PairSummary summarize(const QVector<QVariant> &other, const QVector<QVariant> &gold)
{
    const CompletePairs pairs = completePairs(gold, other);
    const QVector<double> &x = pairs.x;
    const QVector<double> &y = pairs.y;
    PairSummary summary;
    summary.n = x.size();
    double magnitude = 0;
    for (int i = 0; i < x.size(); ++i) {
        summary.nonPositive = summary.nonPositive || x[i] <= 0 || y[i] <= 0;
        summary.nonFinite = summary.nonFinite || !std::isfinite(x[i]) || !std::isfinite(y[i]);
        magnitude = std::max({magnitude, std::fabs(x[i]), std::fabs(y[i])});
    }
    if (!x.isEmpty()) {
        // Readings whose squares overflow make every variance infinite or NaN, which the
        // checks below would take for "no spread"; on the log scale of proportional the
        // same readings are harmless.
        summary.squaresOverflow = !std::isfinite(4.0 * double(x.size()) * magnitude * magnitude);
        summary.constant = noSpread(x, magnitude) || noSpread(y, magnitude);
        summary.constantDifference = noSpread(subtract(y, x), magnitude);
    }
    return summary;
}

bool strictlyBetween(double value, double low, double high)
{
    return value > low && value < high;
}

// The cause of a library error in the user's terms, from what the options and the data
// say about the column pair: the options first, then the data in the order in which the
// estimators meet them.
QString errorCause(const QString &name, const QVector<QVariant> &other,
                   const QVector<QVariant> &gold, const AgreementOptions &options)
{
    const QString optionsProblem = agreementOptionsProblem(options, OptionNames::Dialog);
    if (!optionsProblem.isEmpty())
        return optionsProblem;

    const PairSummary pair = summarize(other, gold);
    if (options.proportional && pair.nonPositive)
        return QObject::tr("Proportional compares logarithms, so every reading must be greater "
                           "than 0, but %1 or the Gold Standard has a zero or negative reading")
            .arg(name);
    if (pair.nonFinite || (pair.squaresOverflow && !options.proportional))
        return QObject::tr("%1 or the Gold Standard holds a reading too large to compute with")
            .arg(name);
    if (pair.n < 4) {
        const QString pairs = pair.n == 1 ? QObject::tr("1 complete pair")
                                          : QObject::tr("%1 complete pairs").arg(pair.n);
        return QObject::tr("%1 has %2 with the Gold Standard, and CP needs at least 4")
            .arg(name, pairs);
    }
    if (pair.constant && !options.random)
        return QObject::tr("%1 or the Gold Standard has the same value in every pair, so CP "
                           "cannot be computed in fixed mode")
            .arg(name);
    if (pair.constantDifference)
        return QObject::tr("the differences between %1 and the Gold Standard have no spread, so "
                           "CP cannot be computed")
            .arg(name);
    if (!options.random)
        return QObject::tr("%1 is an exact linear function of the Gold Standard, so CP cannot be "
                           "computed in fixed mode")
            .arg(name);
    return QObject::tr("the statistics library could not evaluate a formula for these data");
}

} // namespace

// The checks follow the order in which the estimators meet the options: the TDI proportion
// first, then alpha, then the bound of CP. Written so that NaN fails every check.
QString agreementOptionsProblem(const AgreementOptions &options, OptionNames names)
{
    const bool dialog = names == OptionNames::Dialog;
    const auto name = [dialog](const char *field, const char *option) {
        return QLatin1String(dialog ? field : option);
    };
    const auto given = [dialog](double value) {
        return dialog ? QString() : QObject::tr(", not %1").arg(value);
    };
    const QLatin1String tdiAllowance = name("TDI Allowance", "--tdi-allowance");

    if (!strictlyBetween(options.cpAllowance, -1, 1))
        return QObject::tr("%1 must lie strictly between -1 and 1%2")
            .arg(name("CP Allowance", "--cp-allowance"), given(options.cpAllowance));
    if (!strictlyBetween(options.alpha, 0, 1))
        return QObject::tr("%1 must lie strictly between 0 and 1%2")
            .arg(name("Alpha", "--alpha"), given(options.alpha));
    if (!std::isfinite(options.tdiAllowance))
        return QObject::tr("%1 must be a finite number%2")
            .arg(tdiAllowance, given(options.tdiAllowance));
    if (options.proportional && !(options.tdiAllowance > -100))
        return QObject::tr("%1 is a percentage under %2 and must be greater than -100%3")
            .arg(tdiAllowance, name("Proportional", "--proportional"),
                 given(options.tdiAllowance));
    // CP works with the square of the bound, which overflows beyond about 1e154.
    if (!options.proportional && !std::isfinite(options.tdiAllowance * options.tdiAllowance))
        return QObject::tr("%1 is too large to compute with%2")
            .arg(tdiAllowance, given(options.tdiAllowance));
    return QString();
}

QString agreementErrorMessage(const std::exception &error, const QString &name,
                              const QVector<QVariant> &other, const QVector<QVariant> &gold,
                              const AgreementOptions &options)
{
    return QObject::tr("The agreement of %1 with the Gold Standard could not be computed: %2.")
               .arg(name, errorCause(name, other, gold, options))
         + QLatin1Char('\n') + QString::fromLocal8Bit(error.what());
}

QString catchAgreementError(const std::function<void(int *column)> &compute,
                            const QVector<QVector<QVariant>> &others,
                            const QVector<QVariant> &gold, const QStringList &names,
                            const AgreementOptions &options)
{
    int column = -1;
    try {
        compute(&column);
        return QString();
    } catch (const std::exception &error) {
        column = qBound(0, column, others.size() - 1);
        return agreementErrorMessage(error, names.value(column), others.value(column), gold,
                                     options);
    }
}

} // namespace stats
