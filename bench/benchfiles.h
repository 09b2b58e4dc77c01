#ifndef CONCORDA_BENCH_BENCHFILES_H
#define CONCORDA_BENCH_BENCHFILES_H

#include "csvtable.h"

#include <QByteArray>
#include <QString>

// The bytes of a file a benchmark wrote for itself; a file that cannot be read ends the
// program, since no figure would mean anything without it.
inline QByteArray readBenchmarkFile(const QString &fileName)
{
    QByteArray bytes;
    QString reason;
    if (!csv::readFile(fileName, &bytes, &reason))
        qFatal("cannot read %s: %s", qPrintable(fileName), qPrintable(reason));
    return bytes;
}

#endif
