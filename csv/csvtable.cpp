#include "csvtable.h"

#include "cellvalues.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QStringView>

namespace csv {

namespace {

// Entry texts and the characters they stand for, index by index. A space or a tab
// would be invisible in the drop-down, hence the quoted space and the escape.
const char *const entryTexts[] = {",", ";", "' '", "\\t"};
const char entryDelimiters[] = {',', ';', ' ', '\t'};

enum class Endian { Little, Big };

// UTF-16 without its byte-order mark. A lone surrogate or an odd final byte becomes U+FFFD,
// as a malformed UTF-8 sequence does.
QString decodeUtf16(const char *data, int size, Endian endian)
{
    const int units = size / 2;
    QString text(units + size % 2, Qt::Uninitialized);
    QChar *out = text.data();
    for (int i = 0; i < units; ++i) {
        const quint8 first = quint8(data[2 * i]);
        const quint8 second = quint8(data[2 * i + 1]);
        out[i] = QChar(endian == Endian::Little ? ushort(first | second << 8)
                                                : ushort(first << 8 | second));
    }
    for (int i = 0; i < units; ++i) {
        const bool pairedHigh = out[i].isHighSurrogate() && i + 1 < units && out[i + 1].isLowSurrogate();
        if (pairedHigh)
            ++i;
        else if (out[i].isSurrogate())
            out[i] = QChar::ReplacementCharacter;
    }
    if (size % 2)
        out[units] = QChar::ReplacementCharacter;
    return text;
}

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
    const char *data = bytes.constData();
    const int size = bytes.size();

    // Spreadsheet programs save "Unicode text" as UTF-16 behind a byte-order mark; read as
    // UTF-8, every other byte would be a NUL and the text garbage.
    if (size >= 2 && quint8(data[0]) == 0xFF && quint8(data[1]) == 0xFE)
        return decodeUtf16(data + 2, size - 2, Endian::Little);
    if (size >= 2 && quint8(data[0]) == 0xFE && quint8(data[1]) == 0xFF)
        return decodeUtf16(data + 2, size - 2, Endian::Big);

    // Editors on Windows like to start UTF-8 files with a byte-order mark; kept, it
    // would become an invisible first character of the first variable name. Dropped
    // here rather than left to the decoder, whose handling differs between Qt versions.
    static const char byteOrderMark[] = "\xEF\xBB\xBF";
    if (size >= 3 && qstrncmp(data, byteOrderMark, 3) == 0)
        return QString::fromUtf8(data + 3, size - 3);
    // With its size given, the decoder reads past a NUL byte: the whole file counts.
    return QString::fromUtf8(data, size);
}

CsvTable parseTable(const QString &text, QChar delimiter)
{
    CsvTable table;
    // Every part counts, empty ones too: an empty line is a row, and the empty part after
    // a final line feed is the grid's spare row.
    const QStringView whole(text);
    qsizetype lineStart = 0;
    qsizetype lineEnd = whole.indexOf(QLatin1Char('\n'));
    table.names = whole.mid(0, lineEnd < 0 ? whole.size() : lineEnd).toString().split(delimiter);
    const int columnCount = int(table.names.size());

    while (lineEnd >= 0) {
        lineStart = lineEnd + 1;
        lineEnd = whole.indexOf(QLatin1Char('\n'), lineStart);
        const QStringView line = whole.mid(lineStart, (lineEnd < 0 ? whole.size() : lineEnd) - lineStart);
        QStringList row;
        qsizetype fieldStart = 0;
        while (row.size() < columnCount) {
            const qsizetype fieldEnd = line.indexOf(delimiter, fieldStart);
            QString field = line.mid(fieldStart, (fieldEnd < 0 ? line.size() : fieldEnd) - fieldStart).toString();
            // Decimal commas become points, so that 1,5 reads as 1.5 later on.
            field.replace(QLatin1Char(','), QLatin1Char('.'));
            row.append(field);
            if (fieldEnd < 0)
                break;
            fieldStart = fieldEnd + 1;
        }
        table.rows.append(row);
    }
    return table;
}

QVector<QVariant> tableColumnValues(const CsvTable &table, int column)
{
    int rows = table.rows.size();
    if (rows > 0 && isSpareRow(table.rows.last()))
        --rows;
    QStringList texts;
    texts.reserve(rows);
    // A short row has no field for the column: its cell is empty, as in the data view.
    for (int row = 0; row < rows; ++row)
        texts.append(table.rows.at(row).value(column));
    return columnValues(texts);
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

QString withoutFinalCarriageReturn(const QString &name)
{
    return name.endsWith(QLatin1Char('\r')) ? name.chopped(1) : name;
}

} // namespace csv
