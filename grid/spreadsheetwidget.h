#ifndef CONCORDA_SPREADSHEETWIDGET_H
#define CONCORDA_SPREADSHEETWIDGET_H

#include <QStringList>
#include <QTableWidget>
#include <QVector>

class CustomDialog;
class QKeyEvent;
class QUndoStack;

// The new text of one cell.
struct CellText
{
    int row;
    int column;
    QString text;
};

// An editable grid of text cells with row and column operations and a copy buffer of its
// own: cut, copy, paste and delete work inside the grid and never touch the system
// clipboard. Every cell holds an item, so these operations always find one to work on.
// Every change the user makes (typing into a cell, paste, cut, delete) is one step of the
// grid's undo history; changes made through the item API are not recorded.
class SpreadSheetWidget : public QTableWidget
{
    Q_OBJECT

public:
    SpreadSheetWidget(int rows, int columns, QWidget *parent = nullptr);
    ~SpreadSheetWidget() override;

    void appendRow();
    void appendColumn();
    void setHeader(int column, const QString &title);
    // Top row and left column of the selection when it is a single range; -1 when more
    // than one range (or none at all) is selected.
    int selectionTopRow() const;
    int selectionLeftColumn() const;

    // The undo history of the user's changes; clean when nothing changed since it was
    // last marked so.
    QUndoStack *undoStack() const;
    // Writes the texts into their cells as one step of the undo history called `step`.
    // Cells whose text would not change are left out, and when no text changes there is
    // no step at all.
    void editCells(const QVector<CellText> &cells, const QString &step);
    // appendRow() as a step of the undo history, after the cell at `row`, `column` was
    // confirmed. When the step before is the change of that one cell, both become one
    // step: undoing it takes the text and the new row away together.
    void appendRowStep(int row, int column);

signals:
    void sPaste();
    void sKeyEnter(int, int);

public slots:
    void onCut();
    void onCopy();
    void onPaste();
    void onDelete();
    void onMultipleSelectionPaste();

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    void appendRows(int count);
    void makeConnections();
    void clearSelectedCells(const QString &step);

    CustomDialog *warningDialog;
    QVector<QStringList> copyBuffer;
    QUndoStack *history;
};

#endif
