#ifndef CONCORDA_CLI_BATCHRUN_H
#define CONCORDA_CLI_BATCHRUN_H

#include "commandline.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVector>

#include <functional>

// The analysis run of concorda-report: the chosen columns read from the file's bytes by the
// rules of the desktop program's data view, the analysis run and its document written with
// the program's own functions, so that its figures and its HTML are those of the desktop
// program. One road for every analysis of the registry.
namespace batch {

struct ColumnChoice
{
    int gold = -1;
    QVector<int> others;
    int subject = -1; // none
};

// Finds the chosen columns among the names of a file. A name matches a column of that
// name; it also matches a name that differs only by a final carriage return, which a file
// with CR LF line ends leaves on its last column. A name that matches no column, or more
// than one, fails: *error names it and lists the columns there are, or says where it
// stands twice. Without compared columns, every column but the gold and the subject ones.
bool chooseColumns(const QStringList &names, const QString &gold, const QStringList &others,
                   const QString &subject, ColumnChoice *choice, QString *error);

// Reads the file and the columns the request chooses, with the request's options, as the
// analysis takes them. On failure *error says why (a file that cannot be read, a name that
// matches no column or more than one).
bool readInput(const ReportRequest &request, stats::AnalysisInput *input, QString *error);

// What the batch tool needs from the plotting layer: the file contents of a plot in a
// format. The program hands it in, so that the tool's own library stays on the core;
// without it the documents carry no plots and no plot files are written.
using PlotRenderer = std::function<QByteArray(const stats::PlotModel &plot, stats::PlotFormat format)>;

// A plot file to write: its name within the plot folder and its contents.
struct PlotFile
{
    QString fileName;
    QByteArray contents;
};

// A finished run: the document and the plot files, or the error and its exit code.
struct Outcome
{
    int exitCode = ExitSuccess;
    QByteArray document;     // on success
    QVector<PlotFile> plots; // on success, with a plot folder
    QString error;           // otherwise
};

// Reads the file, chooses the columns and computes the whole report, plots and all, in memory.
// A long run tells `progress` how far it has come.
Outcome buildReport(const ReportRequest &request, const PlotRenderer &renderer = PlotRenderer(),
                    const stats::ProgressCallback &progress = stats::ProgressCallback());

// File names for the plots of the columns `names`, one each, made of the name's letters,
// digits, '-' and '.' (anything else becomes '_'), unique among themselves, with `suffix`.
QStringList plotFileNames(const QStringList &names, const QString &suffix);

} // namespace batch

#endif
