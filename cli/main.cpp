// concorda-report: the agreement report from the command line. It needs no display and
// creates no widget; everything it does is in the concorda_cli library (batchreport.h).
#include "batchreport.h"
#include "diagnostics.h"

#include <QCoreApplication>
#include <QFile>

int main(int argc, char *argv[])
{
    // Standard error is kept for the tool's own one-line error message.
    quietDiagnostics();
    QCoreApplication application(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("concorda-report"));

    // Unbuffered, so that a failing write (a full disk, a closed pipe) shows at once.
    QFile standardOutput;
    QFile standardError;
    standardOutput.open(1, QIODevice::WriteOnly | QIODevice::Unbuffered);
    standardError.open(2, QIODevice::WriteOnly | QIODevice::Unbuffered);
    return batch::runReport(QCoreApplication::arguments(), &standardOutput, &standardError);
}
