#ifndef CONCORDA_STATS_DIAGNOSTICS_H
#define CONCORDA_STATS_DIAGNOSTICS_H

#include <QLoggingCategory>

// The developer diagnostics of the engine and the cell reading: a line for every cell that
// does not read as a number, and the two columns of every random-mode CP estimate. On by
// default; a tool that keeps its standard error for the user switches them off with the
// filter rule "concorda.diagnostics=false" (quietDiagnostics()).
Q_DECLARE_LOGGING_CATEGORY(concordaDiagnostics)

void quietDiagnostics();

// quietDiagnostics(), and Qt's own warnings too (such as the offscreen platform's note that
// XDG_RUNTIME_DIR is not set): for a tool whose standard error carries only its own message.
void quietDiagnosticsAndWarnings();

#endif
