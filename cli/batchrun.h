#ifndef CONCORDA_CLI_BATCHRUN_H
#define CONCORDA_CLI_BATCHRUN_H

#include "commandline.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVector>

#include <functional>

// The analysis run of concorda-report: the chosen columns read from the file's bytes by the
// rules of the desktop program's data view, the report computed in memory with the
// program's own report functions, so that its figures and its HTML are those of the
// desktop program.
namespace batch {

struct ColumnChoice
{
    int gold = -1;
    QVector<int> others;
};

// Finds the chosen columns among the names of a file. A name matches a column of that
// name; it also matches a name that differs only by a final carriage return, which a file
// with CR LF line ends leaves on its last column. A name that matches no column, or more
// than one, fails: *error names it and lists the columns there are, or says where it
// stands twice.
bool chooseColumns(const QStringList &names, const QString &gold, const QStringList &others,
                   ColumnChoice *choice, QString *error);

// The columns a request chooses, as the analysis reads them.
struct ChosenColumns
{
    QVector<QVariant> gold;
    QString goldName; // without a line end's carriage return
    QVector<QVector<QVariant>> others;
    QStringList labels; // the names as the desktop report shows them, carriage return and all
    QStringList names;  // the names without a line end's carriage return, for records and messages
};

// Reads the file and the columns the request chooses. On failure *error says why (a file
// that cannot be read, a name that matches no column or more than one).
bool readChosenColumns(const ReportRequest &request, ChosenColumns *columns, QString *error);

// What the batch tool needs from the plotting layer. The program hands it in, so that the
// tool's own library stays on the core; without it the documents carry no plots and no
// plot files are written.
struct PlotRenderer
{
    // The file contents of the difference plot of one compared column.
    std::function<QByteArray(const stats::BlandAltmanFigures &figures,
                             const stats::BlandAltmanOptions &options, const QString &reference,
                             const QString &compared, PlotFormat format)>
        blandAltman;
    // The file contents of the scatter plot of one compared column (y) against the
    // reference (x), complete pairs only.
    std::function<QByteArray(const QVector<double> &x, const QVector<double> &y,
                             const stats::RegressionFigures &figures, const QString &reference,
                             const QString &compared, PlotFormat format)>
        regression;
};

// A plot file to write: its name within the plot folder and its contents.
struct PlotFile
{
    QString fileName;
    QByteArray contents;
};

struct Report
{
    int exitCode = ExitSuccess;
    QByteArray document;     // on success
    QVector<PlotFile> plots; // on success, with a plot folder
    QString error;           // otherwise
};

// Reads the file, chooses the columns and computes the whole report, plots and all, in memory.
Report buildReport(const ReportRequest &request, const PlotRenderer &renderer = PlotRenderer());

// File names for the plots of the columns `names`, one each, made of the name's letters,
// digits, '-' and '.' (anything else becomes '_'), unique among themselves, with `suffix`.
QStringList plotFileNames(const QStringList &names, const QString &suffix);

} // namespace batch

#endif
