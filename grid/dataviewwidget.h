#ifndef CONCORDA_DATAVIEWWIDGET_H
#define CONCORDA_DATAVIEWWIDGET_H

#include "spreadsheetwidget.h"

#include <QStringList>
#include <QVariant>
#include <QVector>

class QKeyEvent;

// The grid of an imported data file: every column is one variable, every row one subject,
// and the last row is the spare row that takes new input. It keeps the variable names of
// the import, grows when a value is confirmed with Return or Enter, and reads a variable's
// cells out as numbers for the analysis.
class DataViewWidget : public SpreadSheetWidget
{
    Q_OBJECT

public:
    DataViewWidget(int rows, int columns, QWidget *parent = nullptr);

    QStringList getVarNames() const;
    // Stores the names and shows them as the column headers.
    void setVarNames(const QStringList &names);
    // One element per subject row: a double where the cell reads as a number, an invalid
    // variant where it does not. The last row is left out when all its cells are empty.
    QVector<QVariant> getVarValues(const QString &name) const;
    // The same read-out for the column at `column`; empty for a column outside the grid.
    QVector<QVariant> getColumnValues(int column) const;
    // The cell texts of a variable, one per subject row as getVarValues gives them: for a
    // column of subject identifiers, which may be any text.
    QStringList getVarTexts(const QString &name) const;
    // The columns that hold a selected cell, left to right; every column when no cell is
    // selected.
    QVector<int> selectedColumns() const;

signals:
    void sHHeader(int);
    void sDataViewVarRequest();
    void sCellPressed(int column);

public slots:
    void onHSectionClicked(int section);
    void onDataViewVarAdded(const QString &str);
    void onNewVarCreated(const QString &title);
    void onVarNameChange(const QString &title, int col);
    void onWrongType(const QString &error);
    void onEnterKeyPressed(int row, int column);

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    void makeConnections();
    void appendVariableColumn(const QString &title);
    QString cellText(int row, int column) const;
    QStringList cellTexts(int column) const;
    bool lastRowIsSpare() const;

    // The names of the import in column order; renaming or adding a column changes only
    // the headers, so the analysis keeps finding the variables under these names.
    QStringList varNames;
};

#endif
