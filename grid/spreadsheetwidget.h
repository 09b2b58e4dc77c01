#ifndef CONCORDA_SPREADSHEETWIDGET_H
#define CONCORDA_SPREADSHEETWIDGET_H

#include <QStringList>
#include <QTableWidget>
#include <QVector>

class CustomDialog;
class QKeyEvent;

// An editable grid of text cells with row and column operations and a copy buffer of its
// own: cut, copy, paste and delete work inside the grid and never touch the system
// clipboard. Every cell holds an item, so these operations always find one to work on.
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

    CustomDialog *warningDialog;
    QVector<QStringList> copyBuffer;
};

#endif
