#ifndef CONCORDA_CLI_COMMANDLINE_H
#define CONCORDA_CLI_COMMANDLINE_H

#include "agreementreport.h"
#include "blandaltman.h"
#include "regression.h"

#include <QChar>
#include <QString>
#include <QStringList>

// The command line of concorda-report: what it asks for, read and checked.
namespace batch {

// The exit codes of concorda-report; the user guide lists them.
enum ExitCode {
    ExitSuccess = 0,
    ExitUsage = 2,      // a bad command line, an unreadable file or an unknown column
    ExitStatistics = 3, // the statistics could not be computed for a compared column
    ExitOutput = 4,     // the finished report could not be written
};

enum class Format { Html, Csv, Json };

enum class Analysis { Agreement, BlandAltman, Regression };

enum class PlotFormat { Svg, Png, Pdf };

struct ReportRequest
{
    Analysis analysis = Analysis::Agreement;
    QString fileName;
    QChar delimiter = QLatin1Char(',');
    QString gold;
    // The --other values as given; each is a column name, or names joined by commas.
    // Empty: every column but the gold one, in file order.
    QStringList others;
    stats::AgreementOptions options;             // for the agreement
    stats::BlandAltmanOptions blandAltman;       // for the Bland–Altman analysis
    stats::RegressionOptions regression;         // for the regression
    Format format = Format::Html;
    QString outputFile; // empty: standard output
    QString plotDirectory; // empty: no plot files
    PlotFormat plotFormat = PlotFormat::Svg;
};

// The usual file suffix of a plot format, without the dot.
QString plotFormatSuffix(PlotFormat format);

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

} // namespace batch

#endif
