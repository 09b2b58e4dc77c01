#include "replicateagreementreport.h"

#include "reporthtml.h"
#include "reportnumbers.h"

#include <QCoreApplication>

#include <cmath>

namespace stats {

namespace {

class ReplicateAgreementReport
{
    Q_DECLARE_TR_FUNCTIONS(ReplicateAgreementReport)
};

using Texts = ReplicateAgreementReport;

// Ratios (CCC, precision, accuracy, CP) to five decimals as the agreement report prints
// them, CP to four; TDI to about four significant digits of its own size.
constexpr int ratioDecimals = 5;
constexpr int coverageDecimals = 4;

int tdiDecimals(double tdi)
{
    return decimalsForSpread(std::fabs(tdi));
}

// An estimate and its one-sided limit on a line of its own below it; "–" for a figure
// that does not exist.
QString withLimit(double value, double limit, int decimals)
{
    return QStringLiteral("<td>%1<br><span class=\"ci\">%2</span></td>")
        .arg(reportNumber(value, decimals), reportNumber(limit, decimals));
}

QString plain(double value, int decimals)
{
    return QStringLiteral("<td>%1</td>").arg(reportNumber(value, decimals));
}

QString tdiUnit(const UnifiedAgreementOptions &options)
{
    return options.proportional ? QStringLiteral(", %") : QString();
}

QString optionsTable(const QString &referenceName, const QString &subjectName,
                     const UnifiedAgreementOptions &options)
{
    const QString allowances = Texts::tr("intra %1, inter %2, total %3%4")
                                   .arg(QString::number(options.tdiAllowanceIntra, 'g', 6),
                                        QString::number(options.tdiAllowanceInter, 'g', 6),
                                        QString::number(options.tdiAllowanceTotal, 'g', 6),
                                        options.proportional ? QStringLiteral(" %") : QString());
    const QString scale = options.proportional
                              ? Texts::tr("logarithms of the readings (Proportional): TDI in percent")
                              : Texts::tr("the readings as they are");
    return QStringLiteral("<table class=\"options\"><tr><td><b>%1</b> %2</td><td><b>%3</b> %4</td>"
                          "<td><b>%5</b> %6</td></tr><tr><td><b>%7</b> %8</td><td><b>%9</b> %10</td>"
                          "<td><b>%11</b> %12</td></tr></table>")
        .arg(Texts::tr("Reference:"), escaped(referenceName), Texts::tr("Subject:"),
             escaped(subjectName), Texts::tr("TDI Allowance:"), allowances,
             Texts::tr("CP Allowance:"), QString::number(options.cpAllowance, 'g', 6),
             Texts::tr("Limits:"),
             Texts::tr("one-sided at %1 % (alpha %2)")
                 .arg(percentText(1.0 - options.alpha), alphaText(options.alpha)))
        .arg(Texts::tr("Compared on:"), scale);
}

// n, m, and the subjects left out and why.
QString balanceText(const UnifiedAgreementFigures &f)
{
    const QString used = Texts::tr("n = %1 subjects with m = %2 readings of each method")
                             .arg(QString::number(f.n), QString::number(f.m));
    if (f.leftOut == 0)
        return Texts::tr("%1; no subject left out.").arg(used);
    QStringList reasons;
    const LeftOutSubjects &why = f.leftOutBecause;
    if (why.fewerReadings > 0)
        reasons << Texts::tr("%1 with fewer than %2 readings of a method")
                       .arg(QString::number(why.fewerReadings), QString::number(f.m));
    if (why.moreReadings > 0)
        reasons << Texts::tr("%1 with more than %2 readings of a method")
                       .arg(QString::number(why.moreReadings), QString::number(f.m));
    if (why.nonPositiveReading > 0)
        reasons << Texts::tr("%1 with a reading of zero or below, which Proportional cannot take")
                       .arg(why.nonPositiveReading);
    return Texts::tr("%1; %2 left out: %3.")
        .arg(used, QString::number(f.leftOut), reasons.join(QStringLiteral("; ")));
}

QString levelsTable(const UnifiedAgreementFigures &f, const UnifiedAgreementOptions &options)
{
    QString html = QStringLiteral("<table><tr><th></th><th>%1</th><th>%2</th><th>%3</th><th>%4</th>"
                                  "<th>%5</th><th>RBS</th></tr>")
                       .arg(Texts::tr("CCC<br>(lower)"), Texts::tr("Precision<br>(lower)"),
                            Texts::tr("Accuracy<br>(lower)"),
                            Texts::tr("TDI%1<br>(upper)").arg(tdiUnit(options)),
                            Texts::tr("CP<br>(lower)"));
    const AgreementLevel &intra = f.intra;
    html += QStringLiteral("<tr><td class=\"name\">%1</td>").arg(Texts::tr("Intra"))
            + withLimit(intra.ccc, intra.cccLower, ratioDecimals)
            + withLimit(intra.precision, intra.precisionLower, ratioDecimals)
            + plain(qQNaN(), ratioDecimals)
            + withLimit(intra.tdi, intra.tdiUpper, tdiDecimals(intra.tdi))
            + withLimit(intra.cp, intra.cpLower, coverageDecimals) + plain(qQNaN(), ratioDecimals)
            + QStringLiteral("</tr>");
    for (const auto &level : {std::make_pair(Texts::tr("Inter"), &f.inter),
                              std::make_pair(Texts::tr("Total"), &f.total)}) {
        const BiasedAgreementLevel &l = *level.second;
        html += QStringLiteral("<tr><td class=\"name\">%1</td>").arg(level.first)
                + withLimit(l.ccc, l.cccLower, ratioDecimals)
                + withLimit(l.precision, l.precisionLower, ratioDecimals)
                + withLimit(l.accuracy, l.accuracyLower, ratioDecimals)
                + withLimit(l.tdi, l.tdiUpper, tdiDecimals(l.tdi))
                + withLimit(l.cp, l.cpLower, coverageDecimals) + plain(l.rbs, ratioDecimals)
                + QStringLiteral("</tr>");
    }
    return html + QStringLiteral("</table>");
}

// Where the bias is large against the spread, the TDI and CP approximation, which ignores
// the bias, is in doubt: said in plain words.
QString rbsWarning(const UnifiedAgreementFigures &f, const UnifiedAgreementOptions &options)
{
    QStringList levels;
    if (f.inter.rbsAboveBound)
        levels << Texts::tr("inter");
    if (f.total.rbsAboveBound)
        levels << Texts::tr("total");
    if (levels.isEmpty())
        return QString();
    return QStringLiteral("<p>%1</p>")
        .arg(Texts::tr("RBS at the %1 level exceeds %2, the bound for a CP Allowance of %3: the "
                       "bias is large against the spread, and TDI and CP, which leave the bias "
                       "out of their approximation, may be off there.")
                 .arg(levels.join(Texts::tr(" and ")), QString::number(rbsBound(options.cpAllowance)),
                      QString::number(options.cpAllowance, 'g', 6)));
}

QString methodsTable(const UnifiedAgreementFigures &f, const UnifiedAgreementOptions &options)
{
    QString html = QStringLiteral("<table><tr><th>%1</th><th>%2</th><th>%3</th><th>%4</th><th>%5</th></tr>")
                       .arg(Texts::tr("Intra, each method<br>on its own"),
                            Texts::tr("Within-subject<br>variance"), Texts::tr("CCC<br>(lower)"),
                            Texts::tr("TDI%1<br>(upper)").arg(tdiUnit(options)),
                            Texts::tr("CP<br>(lower)"));
    for (const MethodIntraAgreement &method : f.methods) {
        html += QStringLiteral("<tr><td class=\"name\">%1</td>").arg(escaped(method.name))
                + plain(method.withinVariance, decimalsForSpread(std::sqrt(method.withinVariance)))
                + withLimit(method.ccc, method.cccLower, ratioDecimals)
                + withLimit(method.tdi, method.tdiUpper, tdiDecimals(method.tdi))
                + withLimit(method.cp, method.cpLower, coverageDecimals) + QStringLiteral("</tr>");
    }
    return html + QStringLiteral("</table>");
}

} // namespace

QString replicateAgreementDocument(const QString &referenceName, const QString &subjectName,
                                   const QVector<ReplicateAgreementPair> &pairs,
                                   const UnifiedAgreementOptions &options)
{
    QString html = reportStart(Texts::tr("Agreement with replicates"), nameCellRules());
    html += optionsTable(referenceName, subjectName, options);
    for (const ReplicateAgreementPair &pair : pairs) {
        html += QStringLiteral("<h3>%1</h3>")
                    .arg(escaped(Texts::tr("%1 against %2").arg(pair.name, referenceName)));
        if (!pair.problem.isEmpty()) {
            html += QStringLiteral("<p>%1</p>").arg(escaped(pair.problem));
            continue;
        }
        html += QStringLiteral("<p>%1</p>").arg(balanceText(pair.figures));
        html += levelsTable(pair.figures, options);
        html += rbsWarning(pair.figures, options);
        html += methodsTable(pair.figures, options);
    }
    html += QStringLiteral("<p>%1</p>")
                .arg(Texts::tr(
                    "Intra: how well each method agrees with itself; inter: how well the methods' "
                    "subject means agree; total: how well single readings agree (Lin, Hedayat "
                    "and Wu 2007). Below each estimate its one-sided limit: lower for CCC, "
                    "precision, accuracy and CP, upper for TDI, from large-sample variances by "
                    "the delta method; – where no limit can be formed. The CP limit uses the "
                    "delta-method variance of CP, so it differs from that of Lin's R package."));
    return html + reportEnd();
}

} // namespace stats
