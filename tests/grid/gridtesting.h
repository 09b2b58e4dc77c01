#ifndef CONCORDA_TESTS_GRIDTESTING_H
#define CONCORDA_TESTS_GRIDTESTING_H

#include "testdata.h"

#include <QKeyEvent>
#include <QLabel>
#include <QMetaMethod>
#include <QPushButton>
#include <QStringList>
#include <QTableWidget>
#include <QVector>
#include <QWidget>

#include <algorithm>
#include <initializer_list>

// The texts of a grid, row by row.
using Texts = QVector<QStringList>;
Q_DECLARE_METATYPE(Texts)

struct Cell
{
    int row;
    int column;
    QString text;
};

// A rows x columns block of empty texts with the given cells filled in.
inline Texts textsOf(int rows, int columns, std::initializer_list<Cell> cells = {})
{
    Texts texts(rows, QStringList());
    for (QStringList &line : texts) {
        for (int column = 0; column < columns; ++column)
            line.append(QString());
    }
    for (const Cell &cell : cells)
        texts[cell.row][cell.column] = cell.text;
    return texts;
}

// What a grid shows; a cell without an item reads as "<no item>", so a missing item fails
// a comparison with an empty text.
inline Texts textsOf(const QTableWidget &grid)
{
    Texts texts;
    for (int row = 0; row < grid.rowCount(); ++row) {
        QStringList line;
        for (int column = 0; column < grid.columnCount(); ++column) {
            const QTableWidgetItem *item = grid.item(row, column);
            line.append(item ? item->text() : QStringLiteral("<no item>"));
        }
        texts.append(line);
    }
    return texts;
}

inline void fill(QTableWidget &grid, const Texts &texts)
{
    for (int row = 0; row < texts.size(); ++row) {
        for (int column = 0; column < texts[row].size(); ++column)
            grid.setItem(row, column, new QTableWidgetItem(texts[row][column]));
    }
}

// Whether a dialog shows this text in one of its labels.
inline bool showsLabel(const QWidget &dialog, const QString &text)
{
    const QList<QLabel *> labels = dialog.findChildren<QLabel *>();
    return std::any_of(labels.cbegin(), labels.cend(),
                       [&](const QLabel *label) { return label->text() == text; });
}

// The dialog's button with this text, or null.
inline QPushButton *buttonWithText(const QWidget &dialog, const QString &text)
{
    const QList<QPushButton *> buttons = dialog.findChildren<QPushButton *>();
    for (QPushButton *button : buttons) {
        if (button->text() == text)
            return button;
    }
    return nullptr;
}

// Records the key presses that reach it, that is the ones its child let through. The
// modifier presses that QTest sends ahead of a shortcut are left out.
class KeyRecorder : public QWidget
{
public:
    QList<int> keys;

protected:
    void keyPressEvent(QKeyEvent *event) override
    {
        static const QList<int> modifierKeys{Qt::Key_Shift, Qt::Key_Control, Qt::Key_Alt,
                                             Qt::Key_Meta};
        if (!modifierKeys.contains(event->key()))
            keys.append(event->key());
    }
};

#endif
