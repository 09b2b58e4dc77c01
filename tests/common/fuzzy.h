#ifndef CONCORDA_TESTS_FUZZY_H
#define CONCORDA_TESTS_FUZZY_H

#include <QString>
#include <QtTest>

#include <cmath>

// Relative comparison of doubles for the statistics tests. Two non-finite values
// match when they are the same kind (both NaN, or the same infinity).
inline bool fuzzyEqual(double actual, double expected, double relativeTolerance)
{
    if (std::isnan(expected))
        return std::isnan(actual);
    if (std::isinf(expected))
        return actual == expected;
    if (expected == 0.0)
        return std::fabs(actual) <= relativeTolerance;
    return std::fabs(actual - expected) <= relativeTolerance * std::fabs(expected);
}

#define CONCORDA_FUZZY_COMPARE(actual, expected, tolerance)                                        \
    do {                                                                                           \
        const double concordaActual = (actual);                                                    \
        const double concordaExpected = (expected);                                                \
        QVERIFY2(fuzzyEqual(concordaActual, concordaExpected, (tolerance)),                        \
                 qPrintable(QStringLiteral("%1 is %2, expected %3 (relative tolerance %4)")        \
                                .arg(QStringLiteral(#actual))                                      \
                                .arg(concordaActual, 0, 'g', 17)                                   \
                                .arg(concordaExpected, 0, 'g', 17)                                 \
                                .arg(tolerance)));                                                 \
    } while (false)

#endif
