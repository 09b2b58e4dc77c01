#ifndef CONCORDA_STATS_REPORTNUMBERS_H
#define CONCORDA_STATS_REPORTNUMBERS_H

#include <QString>

// How the analyses' reports and plots print their figures, so that a table and the labels
// of its plot read the same.
namespace stats {

// The number of decimals that shows figures measured against `spread` (the standard
// deviation of the differences, say) to about four significant digits of it: 2 for a
// spread of 38.8, 4 for 0.8; between 0 and 8, and 2 when the spread is 0 or not finite.
int decimalsForSpread(double spread);

// A figure with a fixed number of decimals; NaN and infinities as a dash, since a report
// must never show a number that was not computed.
QString reportNumber(double value, int decimals);

// A p-value: three decimals, "< 0.001" below that.
QString pValueText(double p);

// A level in percent for the reader: 0.95 gives "95", 0.975 gives "97.5".
QString percentText(double proportion);

// Alpha as the reports print it, with up to six significant digits: "0.05".
QString alphaText(double alpha);

// A decision level or another reference value typed by the user, with up to ten
// significant digits: "6.5", "11.1".
QString levelText(double level);

// A figure in a machine-readable file, unrounded: the shortest text that reads back as the
// same double; NaN and infinities as NaN, Inf and -Inf.
QString csvNumber(double value);

} // namespace stats

#endif
