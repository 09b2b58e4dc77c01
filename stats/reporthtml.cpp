#include "reporthtml.h"

#include "reportnumbers.h"

#include <QCoreApplication>

#include <cmath>

namespace stats {

namespace {

class ReportHtml
{
    Q_DECLARE_TR_FUNCTIONS(ReportHtml)
};

QString intervalEnd(double bound, int decimals)
{
    // An interval the data do not bound reaches to infinity.
    if (std::isinf(bound))
        return bound > 0 ? QStringLiteral("∞") : QStringLiteral("−∞");
    return reportNumber(bound, decimals);
}

} // namespace

QString reportStart(const QString &title, const QString &cellRules)
{
    return QStringLiteral(
               "<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>%1</title><style>"
               "body{font-family:sans-serif;}h2{font-size:140%;}h3{font-size:115%;}"
               "table{border-collapse:collapse;margin-bottom:12px;}"
               "th,td{border:1px solid black;padding:5px;}th{text-align:left;}"
               "td{white-space:nowrap;text-align:right;}%2"
               "table.options td{text-align:left;white-space:normal;}"
               "span.ci{font-size:85%;color:#444;}</style></head>\n<body><h2>%1</h2>")
        .arg(title, cellRules);
}

QString nameCellRules()
{
    return QStringLiteral("td.name{text-align:left;font-weight:bold;}");
}

QString reportEnd()
{
    return QStringLiteral("</body></html>");
}

QString plainReportStart()
{
    return QStringLiteral(
        "<!DOCTYPE html><html><head><style>table,th,td{border:1px solid black;"
        "border-collapse:collapse;}th,td{padding:5px;}th{text-align:left;}"
        "td{white-space:nowrap;}</style></head>\n<body>");
}

QString escaped(const QString &text)
{
    return text.toHtmlEscaped();
}

QString intervalText(double lower, double upper, int decimals)
{
    return ReportHtml::tr("%1 to %2").arg(intervalEnd(lower, decimals), intervalEnd(upper, decimals));
}

QString estimateCell(double value, double lower, double upper, int decimals)
{
    if (std::isnan(lower) && std::isnan(upper))
        return QStringLiteral("<td>%1</td>").arg(reportNumber(value, decimals));
    return QStringLiteral("<td>%1<br><span class=\"ci\">%2</span></td>")
        .arg(reportNumber(value, decimals), intervalText(lower, upper, decimals));
}

} // namespace stats
