#ifndef CONCORDA_CELLVALUES_H
#define CONCORDA_CELLVALUES_H

#include <QStringList>
#include <QVariant>
#include <QVector>

// Reading grid texts as the values the analysis works on. These functions need no widget
// and no application object, so a tool that parses CSV fields itself reads exactly the
// same values as the data view does.

// The number a cell text stands for: a double variant when the C-locale conversion
// accepts the whole text (point as decimal separator, optional sign and exponent,
// white space around it allowed, no group separators) and the number is finite, an invalid
// variant (a missing value) otherwise: "nan", "inf" and out-of-range texts such as "1e999".
// The batch tool's NumberReader reads the usual cells without this function and must agree
// with it: a rule changed here is changed there too (tst_numberreader compares the two).
QVariant cellNumber(const QString &text);

// The values of one column, one element per text in order. Every text that is not a
// number also writes the line "Valor <index> no valido" to the debug output, the index
// counted from 0 within texts.
QVector<QVariant> columnValues(const QStringList &texts);

// Whether a row, given as the texts of all its cells, is the spare row kept for new input:
// true when every cell is empty. Only such a last row is left out of the analysis, so
// that the last subject of a file without a final line feed is not lost.
bool isSpareRow(const QStringList &rowTexts);

#endif
