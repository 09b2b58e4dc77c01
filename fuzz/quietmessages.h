#ifndef CONCORDA_FUZZ_QUIETMESSAGES_H
#define CONCORDA_FUZZ_QUIETMESSAGES_H

#include <QtGlobal>

#include <cstdio>
#include <cstdlib>

// The engine writes a diagnostic line per random-mode CP estimate and the data view one
// per cell that is not a number; at tens of thousands of runs a second that output
// would cost more than the code under test. Only a fatal message still gets through,
// and it ends the run as a crash, as it would in the program.
inline void quietMessageHandler(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    if (type == QtFatalMsg) {
        std::fprintf(stderr, "qFatal: %s\n", qPrintable(message));
        std::abort();
    }
}

#endif
