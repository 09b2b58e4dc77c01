#ifndef CONCORDA_CLI_WRITERS_H
#define CONCORDA_CLI_WRITERS_H

#include <QByteArray>
#include <QString>

class QIODevice;

// The writing of concorda-report's finished document. (The CSV and JSON forms of the
// figures are made in the core, from each analysis's named fields.)
namespace batch {

// Writes the whole document to `outputFile`, only when it is complete, or to
// standardOutput when no file is named. On failure *error says where and why.
bool writeDocument(const QByteArray &document, const QString &outputFile,
                   QIODevice *standardOutput, QString *error);

// Writes everything or reports failure.
bool writeAll(QIODevice *device, const QByteArray &bytes);

} // namespace batch

#endif
