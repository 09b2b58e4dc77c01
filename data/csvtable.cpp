#include "csvtable.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QStringRef>

namespace csv {

namespace {

// Entry texts and the characters they stand for, index by index. A space or a tab
// would be invisible in the drop-down, hence the quoted space and the escape.
const char *const entryTexts[] = {",", ";", "' '", "\\t"};
const char entryDelimiters[] = {',', ';', ' ', '\t'};

} // namespace

QStringList delimiterEntries()
{
    QStringList entries;
    for (const char *text : entryTexts)
        entries.append(QLatin1String(text));
    return entries;
}

QChar delimiterForEntry(const QString &entry)
{
    const QStringList entries = delimiterEntries();
    const int index = entries.indexOf(entry);
    return index < 0 ? QChar() : QChar::fromLatin1(entryDelimiters[index]);
}

QString decodeText(const QByteArray &bytes)
{
    const int nul = bytes.indexOf('\0');
    int size = nul < 0 ? bytes.size() : nul;
    const char *data = bytes.constData();

    // Editors on Windows like to start UTF-8 files with a byte-order mark; kept, it
    // would become an invisible first character of the first variable name. Dropped
    // here rather than left to the decoder, whose handling differs between Qt versions.
    static const char byteOrderMark[] = "\xEF\xBB\xBF";
    if (size >= 3 && qstrncmp(data, byteOrderMark, 3) == 0) {
        data += 3;
        size -= 3;
    }
    return QString::fromUtf8(data, size);
}

CsvTable parseTable(const QString &text, QChar delimiter)
{
    CsvTable table;
    // split() and splitRef() keep empty parts by default: an empty line is a row, and
    // the empty part after a final line feed is the grid's spare row.
    const QVector<QStringRef> lines = text.splitRef(QLatin1Char('\n'));
    table.names = lines.first().toString().split(delimiter);
    const int columnCount = table.names.size();

    table.rows.reserve(lines.size() - 1);
    for (int i = 1; i < lines.size(); ++i) {
        const QVector<QStringRef> fields = lines.at(i).split(delimiter);
        const int kept = qMin(fields.size(), columnCount);
        QStringList row;
        row.reserve(kept);
        for (int column = 0; column < kept; ++column) {
            QString field = fields.at(column).toString();
            // Decimal commas become points, so that 1,5 reads as 1.5 later on.
            field.replace(QLatin1Char(','), QLatin1Char('.'));
            row.append(field);
        }
        table.rows.append(row);
    }
    return table;
}

bool readFile(const QString &fileName, QByteArray *bytes, QString *errorString)
{
    // Opening a directory fails on some systems only, and with a reason that does not
    // say why; refuse it before trying.
    if (QFileInfo(fileName).isDir()) {
        *errorString = QCoreApplication::translate("csv", "It is a directory, not a file.");
        return false;
    }
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        *errorString = file.errorString();
        return false;
    }
    *bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        *errorString = file.errorString();
        bytes->clear();
        return false;
    }
    return true;
}

} // namespace csv
