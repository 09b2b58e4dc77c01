// concorda-report: the analyses from the command line. It needs no display: its plots are
// drawn on Qt's offscreen platform. Everything it computes and writes is in the concorda_cli
// library (batchreport.h); this file wires it to the process and hands it the plots.
#include "batchreport.h"
#include "diagnostics.h"
#include "plotdrawing.h"
#include "plotexport.h"

#include <QApplication>
#include <QCoreApplication>
#include <QFile>

#include <qcustomplot.h>

#ifdef Q_OS_WIN
#include <io.h>
#define isatty _isatty
#else
#include <unistd.h>
#endif

namespace {

QByteArray renderPlot(const stats::PlotModel &model, stats::PlotFormat format)
{
    QCustomPlot plot;
    plots::drawPlot(&plot, model);
    return plots::plotBytes(&plot, format, model.fileTitle);
}

} // namespace

int main(int argc, char *argv[])
{
    // Standard error is kept for the tool's own one-line error message.
    quietDiagnostics();

    // Unbuffered, so that a failing write (a full disk, a closed pipe) shows at once.
    QFile standardOutput;
    QFile standardError;
    standardOutput.open(1, QIODevice::WriteOnly | QIODevice::Unbuffered);
    standardError.open(2, QIODevice::WriteOnly | QIODevice::Unbuffered);

    // The command line is read before any application object exists, so that the plots'
    // widget toolkit is set up only for an analysis that draws them; the others keep the
    // lighter application object and start faster.
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    const batch::CommandLine line = batch::parseCommandLine(arguments);
    // A long run says how far it has come, on a terminal only: a script's log stays clean.
    const bool terminal = isatty(2);
    if (line.action == batch::CommandLine::Run && line.request.analysis->hasPlots()) {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        quietDiagnosticsAndWarnings();
        QApplication application(argc, argv);
        QCoreApplication::setApplicationName(QStringLiteral("concorda-report"));
        return batch::runCommandLine(line, &standardOutput, &standardError, renderPlot, terminal);
    }
    QCoreApplication application(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("concorda-report"));
    return batch::runCommandLine(line, &standardOutput, &standardError, batch::PlotRenderer(), terminal);
}
