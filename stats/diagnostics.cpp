#include "diagnostics.h"

Q_LOGGING_CATEGORY(concordaDiagnostics, "concorda.diagnostics")

void quietDiagnostics()
{
    QLoggingCategory::setFilterRules(QStringLiteral("concorda.diagnostics=false"));
}
