#include "numberreader.h"

#include "cellvalues.h"
#include "csvtable.h"

#include <QVariant>

#include <algorithm>
#include <charconv>
#include <cstring>
#include <limits>

namespace csv {

namespace {

constexpr double missingValue = std::numeric_limits<double>::quiet_NaN();

// The code units of the text: bytes of UTF-8, or UTF-16 characters.
unsigned codeOf(char unit)
{
    return static_cast<unsigned char>(unit);
}

unsigned codeOf(QChar unit)
{
    return unit.unicode();
}

const char *find(const char *from, const char *to, unsigned code)
{
    const void *found = std::memchr(from, int(code), size_t(to - from));
    return found ? static_cast<const char *>(found) : to;
}

const QChar *find(const QChar *from, const QChar *to, unsigned code)
{
    return std::find_if(from, to, [code](QChar unit) { return unit.unicode() == code; });
}

// The ASCII characters that QString::toDouble trims from both ends.
bool isAsciiSpace(unsigned code)
{
    return code == ' ' || (code >= '\t' && code <= '\r');
}

bool isNumberCharacter(unsigned code)
{
    return (code >= '0' && code <= '9') || code == '.' || code == '-' || code == '+' || code == 'e'
           || code == 'E';
}

// The text of a cell as the data view holds it. A UTF-8 cell is decoded together with the
// ASCII delimiter or line feed before it, which is then dropped: decoded on its own, a
// byte-order mark at its start would vanish, while in the whole text it is a character.
QString cellText(const char *begin, const char *end)
{
    return QString::fromUtf8(begin - 1, int(end - begin) + 1).mid(1);
}

QString cellText(const QChar *begin, const QChar *end)
{
    return QString(begin, int(end - begin));
}

// The data view's own reading of a cell: each comma becomes a point, then cellNumber.
template<typename Unit>
double viewNumber(const Unit *begin, const Unit *end)
{
    QString text = cellText(begin, end);
    text.replace(QLatin1Char(','), QLatin1Char('.'));
    const QVariant value = cellNumber(text);
    return value.isValid() ? value.toDouble() : missingValue;
}

// The longest cell read without cellNumber; laboratory readings stay far below it.
constexpr int longestShortCell = 64;

// A cell's number. Within the characters taken here QString::toDouble and std::from_chars
// read the same numbers to the same double, but for two things: toDouble trims white space
// and takes a leading plus sign, from_chars does neither. Whatever from_chars refuses goes
// to the data view's rule, which also decides the under- and overflows.
template<typename Unit>
double cellValue(const Unit *begin, const Unit *end)
{
    const Unit *first = begin;
    const Unit *last = end;
    while (first < last && isAsciiSpace(codeOf(*first)))
        ++first;
    while (last > first && isAsciiSpace(codeOf(last[-1])))
        --last;
    if (first == last)
        return missingValue;
    if (last - first > longestShortCell)
        return viewNumber(begin, end);

    char buffer[longestShortCell];
    buffer[0] = '\0'; // the loop below writes it (first < last); said here for the compiler
    char *out = buffer;
    for (const Unit *unit = first; unit < last; ++unit) {
        const unsigned code = codeOf(*unit);
        if (code == ',')
            *out++ = '.';
        else if (isNumberCharacter(code))
            *out++ = char(code);
        else
            return viewNumber(begin, end);
    }
    const char *text = buffer;
    if (*text == '+' && out - text > 1 && (text[1] == '.' || (text[1] >= '0' && text[1] <= '9')))
        ++text;
    double value = 0;
    const std::from_chars_result result = std::from_chars(text, out, value);
    if (result.ec != std::errc() || result.ptr != out)
        return viewNumber(begin, end);
    return value;
}

// Whether the last line is the spare row: every field the row keeps (at most columnCount)
// is empty, so that the line holds nothing but delimiters up to the last kept field.
template<typename Unit>
bool isSpareLine(const Unit *line, const Unit *lineEnd, unsigned delimiter, int columnCount)
{
    int field = 0;
    for (const Unit *unit = line; unit < lineEnd; ++unit) {
        if (codeOf(*unit) != delimiter)
            return false;
        if (++field == columnCount)
            return true;
    }
    return true;
}

// A cell's text as the data view holds it: each comma a point.
template<typename Unit>
QString viewText(const Unit *begin, const Unit *end)
{
    return cellText(begin, end).replace(QLatin1Char(','), QLatin1Char('.'));
}

// An ASCII cell without a comma, the usual subject identifier, is its own text: one
// conversion, without the decoding of UTF-8 around it.
template<>
QString viewText<char>(const char *begin, const char *end)
{
    const bool plain = std::all_of(begin, end, [](char c) {
        const auto code = static_cast<unsigned char>(c);
        return code > 0 && code < 0x80 && c != ',';
    });
    if (plain)
        return QString::fromLatin1(begin, int(end - begin));
    return cellText(begin, end).replace(QLatin1Char(','), QLatin1Char('.'));
}

// The wanted columns, each cell read by readCell; `missing` for the cells of a short row.
template<typename Value, typename Unit, typename ReadCell>
QVector<QVector<Value>> readColumns(const Unit *begin, const Unit *end, unsigned delimiter,
                                    const QVector<int> &wanted, ReadCell readCell,
                                    const Value &missing)
{
    const Unit *headerEnd = find(begin, end, '\n');
    const int columnCount = int(std::count_if(begin, headerEnd, [delimiter](Unit unit) {
                                    return codeOf(unit) == delimiter;
                                }))
                            + 1;
    // Each wanted column is read once, however often it is asked for.
    QVector<int> slotOfField(columnCount, -1);
    QVector<int> slotOfWanted;
    int slotCount = 0;
    int lastField = -1;
    for (int column : wanted) {
        Q_ASSERT(column >= 0 && column < columnCount);
        if (slotOfField.at(column) < 0)
            slotOfField[column] = slotCount++;
        slotOfWanted.append(slotOfField.at(column));
        lastField = std::max(lastField, column);
    }

    // Every line feed starts a row, the last one too.
    const int lines = int(std::count_if(headerEnd, end, [](Unit unit) { return codeOf(unit) == '\n'; }));
    QVector<QVector<Value>> values(slotCount);
    QVector<Value *> outputs(slotCount);
    for (int slot = 0; slot < slotCount; ++slot) {
        values[slot].resize(lines);
        outputs[slot] = values[slot].data();
    }

    int rows = 0;
    for (const Unit *line = headerEnd == end ? end : headerEnd + 1; rows < lines; ++rows) {
        const Unit *lineEnd = find(line, end, '\n');
        if (rows + 1 == lines && isSpareLine(line, lineEnd, delimiter, columnCount))
            break;
        const Unit *fieldBegin = line;
        int field = 0;
        for (; field <= lastField; ++field) {
            const Unit *fieldEnd = find(fieldBegin, lineEnd, delimiter);
            if (slotOfField.at(field) >= 0)
                outputs[slotOfField.at(field)][rows] = readCell(fieldBegin, fieldEnd);
            if (fieldEnd == lineEnd) {
                ++field;
                break;
            }
            fieldBegin = fieldEnd + 1;
        }
        // A short row has no field for the columns after its last one.
        for (; field <= lastField; ++field) {
            if (slotOfField.at(field) >= 0)
                outputs[slotOfField.at(field)][rows] = missing;
        }
        line = lineEnd == end ? end : lineEnd + 1;
    }

    QVector<QVector<Value>> result;
    for (QVector<Value> &column : values)
        column.resize(rows);
    for (int slot : slotOfWanted)
        result.append(values.at(slot));
    return result;
}

bool startsWithUtf16ByteOrderMark(const QByteArray &bytes)
{
    return bytes.size() >= 2
           && ((quint8(bytes[0]) == 0xFF && quint8(bytes[1]) == 0xFE)
               || (quint8(bytes[0]) == 0xFE && quint8(bytes[1]) == 0xFF));
}

} // namespace

NumberReader::NumberReader(const QByteArray &bytes, QChar delimiter)
    : m_delimiter(delimiter)
{
    // UTF-8 bytes are scanned for the line feed and the delimiter, which are single bytes
    // only when ASCII; a UTF-16 file, or a delimiter beyond ASCII, is decoded first.
    m_decoded = startsWithUtf16ByteOrderMark(bytes) || delimiter.unicode() > 0x7F;
    if (m_decoded)
        m_text = decodeText(bytes);
    else
        m_bytes = bytes;
}

QStringList NumberReader::names() const
{
    if (m_decoded)
        return m_text.left(m_text.indexOf(QLatin1Char('\n'))).split(m_delimiter);
    const int headerEnd = m_bytes.indexOf('\n');
    return decodeText(headerEnd < 0 ? m_bytes : m_bytes.left(headerEnd)).split(m_delimiter);
}

QVector<QVector<double>> NumberReader::columns(const QVector<int> &columns) const
{
    if (m_decoded)
        return readColumns(m_text.constData(), m_text.constData() + m_text.size(),
                           m_delimiter.unicode(), columns, cellValue<QChar>, missingValue);
    return readColumns(m_bytes.constData(), m_bytes.constData() + m_bytes.size(),
                       m_delimiter.unicode(), columns, cellValue<char>, missingValue);
}

QStringList NumberReader::texts(int column) const
{
    const QVector<QVector<QString>> texts =
        m_decoded ? readColumns(m_text.constData(), m_text.constData() + m_text.size(),
                                m_delimiter.unicode(), {column}, viewText<QChar>, QString())
                  : readColumns(m_bytes.constData(), m_bytes.constData() + m_bytes.size(),
                                m_delimiter.unicode(), {column}, viewText<char>, QString());
    return texts.first().toList();
}

} // namespace csv
