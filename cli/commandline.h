#ifndef CONCORDA_CLI_COMMANDLINE_H
#define CONCORDA_CLI_COMMANDLINE_H

#include "analysis.h"

#include <QChar>
#include <QString>
#include <QStringList>

// The command line of concorda-report: what it asks for, read and checked. The options of
// the analyses are made from their declarations in the registry.
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
    const stats::Analysis *analysis = nullptr;
    QString fileName;
    QChar delimiter = QLatin1Char(',');
    QString gold;
    // The --other values as given; each is a column name, or names joined by commas.
    // Empty: every column but the gold (and the subject) one, in file order.
    QStringList others;
    QString subject; // empty: no subject column
    stats::OptionValues options;
    Format format = Format::Html;
    QString outputFile;    // empty: standard output
    QString plotDirectory; // empty: no plot files
    stats::PlotFormat plotFormat = stats::PlotFormat::Svg;
};

struct CommandLine
{
    enum Action { Run, ShowHelp, ShowVersion, Fail };
    Action action = Fail;
    ReportRequest request; // for Run
    QString text;          // the help or version text, or why the command line fails
};

// Reads the arguments (the program name first) and checks every option value, so that a
// request that comes back with Run can be computed. Needs no application object.
CommandLine parseCommandLine(const QStringList &arguments);

// The option by which the command line sets an analysis option: its name, or for a flag
// that is on by default, "no-" and its name.
QString commandLineName(const stats::OptionDeclaration &declaration);

} // namespace batch

#endif
