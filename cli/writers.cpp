#include "writers.h"

#include "batchtext.h"

#include <QDir>
#include <QIODevice>
#include <QSaveFile>

namespace batch {

bool writeAll(QIODevice *device, const QByteArray &bytes)
{
    return device->write(bytes) == bytes.size();
}

bool writeDocument(const QByteArray &document, const QString &outputFile,
                   QIODevice *standardOutput, QString *error)
{
    if (outputFile.isEmpty()) {
        if (writeAll(standardOutput, document))
            return true;
        *error = BatchReport::tr("the report could not be written to standard output: %1")
                     .arg(standardOutput->errorString());
        return false;
    }
    // Written beside the target and renamed over it on commit, so that no half-written
    // report is ever left under that name.
    QSaveFile file(outputFile);
    if (file.open(QIODevice::WriteOnly) && writeAll(&file, document) && file.commit())
        return true;
    *error = BatchReport::tr("the report could not be written to %1: %2")
                 .arg(QDir::toNativeSeparators(outputFile), file.errorString());
    return false;
}

} // namespace batch
