#ifndef CONCORDA_TESTS_DESKTOPCOLUMNS_H
#define CONCORDA_TESTS_DESKTOPCOLUMNS_H

#include "csvtable.h"
#include "dataviewwidget.h"
#include "importexport.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVector>
#include <QtTest>

#include <memory>

// A file as the desktop import reads it after its dialogs: read, decoded, split and put
// into a new data view, whose names are stored as the data container stores them. Null,
// with a failed check, when the file cannot be read.
inline std::unique_ptr<DataViewWidget> importedView(const QString &fileName, QChar delimiter,
                                                    QStringList *names = nullptr)
{
    QByteArray bytes;
    QString reason;
    if (!csv::readFile(fileName, &bytes, &reason)) {
        QTest::qVerify(false, "csv::readFile", qPrintable(reason), __FILE__, __LINE__);
        return nullptr;
    }
    QStringList importedNames;
    std::unique_ptr<DataViewWidget> view(
        ImportExport::dataViewFromText(csv::decodeText(bytes), delimiter, importedNames));
    view->setVarNames(importedNames);
    if (names)
        *names = importedNames;
    return view;
}

// The columns of a file as the desktop program hands them to the report: the import's
// file reading and data view, then the view's read-out of each chosen variable.
struct DesktopColumns
{
    QVector<QVector<QVariant>> others;
    QVector<QVariant> gold;
};

inline DesktopColumns columnsOfView(const DataViewWidget &view, const QString &gold,
                                    const QStringList &others)
{
    DesktopColumns columns;
    for (const QString &name : others)
        columns.others.append(view.getVarValues(name));
    columns.gold = view.getVarValues(gold);
    return columns;
}

inline DesktopColumns desktopColumnsOfText(const QString &text, QChar delimiter,
                                           const QString &gold, const QStringList &others)
{
    QStringList names;
    const std::unique_ptr<DataViewWidget> view(ImportExport::dataViewFromText(text, delimiter, names));
    view->setVarNames(names);
    return columnsOfView(*view, gold, others);
}

inline DesktopColumns desktopColumns(const QString &fileName, QChar delimiter,
                                     const QString &gold, const QStringList &others)
{
    const std::unique_ptr<DataViewWidget> view = importedView(fileName, delimiter);
    return view ? columnsOfView(*view, gold, others) : DesktopColumns();
}

#endif
