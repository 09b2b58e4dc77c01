#include "dataviewwidget.h"

#include "cellvalues.h"
#include "customdialog.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QHeaderView>
#include <QKeyEvent>
#include <QTableWidgetItem>
#include <QTableWidgetSelectionRange>

DataViewWidget::DataViewWidget(int rows, int columns, QWidget *parent)
    : SpreadSheetWidget(rows, columns, parent)
{
    makeConnections();
}

void DataViewWidget::makeConnections()
{
    connect(horizontalHeader(), SIGNAL(sectionDoubleClicked(int)), this,
            SLOT(onHSectionClicked(int)));
    connect(this, SIGNAL(sKeyEnter(int,int)), this, SLOT(onEnterKeyPressed(int,int)));
}

QStringList DataViewWidget::getVarNames() const
{
    return varNames;
}

void DataViewWidget::setVarNames(const QStringList &names)
{
    varNames = names;
    setHorizontalHeaderLabels(names);
}

QVector<QVariant> DataViewWidget::getVarValues(const QString &name) const
{
    // Callers pass names from getVarNames(); any other name, or a name without a column
    // of its own, has no values and gives an empty vector.
    return getColumnValues(varNames.indexOf(name));
}

// The spare row's cells are read too, so that the diagnostics name every cell that is not a
// number, before the row is left out.
QVector<QVariant> DataViewWidget::getColumnValues(int column) const
{
    if (column < 0 || column >= columnCount())
        return {};
    QVector<QVariant> values = columnValues(cellTexts(column));
    if (lastRowIsSpare())
        values.removeLast();
    return values;
}

QStringList DataViewWidget::getVarTexts(const QString &name) const
{
    const int column = varNames.indexOf(name);
    if (column < 0 || column >= columnCount())
        return {};
    QStringList texts = cellTexts(column);
    if (lastRowIsSpare())
        texts.removeLast();
    return texts;
}

QStringList DataViewWidget::cellTexts(int column) const
{
    const int rows = rowCount();
    QStringList texts;
    texts.reserve(rows);
    for (int row = 0; row < rows; ++row)
        texts.append(cellText(row, column));
    return texts;
}

bool DataViewWidget::lastRowIsSpare() const
{
    const int rows = rowCount();
    if (rows == 0)
        return false;
    QStringList lastRowTexts;
    for (int c = 0; c < columnCount(); ++c)
        lastRowTexts.append(cellText(rows - 1, c));
    return isSpareRow(lastRowTexts);
}

// Read from the selection ranges, not the selected cells: a selected column of a million
// rows is one range.
QVector<int> DataViewWidget::selectedColumns() const
{
    QVector<bool> selected(columnCount(), false);
    for (const QTableWidgetSelectionRange &range : selectedRanges()) {
        for (int column = range.leftColumn(); column <= range.rightColumn(); ++column)
            selected[column] = true;
    }
    QVector<int> columns;
    for (int column = 0; column < selected.size(); ++column) {
        if (selected.at(column))
            columns.append(column);
    }
    if (columns.isEmpty()) {
        for (int column = 0; column < columnCount(); ++column)
            columns.append(column);
    }
    return columns;
}

QString DataViewWidget::cellText(int row, int column) const
{
    const QTableWidgetItem *cell = item(row, column);
    return cell ? cell->text() : QString();
}

void DataViewWidget::onHSectionClicked(int section)
{
    emit sHHeader(section);
}

void DataViewWidget::onDataViewVarAdded(const QString &str)
{
    appendVariableColumn(str);
}

void DataViewWidget::onNewVarCreated(const QString &title)
{
    appendVariableColumn(title);
}

void DataViewWidget::appendVariableColumn(const QString &title)
{
    appendColumn();
    setHeader(columnCount() - 1, title);
}

void DataViewWidget::onVarNameChange(const QString &title, int col)
{
    setHeader(col, title);
}

void DataViewWidget::onWrongType(const QString &error)
{
    CustomDialog dialog(this);
    dialog.setMessage(error, tr("WrongType"), tr("Accept"));
    dialog.exec();
}

void DataViewWidget::onEnterKeyPressed(int row, int column)
{
    // When the key ends an edit, the editor's commit of the new text is still queued;
    // let it reach the cell before the cell is read.
    QCoreApplication::processEvents(QEventLoop::AllEvents, 1);

    if (cellText(row, column).isEmpty())
        return;
    if (row == rowCount() - 1)
        appendRowStep(row, column);
    if (column == columnCount() - 1)
        emit sDataViewVarRequest();
}

void DataViewWidget::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        emit sKeyEnter(currentRow(), currentColumn());
        event->accept();
        return;
    }
    SpreadSheetWidget::keyPressEvent(event);
}
