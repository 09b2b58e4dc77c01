#ifndef CONCORDA_BATCHREPORT_H
#define CONCORDA_BATCHREPORT_H

#include "agreementreport.h"

#include <QByteArray>
#include <QChar>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVector>

class QIODevice;
struct CsvTable;

// concorda-report: the agreement report of a CSV file from the command line. It reads the
// file with the program's own import steps and computes with the program's own report
// functions, so that its figures and its HTML are those of the desktop program.
namespace batch {

// The exit codes of concorda-report; the user guide lists them.
enum ExitCode {
    ExitSuccess = 0,
    ExitUsage = 2,      // a bad command line, an unreadable file or an unknown column
    ExitStatistics = 3, // the statistics could not be computed for a compared column
    ExitOutput = 4,     // the finished report could not be written
};

enum class Format { Html, Csv, Json };

struct ReportRequest
{
    QString fileName;
    QChar delimiter = QLatin1Char(',');
    QString gold;
    // The --other values as given; each is a column name, or names joined by commas.
    // Empty: every column but the gold one, in file order.
    QStringList others;
    stats::AgreementOptions options;
    Format format = Format::Html;
    QString outputFile; // empty: standard output
};

struct CommandLine
{
    enum Action { Run, ShowHelp, ShowVersion, Fail };
    Action action = Fail;
    ReportRequest request; // for Run
    QString text;          // the help or version text, or why the command line fails
};

// Reads the arguments (the program name first) and checks every option value, so that a
// request that comes back with Run can be computed.
CommandLine parseCommandLine(const QStringList &arguments);

// Why the statistics cannot be computed with these options, or an empty string.
QString optionsError(const stats::AgreementOptions &options);

struct ColumnChoice
{
    int gold = -1;
    QVector<int> others;
};

// Finds the chosen columns among the names of a file. A name matches the first column of
// that name; it also matches a name that differs only by a final carriage return, which a
// file with CR LF line ends leaves on its last column. On failure, *error names the
// column and lists the ones there are.
bool chooseColumns(const QStringList &names, const QString &gold, const QStringList &others,
                   ColumnChoice *choice, QString *error);

// Reads and splits a file as the desktop import does.
bool readTable(const QString &fileName, QChar delimiter, CsvTable *table, QString *error);

// The values of one column as the desktop data view hands them to the analysis: one per
// row, a missing value where a cell is empty, absent or not a number, and the last row
// left out when all its cells are empty.
QVector<QVariant> tableColumnValues(const CsvTable &table, int column);

// A header line and one line per compared column, numbers unrounded.
QByteArray figuresCsv(const QStringList &names, const QVector<stats::AgreementFigures> &figures,
                      const stats::AgreementOptions &options);

// {"options": {...}, "results": [{...}, ...]}, non-finite numbers as null.
QByteArray figuresJson(const QStringList &names, const QVector<stats::AgreementFigures> &figures,
                       const stats::AgreementOptions &options);

struct Report
{
    int exitCode = ExitSuccess;
    QByteArray document; // on success
    QString error;       // otherwise, one line
};

// Reads the file, chooses the columns and computes the whole report in memory.
Report buildReport(const ReportRequest &request);

// The whole tool: writes the report or the help to standardOutput (or to the --output
// file, only when complete), one error line to standardError, and returns the exit code.
int runReport(const QStringList &arguments, QIODevice *standardOutput,
              QIODevice *standardError);

} // namespace batch

#endif
