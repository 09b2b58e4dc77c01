// concorda-report: the agreement report from the command line. It needs no display and
// creates no widget; everything it does is in batchreport.cpp.
#include "batchreport.h"

#include <QCoreApplication>
#include <QFile>

#include <cstdio>

namespace {

// The data read-out and the CP estimator write developer diagnostics to the debug output.
// Standard error is kept for the tool's own one-line error message.
void dropDiagnostics(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    if (type == QtFatalMsg)
        std::fprintf(stderr, "%s\n", message.toLocal8Bit().constData());
}

} // namespace

int main(int argc, char *argv[])
{
    qInstallMessageHandler(dropDiagnostics);
    QCoreApplication application(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("concorda-report"));

    // Unbuffered, so that a failing write (a full disk, a closed pipe) shows at once.
    QFile standardOutput;
    QFile standardError;
    standardOutput.open(1, QIODevice::WriteOnly | QIODevice::Unbuffered);
    standardError.open(2, QIODevice::WriteOnly | QIODevice::Unbuffered);
    return batch::runReport(QCoreApplication::arguments(), &standardOutput, &standardError);
}
