#include "analysis.h"

namespace stats {

// Each analysis's declaration, from its own file.
const Analysis &agreementAnalysis();
const Analysis &replicateAgreementAnalysis();
const Analysis &blandAltmanAnalysis();
const Analysis &regressionAnalysis();

// The one list of analyses, in menu order. A new analysis is one more line here.
const QVector<const Analysis *> &analyses()
{
    static const QVector<const Analysis *> all = {
        &agreementAnalysis(),
        &replicateAgreementAnalysis(),
        &blandAltmanAnalysis(),
        &regressionAnalysis(),
    };
    return all;
}

} // namespace stats
