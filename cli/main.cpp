// concorda-report: the analyses from the command line. It needs no display: its plots are
// drawn on Qt's offscreen platform. Everything it computes and writes is in the concorda_cli
// library (batchreport.h); this file wires it to the process and hands it the plots.
#include "batchreport.h"
#include "blandaltmanplot.h"
#include "blandaltmanreport.h"
#include "diagnostics.h"
#include "plotexport.h"
#include "regressionplot.h"
#include "regressionreport.h"

#include <QApplication>
#include <QCoreApplication>
#include <QFile>

#include <qcustomplot.h>

namespace {

plots::PlotFormat plotFormat(batch::PlotFormat format)
{
    switch (format) {
    case batch::PlotFormat::Png:
        return plots::PlotFormat::Png;
    case batch::PlotFormat::Pdf:
        return plots::PlotFormat::Pdf;
    case batch::PlotFormat::Svg:
        break;
    }
    return plots::PlotFormat::Svg;
}

batch::PlotRenderer plotRenderer()
{
    batch::PlotRenderer renderer;
    renderer.blandAltman = [](const stats::BlandAltmanFigures &figures,
                              const stats::BlandAltmanOptions &options, const QString &reference,
                              const QString &compared, batch::PlotFormat format) {
        QCustomPlot plot;
        plots::drawBlandAltmanPlot(&plot, figures, options, reference, compared);
        return plots::plotBytes(&plot, plotFormat(format),
                                stats::differenceTitle(options.differences, reference, compared));
    };
    renderer.regression = [](const QVector<double> &x, const QVector<double> &y,
                             const stats::RegressionFigures &figures, const QString &reference,
                             const QString &compared, batch::PlotFormat format) {
        QCustomPlot plot;
        plots::drawRegressionPlot(&plot, x, y, figures, reference, compared);
        return plots::plotBytes(&plot, plotFormat(format),
                                stats::regressionEquation(figures, reference, compared));
    };
    return renderer;
}

// Whether the command line asks for an analysis with plots: a look at --analysis only,
// before any application object exists (the full reading needs one for its help text).
bool wantsPlots(int argc, char *argv[])
{
    const QByteArray option("--analysis");
    for (int i = 1; i < argc; ++i) {
        const QByteArray argument(argv[i]);
        if (argument == "--")
            break;
        if (argument == option && i + 1 < argc)
            return QByteArray(argv[i + 1]) != "agreement";
        if (argument.startsWith(option + '='))
            return argument.mid(option.size() + 1) != "agreement";
    }
    return false;
}

int run(QIODevice *standardOutput, QIODevice *standardError, const batch::PlotRenderer &renderer)
{
    return batch::runReport(QCoreApplication::arguments(), standardOutput, standardError, renderer);
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

    // Plots need the widget toolkit, which the agreement does without: it keeps the lighter
    // application object and starts faster.
    if (wantsPlots(argc, argv)) {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        quietDiagnosticsAndWarnings();
        QApplication application(argc, argv);
        QCoreApplication::setApplicationName(QStringLiteral("concorda-report"));
        return run(&standardOutput, &standardError, plotRenderer());
    }
    QCoreApplication application(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("concorda-report"));
    return run(&standardOutput, &standardError, batch::PlotRenderer());
}
