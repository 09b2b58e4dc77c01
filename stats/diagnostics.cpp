#include "diagnostics.h"

Q_LOGGING_CATEGORY(concordaDiagnostics, "concorda.diagnostics")

void quietDiagnostics()
{
    QLoggingCategory::setFilterRules(QStringLiteral("concorda.diagnostics=false"));
}

void quietDiagnosticsAndWarnings()
{
    QLoggingCategory::setFilterRules(QStringLiteral("concorda.diagnostics=false\n"
                                                    "default.warning=false\n"
                                                    "qt.*.warning=false"));
}
