#ifndef CONCORDA_NUMBERREADER_H
#define CONCORDA_NUMBERREADER_H

#include <QByteArray>
#include <QChar>
#include <QString>
#include <QStringList>
#include <QVector>

namespace csv {

// Reads chosen columns of a CSV file as numbers straight from its bytes, for a tool that
// needs the numbers and not the grid. The values are exactly those the data view hands to
// the analysis (decodeText, parseTable, tableColumnValues and cellNumber): the same names,
// one value per row, the spare row left out, a short row's cell missing, a comma read as a
// decimal point. A missing value is NaN, which no cell reads as.
//
// A cell made of ASCII digits, signs, points, commas and exponent letters, with ASCII white
// space around it, is read with std::from_chars; any other cell, and any such cell that
// from_chars does not take whole, is read by cellNumber itself, so rare forms ("nan",
// "1e999", a Unicode minus or space) are read by the data view's own rule.
class NumberReader
{
public:
    // The bytes are shared, not copied; a UTF-16 file is decoded first.
    NumberReader(const QByteArray &bytes, QChar delimiter);

    // The variable names, as parseTable gives them.
    QStringList names() const;

    // One vector per entry of columns (each an index into names()), in one pass over the
    // file.
    QVector<QVector<double>> columns(const QVector<int> &columns) const;

    // The cell texts of one column as the data view holds them (each comma a point), one
    // per row by the same rules; a short row's cell is empty.
    QStringList texts(int column) const;

private:
    QByteArray m_bytes; // UTF-8 text, read as it is
    QString m_text;     // otherwise the decoded text
    bool m_decoded = false;
    QChar m_delimiter;
};

} // namespace csv

#endif
