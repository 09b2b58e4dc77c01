#include "batchreport.h"

#include "batchtext.h"

#include <QIODevice>

namespace batch {

namespace {

// The tool promises one line per error on standard error.
QString oneLine(QString text)
{
    text.replace(QLatin1String("\r\n"), QLatin1String(" "));
    text.replace(QLatin1Char('\n'), QLatin1Char(' '));
    text.replace(QLatin1Char('\r'), QLatin1Char(' '));
    return text.trimmed();
}

void reportError(QIODevice *standardError, const QString &message)
{
    standardError->write(QStringLiteral("%1: %2\n")
                             .arg(QLatin1String(programName), oneLine(message))
                             .toLocal8Bit());
}

} // namespace

int runReport(const QStringList &arguments, QIODevice *standardOutput, QIODevice *standardError)
{
    const CommandLine line = parseCommandLine(arguments);
    if (line.action == CommandLine::Fail) {
        reportError(standardError, line.text);
        return ExitUsage;
    }
    if (line.action != CommandLine::Run)
        return writeAll(standardOutput, line.text.toLocal8Bit()) ? ExitSuccess : ExitOutput;

    const Report report = buildReport(line.request);
    if (report.exitCode != ExitSuccess) {
        reportError(standardError, report.error);
        return report.exitCode;
    }
    QString error;
    if (!writeDocument(report.document, line.request.outputFile, standardOutput, &error)) {
        reportError(standardError, error);
        return ExitOutput;
    }
    return ExitSuccess;
}

} // namespace batch
