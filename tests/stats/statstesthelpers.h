#ifndef CONCORDA_TESTS_STATSTESTHELPERS_H
#define CONCORDA_TESTS_STATSTESTHELPERS_H

#include <QMetaType>
#include <QString>
#include <QVector>
#include <QtTest>

#include <functional>
#include <stdexcept>

using LibraryCall = std::function<void()>;
Q_DECLARE_METATYPE(LibraryCall)

// The value printed in fixed notation with as many decimals as expected has, the way
// the report prints it; "nan", "inf" and integers compare with no decimals.
inline QString printedLike(double value, const QString &expected)
{
    const int dot = expected.indexOf(QLatin1Char('.'));
    return QString::number(value, 'f', dot < 0 ? 0 : expected.size() - dot - 1);
}

// Compares a value with the way the report would print the expectation; an empty
// expectation leaves the value unchecked.
#define CONCORDA_COMPARE_PRINTED(value, expected)                                                  \
    do {                                                                                           \
        if (!(expected).isEmpty())                                                                 \
            QCOMPARE(printedLike((value), (expected)), (expected));                                \
    } while (false)

// Runs call and names what it threw: "domain_error: <message>",
// "overflow_error: <message>", or "no error".
inline QString libraryError(const LibraryCall &call)
{
    try {
        call();
    } catch (const std::domain_error &error) {
        return QStringLiteral("domain_error: ") + QString::fromUtf8(error.what());
    } catch (const std::overflow_error &error) {
        return QStringLiteral("overflow_error: ") + QString::fromUtf8(error.what());
    }
    return QStringLiteral("no error");
}

// The ten-row pair used for the worked values: reference and compared readings.
inline QVector<double> workedReference()
{
    return {10.1, 12.3, 9.8, 15.2, 11.0, 13.4, 8.9, 14.1, 12.2, 10.7};
}

inline QVector<double> workedCompared()
{
    return {10.6, 12.0, 10.5, 15.9, 11.8, 13.1, 9.6, 14.9, 12.4, 11.5};
}

// A Boost.Math error message in the words of Boost 1.74 (Debian 12), which the expected
// messages quote: later versions add a clause to the non-centrality check.
inline QString inBoost174Words(QString message)
{
    return message.replace(QStringLiteral(", and a countable value such that x+1 != x"),
                           QStringLiteral(" !"));
}

#endif
