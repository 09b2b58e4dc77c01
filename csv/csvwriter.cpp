#include "csvwriter.h"

namespace csv {

namespace {

Unwritable problemOf(const QString &text, QChar delimiter, bool dataCell)
{
    if (text.contains(delimiter))
        return Unwritable::Delimiter;
    if (text.contains(QLatin1Char('\n')))
        return Unwritable::LineFeed;
    // With the comma as delimiter a comma is reported as the delimiter above.
    if (dataCell && text.contains(QLatin1Char(',')))
        return Unwritable::Comma;
    return Unwritable::None;
}

bool allEmpty(const QStringList &fields)
{
    for (const QString &field : fields) {
        if (!field.isEmpty())
            return false;
    }
    return true;
}

} // namespace

UnwritableText firstUnwritableText(const CsvTable &table, QChar delimiter)
{
    UnwritableText found;
    if (!table.names.isEmpty() && table.names.first().startsWith(QChar(0xFEFF))) {
        found.reason = Unwritable::LeadingByteOrderMark;
        found.column = 0;
        return found;
    }
    for (int column = 0; column < table.names.size(); ++column) {
        found.reason = problemOf(table.names.at(column), delimiter, false);
        if (found.reason != Unwritable::None) {
            found.column = column;
            return found;
        }
    }
    for (int row = 0; row < table.rows.size(); ++row) {
        const QStringList &fields = table.rows.at(row);
        for (int column = 0; column < fields.size(); ++column) {
            found.reason = problemOf(fields.at(column), delimiter, true);
            if (found.reason != Unwritable::None) {
                found.row = row;
                found.column = column;
                return found;
            }
        }
    }
    return UnwritableText();
}

QString tableText(const CsvTable &table, QChar delimiter)
{
    QString text = table.names.join(delimiter);
    const int rows = table.rows.size();
    for (int row = 0; row < rows; ++row) {
        text += QLatin1Char('\n');
        const QStringList &fields = table.rows.at(row);
        if (row < rows - 1 || !allEmpty(fields))
            text += fields.join(delimiter);
    }
    return text;
}

} // namespace csv
