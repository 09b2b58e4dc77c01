#include "spreadsheetwidget.h"

#include "customdialog.h"

#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QKeySequence>
#include <QModelIndex>
#include <QTableWidgetItem>
#include <QTableWidgetSelectionRange>

#include <algorithm>

SpreadSheetWidget::SpreadSheetWidget(int rows, int columns, QWidget *parent)
    : QTableWidget(parent)
    , warningDialog(nullptr)
{
    setColumnCount(columns);
    appendRows(rows);
    makeConnections();
}

SpreadSheetWidget::~SpreadSheetWidget() = default;

void SpreadSheetWidget::makeConnections()
{
    connect(this, SIGNAL(sPaste()), this, SLOT(onMultipleSelectionPaste()));
}

void SpreadSheetWidget::appendRow()
{
    appendRows(1);
}

// Same result as appendRow() count times, but with one row insertion for the model, the
// header and the view instead of one per row: a large import builds its grid here.
void SpreadSheetWidget::appendRows(int count)
{
    if (count <= 0)
        return;
    const int firstNewRow = rowCount();
    setRowCount(firstNewRow + count);
    const int columns = columnCount();
    for (int row = firstNewRow; row < firstNewRow + count; ++row) {
        for (int column = 0; column < columns; ++column)
            setItem(row, column, new QTableWidgetItem);
    }
}

void SpreadSheetWidget::appendColumn()
{
    const int column = columnCount();
    insertColumn(column);
    // An empty header item, so the header shows no title rather than the column number.
    setHorizontalHeaderItem(column, new QTableWidgetItem(QString()));
    const int rows = rowCount();
    for (int row = 0; row < rows; ++row)
        setItem(row, column, new QTableWidgetItem);
}

void SpreadSheetWidget::setHeader(int column, const QString &title)
{
    if (column < 0 || column >= columnCount())
        return;
    setHorizontalHeaderItem(column, new QTableWidgetItem(title));
}

int SpreadSheetWidget::selectionTopRow() const
{
    const QList<QTableWidgetSelectionRange> ranges = selectedRanges();
    return ranges.size() == 1 ? ranges.first().topRow() : -1;
}

int SpreadSheetWidget::selectionLeftColumn() const
{
    const QList<QTableWidgetSelectionRange> ranges = selectedRanges();
    return ranges.size() == 1 ? ranges.first().leftColumn() : -1;
}

void SpreadSheetWidget::onCut()
{
    onCopy();
    onDelete();
}

// One buffer line per row that has selected cells, holding their texts in column order:
// unselected cells between them are left out, so the block closes up its gaps.
void SpreadSheetWidget::onCopy()
{
    copyBuffer.clear();
    QModelIndexList indexes = selectionModel()->selectedIndexes();
    if (indexes.isEmpty())
        return;
    std::sort(indexes.begin(), indexes.end());

    QStringList line;
    int lineRow = indexes.first().row();
    for (const QModelIndex &index : qAsConst(indexes)) {
        if (index.row() != lineRow) {
            copyBuffer.append(line);
            line.clear();
            lineRow = index.row();
        }
        line.append(index.data(Qt::DisplayRole).toString());
    }
    copyBuffer.append(line);
}

// The block lands with its top left at the top left of the single selection range, whatever
// the size of that range; what would fall outside the grid is dropped, the grid never grows.
void SpreadSheetWidget::onPaste()
{
    const QList<QTableWidgetSelectionRange> ranges = selectedRanges();
    // Without any selection there is no place to paste to and nothing to warn about.
    if (ranges.isEmpty())
        return;
    if (ranges.size() > 1) {
        emit sPaste();
        return;
    }
    int row = ranges.first().topRow();
    const int leftColumn = ranges.first().leftColumn();
    const int rows = rowCount();
    const int columns = columnCount();
    for (const QStringList &line : qAsConst(copyBuffer)) {
        if (row >= rows)
            break;
        for (int i = 0; i < line.size() && leftColumn + i < columns; ++i)
            setItem(row, leftColumn + i, new QTableWidgetItem(line.at(i)));
        ++row;
    }
}

void SpreadSheetWidget::onDelete()
{
    const QList<QTableWidgetItem *> items = selectedItems();
    // A valid, empty text rather than no data: the cell still holds a text.
    for (QTableWidgetItem *item : items)
        item->setData(Qt::DisplayRole, QString(QLatin1String("")));
}

void SpreadSheetWidget::onMultipleSelectionPaste()
{
    warningDialog = new CustomDialog(this);
    warningDialog->setMessage(tr("You cannot paste with multiple selections"), tr("Warning"),
                              tr("Accept"));
    warningDialog->setAttribute(Qt::WA_DeleteOnClose);
    // The message mode makes the dialog application-modal, so show() suffices to block
    // the rest of the program until the user closes it.
    warningDialog->show();
}

void SpreadSheetWidget::keyPressEvent(QKeyEvent *event)
{
    if (event->matches(QKeySequence::Copy)) {
        onCopy();
    } else if (event->matches(QKeySequence::Cut)) {
        onCut();
    } else if (event->matches(QKeySequence::Paste)) {
        onPaste();
    } else if (event->matches(QKeySequence::Close)) {
        close();
    } else if (event->matches(QKeySequence::Delete)) {
        onDelete();
    } else {
        QTableWidget::keyPressEvent(event);
        return;
    }
    event->accept();
}
