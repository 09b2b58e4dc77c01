#include "delimiters.h"

#include "csvtable.h"

#include <QStringList>
#include <QStringView>

namespace csv {

QString entryForDelimiter(QChar delimiter)
{
    const QStringList entries = delimiterEntries();
    for (const QString &entry : entries) {
        if (delimiterForEntry(entry) == delimiter)
            return entry;
    }
    return QString();
}

QString suggestedDelimiterEntry(const QString &text)
{
    const QStringView firstLine = QStringView(text).left(text.indexOf(QLatin1Char('\n')));
    for (const char candidate : {'\t', ';', ',', ' '}) {
        if (firstLine.contains(QLatin1Char(candidate)))
            return entryForDelimiter(QLatin1Char(candidate));
    }
    return delimiterEntries().first();
}

} // namespace csv
