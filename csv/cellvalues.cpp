#include "cellvalues.h"

#include "diagnostics.h"

#include <QDebug>

#include <algorithm>
#include <cmath>

QVariant cellNumber(const QString &text)
{
    // QString::toDouble always reads in the C locale, whatever the user's locale is. It also
    // accepts the words "nan" and "inf", which are no reading of a subject: left in, one such
    // cell would turn every figure of its column pair into NaN. They count as missing, like
    // "1e999", which toDouble already refuses as out of range.
    // Qt 5 reads U+2212 MINUS SIGN as "-", Qt 6.8 no longer does: mapped here, so that every
    // build reads a cell alike.
    static const QChar minusSign(0x2212);
    bool ok = false;
    const double value = text.contains(minusSign)
                             ? QString(text).replace(minusSign, QLatin1Char('-')).toDouble(&ok)
                             : text.toDouble(&ok);
    return ok && std::isfinite(value) ? QVariant(value) : QVariant();
}

QVector<QVariant> columnValues(const QStringList &texts)
{
    QVector<QVariant> values;
    values.reserve(texts.size());
    for (int row = 0; row < texts.size(); ++row) {
        QVariant value = cellNumber(texts.at(row));
        if (!value.isValid())
            qCDebug(concordaDiagnostics).nospace() << "Valor " << row << " no valido";
        values.append(std::move(value));
    }
    return values;
}

bool isSpareRow(const QStringList &rowTexts)
{
    return std::all_of(rowTexts.cbegin(), rowTexts.cend(),
                       [](const QString &text) { return text.isEmpty(); });
}
