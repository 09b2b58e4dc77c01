#include "descriptive.h"

#include "reporthtml.h"
#include "vectortoolkit.h"

#include <QObject>

#include <boost/math/distributions/chi_squared.hpp>
#include <boost/math/distributions/students_t.hpp>

#include <cmath>
#include <limits>

namespace stats {

namespace {

constexpr double notANumber = std::numeric_limits<double>::quiet_NaN();
constexpr double confidenceLevel = 0.95;

QString figure(double value)
{
    return QString::number(value, 'g', 6);
}

QString intervalText(const Interval &interval)
{
    return QObject::tr("%1 to %2").arg(figure(interval.lower), figure(interval.upper));
}

} // namespace

Interval meanInterval(const QVector<double> &values, double level)
{
    Interval interval;
    interval.estimate = mean(values);
    interval.lower = interval.upper = notANumber;
    const int n = values.size();
    if (n < 2)
        return interval;
    const boost::math::students_t_distribution<> t(n - 1.0);
    const double quantile = boost::math::quantile(boost::math::complement(t, (1 - level) / 2));
    const double halfWidth = quantile * standardDeviation(values, true) / std::sqrt(double(n));
    interval.lower = interval.estimate - halfWidth;
    interval.upper = interval.estimate + halfWidth;
    return interval;
}

Interval standardDeviationInterval(const QVector<double> &values, double level)
{
    Interval interval;
    interval.estimate = interval.lower = interval.upper = notANumber;
    const int n = values.size();
    if (n < 2)
        return interval;
    const double degrees = n - 1.0;
    const boost::math::chi_squared_distribution<> chiSquared(degrees);
    const double upperQuantile =
        boost::math::quantile(boost::math::complement(chiSquared, (1 - level) / 2));
    const double lowerQuantile = boost::math::quantile(chiSquared, (1 - level) / 2);
    interval.estimate = standardDeviation(values, true);
    interval.lower = interval.estimate * std::sqrt(degrees / upperQuantile);
    interval.upper = interval.estimate * std::sqrt(degrees / lowerQuantile);
    return interval;
}

DescriptiveFigures descriptiveFigures(const QVector<QVariant> &cells)
{
    QVector<double> values;
    values.reserve(cells.size());
    for (const QVariant &cell : cells) {
        if (cell.isValid())
            values.append(cell.toDouble());
    }
    DescriptiveFigures figures;
    figures.n = values.size();
    figures.skipped = cells.size() - values.size();
    figures.mean = meanInterval(values, confidenceLevel);
    figures.standardDeviation = standardDeviationInterval(values, confidenceLevel);
    return figures;
}

QString descriptiveDocument(Descriptive statistic, const QStringList &names,
                            const QVector<QVector<QVariant>> &columns)
{
    const bool mean = statistic == Descriptive::Mean;
    QString html = plainReportStart() + QStringLiteral("<table>");
    html += QStringLiteral("<tr><th style=\"border:none;\"></th><th>n</th><th>%1</th>"
                           "<th>%2</th><th>%3</th></tr>")
                .arg(mean ? QObject::tr("Mean") : QObject::tr("SD"),
                     QObject::tr("95 % CI"), QObject::tr("Skipped"));
    for (int i = 0; i < columns.size(); ++i) {
        const DescriptiveFigures figures = descriptiveFigures(columns.at(i));
        const Interval &interval = mean ? figures.mean : figures.standardDeviation;
        html += QStringLiteral("<tr><td><b>%1</b></td><td>%2</td><td>%3</td><td>%4</td>"
                               "<td>%5</td></tr>")
                    .arg(names.value(i).toHtmlEscaped(), QString::number(figures.n),
                         figure(interval.estimate), intervalText(interval),
                         QString::number(figures.skipped));
    }
    html += QStringLiteral("</table>\n<p>");
    html += mean ? QObject::tr("Mean with its 95 % confidence interval from Student's t "
                               "distribution with n - 1 degrees of freedom.")
                 : QObject::tr("Standard deviation (divisor n - 1) with its 95 % confidence "
                               "interval from the chi-squared distribution with n - 1 degrees "
                               "of freedom.");
    html += QLatin1Char(' ');
    html += QObject::tr("n counts the cells that are numbers; Skipped counts the cells that "
                        "are empty or not a number, which are left out.");
    html += QStringLiteral("</p></body></html>");
    return html;
}

} // namespace stats
