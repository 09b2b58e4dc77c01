#ifndef CONCORDA_CSVTABLE_H
#define CONCORDA_CSVTABLE_H

#include <QChar>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVector>

class QByteArray;

// A delimited text split into its variable names (the first line) and one row of
// fields per further line. Every field stays text. A row holds at most one field per
// name: extra fields are dropped, and a short line gives a short row.
struct CsvTable
{
    QStringList names;
    QVector<QStringList> rows;
};

// The CSV reading steps that need nothing but QtCore, so that a tool without a GUI
// can import the same way the program does.
namespace csv {

// The drop-down entries offered for the delimiter, in the order shown to the user.
QStringList delimiterEntries();

// The delimiter character an entry of delimiterEntries() stands for; a null QChar for
// any other text.
QChar delimiterForEntry(const QString &entry);

// The text of a CSV file's bytes, all of them (a NUL byte is a character like any other):
// UTF-16 when the bytes start with a UTF-16 byte-order mark (little or big endian), UTF-8
// otherwise, without the byte-order mark. Malformed sequences become U+FFFD.
QString decodeText(const QByteArray &bytes);

// Splits a decoded text at line feeds and each line at the delimiter, keeping empty
// parts. The first line gives the names exactly as written; every further line gives
// one row, also a final empty line. In every field of a row each comma becomes a point.
CsvTable parseTable(const QString &text, QChar delimiter);

// The values of one column as the data view hands them to the analysis: one per row, a
// missing value where a cell is empty, absent or not a number, and the last row left out
// when all its cells are empty (the spare row).
QVector<QVariant> tableColumnValues(const CsvTable &table, int column);

// A variable name without the carriage return that a file with CR LF line ends leaves at
// the end of its last name; the reports name the variable so.
QString withoutFinalCarriageReturn(const QString &name);

// Reads a whole file into bytes. On failure returns false and puts the system's reason
// into errorString; a directory is refused.
bool readFile(const QString &fileName, QByteArray *bytes, QString *errorString);

} // namespace csv

#endif
