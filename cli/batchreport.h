#ifndef CONCORDA_CLI_BATCHREPORT_H
#define CONCORDA_CLI_BATCHREPORT_H

#include "batchrun.h"
#include "commandline.h"
#include "writers.h"

#include <QStringList>

class QIODevice;

// concorda-report as a whole: the command line read, the analysis run, the document
// written. Its parts are the three headers above.
namespace batch {

// Writes the report or the help to standardOutput (or to the --output file, only when
// complete) and the plot files into the --plot-dir folder, one error line to standardError,
// and returns the exit code. `renderer` draws the plots; without it there are none.
// With `showProgress` (standard error is a terminal), a run that takes more than a second
// keeps one line on standard error saying how far it has come, and clears it at the end.
int runCommandLine(const CommandLine &line, QIODevice *standardOutput,
                   QIODevice *standardError, const PlotRenderer &renderer = PlotRenderer(),
                   bool showProgress = false);

// The same for the arguments (the program name first) as the command line gives them.
int runReport(const QStringList &arguments, QIODevice *standardOutput,
              QIODevice *standardError, const PlotRenderer &renderer = PlotRenderer());

} // namespace batch

#endif
