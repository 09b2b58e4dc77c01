#ifndef CONCORDA_CLI_BATCHTEXT_H
#define CONCORDA_CLI_BATCHTEXT_H

#include <QCoreApplication>
#include <QLatin1Char>
#include <QString>

namespace batch {

// The translation context of the tool's messages.
class BatchReport
{
    Q_DECLARE_TR_FUNCTIONS(BatchReport)
};

constexpr char programName[] = "concorda-report";

inline QString quoted(const QString &text)
{
    return QLatin1Char('"') + text + QLatin1Char('"');
}

} // namespace batch

#endif
