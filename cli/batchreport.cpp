#include "batchreport.h"

#include "batchtext.h"

#include <QDir>
#include <QElapsedTimer>
#include <QIODevice>
#include <QSaveFile>

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

// Each plot file is written whole or not at all; the folder is made when it is missing.
bool writePlots(const QVector<PlotFile> &plots, const QString &directory, QString *error)
{
    if (plots.isEmpty())
        return true;
    const QDir folder(directory);
    if (!folder.mkpath(QStringLiteral("."))) {
        *error = BatchReport::tr("the plot folder %1 could not be made")
                     .arg(QDir::toNativeSeparators(directory));
        return false;
    }
    for (const PlotFile &plot : plots) {
        const QString fileName = folder.filePath(plot.fileName);
        QSaveFile file(fileName);
        if (!(file.open(QIODevice::WriteOnly) && writeAll(&file, plot.contents) && file.commit())) {
            *error = BatchReport::tr("the plot could not be written to %1: %2")
                         .arg(QDir::toNativeSeparators(fileName), file.errorString());
            return false;
        }
    }
    return true;
}

// The line on a terminal's standard error that a long run keeps up to date: shown only
// after the first second, so that quick runs print nothing, and overwritten in place.
class ProgressLine
{
public:
    explicit ProgressLine(QIODevice *device)
        : device(device)
    {
        clock.start();
    }

    stats::ProgressCallback callback()
    {
        return [this](double done) {
            const int percent = int(done * 100);
            if (clock.elapsed() < 1000 || percent == shownPercent)
                return true;
            shownPercent = percent;
            device->write(QStringLiteral("\r%1: computing, %2 %")
                              .arg(QLatin1String(programName))
                              .arg(percent)
                              .toLocal8Bit());
            return true;
        };
    }

    void clear()
    {
        if (shownPercent >= 0)
            device->write("\r\033[K");
    }

private:
    QIODevice *device;
    QElapsedTimer clock;
    int shownPercent = -1;
};

} // namespace

int runReport(const QStringList &arguments, QIODevice *standardOutput, QIODevice *standardError,
              const PlotRenderer &renderer)
{
    return runCommandLine(parseCommandLine(arguments), standardOutput, standardError, renderer);
}

int runCommandLine(const CommandLine &line, QIODevice *standardOutput, QIODevice *standardError,
                   const PlotRenderer &renderer, bool showProgress)
{
    if (line.action == CommandLine::Fail) {
        reportError(standardError, line.text);
        return ExitUsage;
    }
    if (line.action != CommandLine::Run)
        return writeAll(standardOutput, line.text.toLocal8Bit()) ? ExitSuccess : ExitOutput;

    ProgressLine progress(standardError);
    const Outcome report = buildReport(line.request, renderer,
                                       showProgress ? progress.callback() : stats::ProgressCallback());
    progress.clear();
    if (report.exitCode != ExitSuccess) {
        reportError(standardError, report.error);
        return report.exitCode;
    }
    QString error;
    if (!writePlots(report.plots, line.request.plotDirectory, &error)) {
        reportError(standardError, error);
        return ExitOutput;
    }
    if (!writeDocument(report.document, line.request.outputFile, standardOutput, &error)) {
        reportError(standardError, error);
        return ExitOutput;
    }
    return ExitSuccess;
}

} // namespace batch
