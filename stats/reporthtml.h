#ifndef CONCORDA_STATS_REPORTHTML_H
#define CONCORDA_STATS_REPORTHTML_H

#include <QString>

// The pieces the HTML documents of the analyses share: the head with its style sheet, the
// escaping of names, a figure with its interval below it. The agreement report keeps the
// plainer document it has always had (agreementreport.cpp).
namespace stats {

// The document up to the first heading: the head with `title`, the shared style sheet and
// `cellRules` (the analysis's own rules for table cells), the body's start and `title` as
// its heading.
QString reportStart(const QString &title, const QString &cellRules);

// The style rules of a table whose first cell names the variable, in bold on the left.
QString nameCellRules();

// The end of the document.
QString reportEnd();

// The plain head and the body's start that the agreement and descriptive reports have.
QString plainReportStart();

// A name or any text of the user's, safe to place in HTML.
QString escaped(const QString &text);

// A table cell with the estimate, and its interval on a line of its own below it, which
// keeps tables narrow enough to sit beside the plots. An interval with no end computed
// (both NaN) is left out; an end the data do not bound shows as ∞ or −∞.
QString estimateCell(double value, double lower, double upper, int decimals);

// "1.23 to 4.56", the ends as estimateCell prints them.
QString intervalText(double lower, double upper, int decimals);

} // namespace stats

#endif
