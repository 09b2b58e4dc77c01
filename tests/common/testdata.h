#ifndef CONCORDA_TESTS_TESTDATA_H
#define CONCORDA_TESTS_TESTDATA_H

#include <QMetaMethod>
#include <QMetaObject>
#include <QStringList>
#include <QVariant>
#include <QVector>

#include <cmath>
#include <initializer_list>
#include <limits>

// A missing reading in cells(): an empty or non-numeric cell of the grid.
constexpr double missing = std::numeric_limits<double>::quiet_NaN();

// A column as the data view hands it to the analysis: a double variant per reading, an
// invalid variant where `missing` stands.
inline QVector<QVariant> cells(std::initializer_list<double> values)
{
    QVector<QVariant> column;
    for (double value : values)
        column << (std::isnan(value) ? QVariant() : QVariant(value));
    return column;
}

// The signals and slots a class declares itself, in meta-object order, as "signal f(int)"
// or "slot g()".
inline QStringList ownMethods(const QMetaObject &meta)
{
    QStringList methods;
    for (int i = meta.methodOffset(); i < meta.methodCount(); ++i) {
        const QMetaMethod method = meta.method(i);
        const char *kind = method.methodType() == QMetaMethod::Signal ? "signal " : "slot ";
        methods.append(QLatin1String(kind) + QLatin1String(method.methodSignature()));
    }
    return methods;
}

#endif
