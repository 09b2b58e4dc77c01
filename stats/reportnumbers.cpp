#include "reportnumbers.h"

#include <QLocale>

#include <algorithm>
#include <cmath>

namespace stats {

int decimalsForSpread(double spread)
{
    if (!(spread > 0.0) || !std::isfinite(spread))
        return 2;
    const int decimals = 3 - int(std::floor(std::log10(spread)));
    return std::clamp(decimals, 0, 8);
}

QString reportNumber(double value, int decimals)
{
    if (!std::isfinite(value))
        return QStringLiteral("–");
    // -0.00 would read as a negative figure that rounds to nothing.
    QString text = QString::number(value, 'f', decimals);
    if (text.startsWith(QLatin1Char('-')) && text.count(QLatin1Char('0')) == text.size() - 1
                                                     - text.count(QLatin1Char('.')))
        text.remove(0, 1);
    return text;
}

QString pValueText(double p)
{
    if (!std::isfinite(p))
        return QStringLiteral("–");
    if (p < 0.001)
        return QStringLiteral("< 0.001");
    return QString::number(p, 'f', 3);
}

QString percentText(double proportion)
{
    return QString::number(proportion * 100.0, 'g', 6);
}

QString alphaText(double alpha)
{
    return QString::number(alpha, 'g', 6);
}

QString levelText(double level)
{
    return QString::number(level, 'g', 10);
}

QString csvNumber(double value)
{
    if (std::isnan(value))
        return QStringLiteral("NaN");
    if (std::isinf(value))
        return value > 0 ? QStringLiteral("Inf") : QStringLiteral("-Inf");
    return QString::number(value, 'g', QLocale::FloatingPointShortest);
}

} // namespace stats
