#ifndef CONCORDA_DELIMITERS_H
#define CONCORDA_DELIMITERS_H

#include <QChar>
#include <QString>

// The delimiter entries of the dialogs seen from the other side: which entry a delimiter
// is shown as, and which one a file's first line suggests.
namespace csv {

// The entry of delimiterEntries() that stands for `delimiter`; empty for any other
// character.
QString entryForDelimiter(QChar delimiter);

// The entry that the first line of a decoded file suggests: the tab when the line holds
// one, else the semicolon, else the comma, else the space; the comma when it holds none
// of them. A tab or a semicolon is rarely part of a name, a comma more often (beside the
// semicolon) and a space most often, hence the order.
QString suggestedDelimiterEntry(const QString &text);

} // namespace csv

#endif
