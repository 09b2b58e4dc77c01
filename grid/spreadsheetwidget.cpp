#include "spreadsheetwidget.h"

#include "customdialog.h"

#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QKeySequence>
#include <QMetaProperty>
#include <QModelIndex>
#include <QStyledItemDelegate>
#include <QTableWidgetItem>
#include <QTableWidgetSelectionRange>
#include <QUndoCommand>
#include <QUndoStack>

#include <algorithm>
#include <utility>

namespace {

// The id shared by the steps that may merge: a cell change, then the row its confirmation
// appended.
constexpr int cellThenRowId = 1;

struct CellChange
{
    int row;
    int column;
    QVariant before;
    QVariant after;
};

// A new item holding only the display value, or nothing for a cell that never had a text.
void putCell(QTableWidget *grid, int row, int column, const QVariant &value)
{
    auto *cell = new QTableWidgetItem;
    if (value.isValid())
        cell->setData(Qt::DisplayRole, value);
    grid->setItem(row, column, cell);
}

class AppendRowCommand : public QUndoCommand
{
public:
    AppendRowCommand(SpreadSheetWidget *grid, int row, int column)
        : QUndoCommand(SpreadSheetWidget::tr("Add row"))
        , grid(grid)
        , confirmedRow(row)
        , confirmedColumn(column)
    {
    }

    int id() const override { return cellThenRowId; }
    void redo() override { grid->appendRow(); }
    void undo() override { grid->removeRow(grid->rowCount() - 1); }

    SpreadSheetWidget *const grid;
    const int confirmedRow;
    const int confirmedColumn;
};

class CellsCommand : public QUndoCommand
{
public:
    CellsCommand(SpreadSheetWidget *grid, QVector<CellChange> changes, const QString &step)
        : QUndoCommand(step)
        , grid(grid)
        , changes(std::move(changes))
    {
    }

    int id() const override { return cellThenRowId; }

    // Typing a value into the spare row and confirming it is one thing for the user.
    bool mergeWith(const QUndoCommand *other) override
    {
        const auto *growth = dynamic_cast<const AppendRowCommand *>(other);
        if (!growth || appendsRow || changes.size() != 1
            || changes.first().row != growth->confirmedRow
            || changes.first().column != growth->confirmedColumn)
            return false;
        appendsRow = true;
        return true;
    }

    void redo() override
    {
        for (const CellChange &change : std::as_const(changes))
            putCell(grid, change.row, change.column, change.after);
        if (appendsRow)
            grid->appendRow();
        show();
    }

    void undo() override
    {
        if (appendsRow)
            grid->removeRow(grid->rowCount() - 1);
        for (const CellChange &change : std::as_const(changes))
            putCell(grid, change.row, change.column, change.before);
        show();
    }

private:
    // Brings the first changed cell into view, so that an undo far from the visible part
    // of the grid is seen.
    void show()
    {
        const CellChange &first = changes.first();
        grid->scrollToItem(grid->item(first.row, first.column));
    }

    SpreadSheetWidget *const grid;
    const QVector<CellChange> changes;
    bool appendsRow = false;
};

// Hands what the user typed into a cell to the grid as a step of its history instead of
// writing it into the model directly.
class CellEditDelegate : public QStyledItemDelegate
{
public:
    explicit CellEditDelegate(SpreadSheetWidget *grid)
        : QStyledItemDelegate(grid)
        , grid(grid)
    {
    }

    void setModelData(QWidget *editor, QAbstractItemModel *, const QModelIndex &index) const override
    {
        const QByteArray property = editor->metaObject()->userProperty().name();
        const QString text = editor->property(property.constData()).toString();
        grid->editCells({{index.row(), index.column(), text}}, SpreadSheetWidget::tr("Typing"));
    }

private:
    SpreadSheetWidget *const grid;
};

} // namespace

SpreadSheetWidget::SpreadSheetWidget(int rows, int columns, QWidget *parent)
    : QTableWidget(parent)
    , warningDialog(nullptr)
    , history(new QUndoStack(this))
{
    setColumnCount(columns);
    appendRows(rows);
    setItemDelegate(new CellEditDelegate(this));
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

QUndoStack *SpreadSheetWidget::undoStack() const
{
    return history;
}

void SpreadSheetWidget::editCells(const QVector<CellText> &cells, const QString &step)
{
    QVector<CellChange> changes;
    for (const CellText &cell : cells) {
        const QTableWidgetItem *current = item(cell.row, cell.column);
        const QVariant before = current ? current->data(Qt::DisplayRole) : QVariant();
        if (before.toString() != cell.text)
            changes.append({cell.row, cell.column, before, cell.text});
    }
    if (!changes.isEmpty())
        history->push(new CellsCommand(this, std::move(changes), step));
}

void SpreadSheetWidget::appendRowStep(int row, int column)
{
    history->push(new AppendRowCommand(this, row, column));
}

void SpreadSheetWidget::onCut()
{
    onCopy();
    clearSelectedCells(tr("Cut"));
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
    for (const QModelIndex &index : std::as_const(indexes)) {
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
    QVector<CellText> cells;
    for (const QStringList &line : std::as_const(copyBuffer)) {
        if (row >= rows)
            break;
        for (int i = 0; i < line.size() && leftColumn + i < columns; ++i)
            cells.append({row, leftColumn + i, line.at(i)});
        ++row;
    }
    editCells(cells, tr("Paste"));
}

void SpreadSheetWidget::onDelete()
{
    clearSelectedCells(tr("Delete"));
}

// A deleted cell gets a valid, empty text rather than no data: it still holds a text.
void SpreadSheetWidget::clearSelectedCells(const QString &step)
{
    const QModelIndexList indexes = selectionModel()->selectedIndexes();
    QVector<CellText> cells;
    cells.reserve(indexes.size());
    for (const QModelIndex &index : indexes)
        cells.append({index.row(), index.column(), QString(QLatin1String(""))});
    editCells(cells, step);
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
    } else if (event->matches(QKeySequence::Delete)) {
        onDelete();
    } else {
        QTableWidget::keyPressEvent(event);
        return;
    }
    event->accept();
}
