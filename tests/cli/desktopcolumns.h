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

#include <memory>

// The columns of a file as the desktop program hands them to the report: the import's
// file reading and data view, then the view's read-out of each chosen variable.
struct DesktopColumns
{
    QVector<QVector<QVariant>> others;
    QVector<QVariant> gold;
};

inline DesktopColumns desktopColumnsOfText(const QString &text, QChar delimiter,
                                           const QString &gold, const QStringList &others)
{
    QStringList names;
    const std::unique_ptr<DataViewWidget> view(ImportExport::dataViewFromText(text, delimiter, names));
    view->setVarNames(names);
    DesktopColumns columns;
    for (const QString &name : others)
        columns.others.append(view->getVarValues(name));
    columns.gold = view->getVarValues(gold);
    return columns;
}

inline DesktopColumns desktopColumns(const QString &fileName, QChar delimiter,
                                     const QString &gold, const QStringList &others)
{
    QByteArray bytes;
    QString error;
    if (!csv::readFile(fileName, &bytes, &error))
        return {};
    return desktopColumnsOfText(csv::decodeText(bytes), delimiter, gold, others);
}

#endif
