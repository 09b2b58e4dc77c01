#ifndef CONCORDA_CSVWRITER_H
#define CONCORDA_CSVWRITER_H

#include "csvtable.h"

#include <QChar>
#include <QString>

// Writing a table as delimited text that the import reads back as the same table. The
// import knows no quoting, so a text that holds the delimiter or a line feed cannot be
// written faithfully, and neither can a data cell that holds a comma (the import reads
// every comma of a data field as a decimal point), nor a first name that starts with the
// byte-order mark character U+FEFF (the import drops it). These functions find such a
// text before anything is written; they need nothing but QtCore.
namespace csv {

enum class Unwritable { None, Delimiter, LineFeed, Comma, LeadingByteOrderMark };

// Where the first text that would not read back as written is, and why.
struct UnwritableText
{
    Unwritable reason = Unwritable::None;
    int row = -1;    // index into CsvTable::rows; -1 for the names line
    int column = -1; // index into the names, or into the row's fields
};

// The first such text of `table` for `delimiter`: the names from left to right, then the
// rows from top to bottom, each from left to right.
UnwritableText firstUnwritableText(const CsvTable &table, QChar delimiter);

// The text of `table`: the names line, then one line per row, the fields joined with the
// delimiter and the lines with line feeds. A last row whose fields are all empty is the
// spare row and is written as the empty part after a final line feed, the form the import
// reads it from. For a table in which firstUnwritableText finds nothing, parseTable gives
// back the same names and, cell for cell, the same rows.
QString tableText(const CsvTable &table, QChar delimiter);

} // namespace csv

#endif
