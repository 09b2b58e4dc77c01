#include "customdialog.h"
#include "gridtesting.h"
#include "spreadsheetwidget.h"

#include <QLineEdit>
#include <QPointer>
#include <QRect>
#include <QUndoStack>
#include <QtTest>

#include <functional>
#include <memory>

namespace {

std::unique_ptr<SpreadSheetWidget> gridOf(const Texts &texts)
{
    const int columns = texts.isEmpty() ? 0 : texts.first().size();
    auto grid = std::make_unique<SpreadSheetWidget>(texts.size(), columns);
    fill(*grid, texts);
    return grid;
}

// Each rectangle is one selection range: x is the left column, y the top row.
void select(SpreadSheetWidget &grid, const QVector<QRect> &ranges)
{
    grid.clearSelection();
    for (const QRect &range : ranges) {
        grid.setRangeSelected(QTableWidgetSelectionRange(range.top(), range.left(),
                                                         range.bottom(), range.right()),
                              true);
    }
}

QRect cellAt(int row, int column)
{
    return QRect(column, row, 1, 1);
}

QList<CustomDialog *> warningsOf(const SpreadSheetWidget &grid)
{
    return grid.findChildren<CustomDialog *>();
}

// Types `text` into the cell's editor and confirms it with Return, as a user would.
void typeInto(SpreadSheetWidget &grid, int row, int column, const QString &text)
{
    grid.setCurrentCell(row, column);
    grid.editItem(grid.item(row, column));
    QLineEdit *editor = grid.findChild<QLineEdit *>();
    QVERIFY(editor);
    editor->selectAll();
    QTest::keyClicks(editor, text);
    QTest::keyClick(editor, Qt::Key_Return);
    // The editor hands its text over through a queued call, and is deleted later.
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

} // namespace

// Something a user does to a grid.
using GridChange = std::function<void(SpreadSheetWidget &)>;
Q_DECLARE_METATYPE(GridChange)

class tst_SpreadSheetWidget : public QObject
{
    Q_OBJECT

private slots:
    void metaObjectOrder();
    void construction_data();
    void construction();
    void appendRowAndColumn();
    void setHeader_data();
    void setHeader();
    void selectionCorner_data();
    void selectionCorner();
    void copyThenPaste_data();
    void copyThenPaste();
    void copyReplacesWholeBuffer();
    void pasteTwice();
    void cutThenPasteRestores();
    void pastedCellHoldsOnlyText();
    void deleteKeepsItems();
    void multipleSelectionPaste_data();
    void multipleSelectionPaste();
    void copyWithoutSelection();
    void pasteWithoutSelection();
    void keyBindings_data();
    void keyBindings();
    void closeKeyPassesOn();
    void otherKeysReachStandardHandling();
    void undoRedo_data();
    void undoRedo();
    void undoRestoresCellsNeverWritten();
};

void tst_SpreadSheetWidget::metaObjectOrder()
{
    const QMetaObject &meta = SpreadSheetWidget::staticMetaObject;
    QCOMPARE(meta.className(), "SpreadSheetWidget");
    QCOMPARE(meta.superClass(), &QTableWidget::staticMetaObject);

    QCOMPARE(ownMethods(meta), QStringList({"signal sPaste()", "signal sKeyEnter(int,int)",
                                            "slot onCut()", "slot onCopy()", "slot onPaste()",
                                            "slot onDelete()",
                                            "slot onMultipleSelectionPaste()"}));
}

void tst_SpreadSheetWidget::construction_data()
{
    QTest::addColumn<int>("rows");
    QTest::addColumn<int>("columns");

    QTest::newRow("empty") << 0 << 0;
    QTest::newRow("rows without columns") << 3 << 0;
    QTest::newRow("columns without rows") << 0 << 4;
    QTest::newRow("filled") << 5 << 3;
}

void tst_SpreadSheetWidget::construction()
{
    QFETCH(int, rows);
    QFETCH(int, columns);

    const SpreadSheetWidget grid(rows, columns);
    QCOMPARE(grid.rowCount(), rows);
    QCOMPARE(grid.columnCount(), columns);
    for (int row = 0; row < rows; ++row) {
        for (int column = 0; column < columns; ++column) {
            const QTableWidgetItem *item = grid.item(row, column);
            QVERIFY2(item, qPrintable(QStringLiteral("no item at %1,%2").arg(row).arg(column)));
            QCOMPARE(item->type(), int(QTableWidgetItem::Type));
            QVERIFY(!item->data(Qt::DisplayRole).isValid());
        }
    }
}

void tst_SpreadSheetWidget::appendRowAndColumn()
{
    SpreadSheetWidget grid(2, 2);
    grid.appendRow();
    grid.appendColumn();

    QCOMPARE(grid.rowCount(), 3);
    QCOMPARE(grid.columnCount(), 3);
    QCOMPARE(textsOf(grid), textsOf(3, 3));
    // The new column shows no title, not the column number of a default header.
    QVERIFY(grid.horizontalHeaderItem(2));
    QCOMPARE(grid.model()->headerData(2, Qt::Horizontal).toString(), QString());
}

void tst_SpreadSheetWidget::setHeader_data()
{
    QTest::addColumn<int>("column");
    QTest::addColumn<QStringList>("headers");

    QTest::newRow("first column") << 0 << QStringList{"T", "B"};
    QTest::newRow("last column") << 1 << QStringList{"A", "T"};
    QTest::newRow("negative column") << -1 << QStringList{"A", "B"};
    QTest::newRow("column past the end") << 2 << QStringList{"A", "B"};
}

void tst_SpreadSheetWidget::setHeader()
{
    QFETCH(int, column);
    QFETCH(QStringList, headers);

    SpreadSheetWidget grid(1, 2);
    grid.setHorizontalHeaderLabels({"A", "B"});
    grid.setHeader(column, QStringLiteral("T"));

    QCOMPARE(grid.columnCount(), 2);
    for (int c = 0; c < headers.size(); ++c)
        QCOMPARE(grid.horizontalHeaderItem(c)->text(), headers[c]);
}

void tst_SpreadSheetWidget::selectionCorner_data()
{
    QTest::addColumn<QVector<QRect>>("ranges");
    QTest::addColumn<int>("topRow");
    QTest::addColumn<int>("leftColumn");

    QTest::newRow("one cell") << QVector<QRect>{cellAt(2, 1)} << 2 << 1;
    QTest::newRow("one block") << QVector<QRect>{QRect(1, 3, 2, 2)} << 3 << 1;
    QTest::newRow("two ranges") << QVector<QRect>{cellAt(0, 0), cellAt(2, 2)} << -1 << -1;
    QTest::newRow("no selection") << QVector<QRect>() << -1 << -1;
}

void tst_SpreadSheetWidget::selectionCorner()
{
    QFETCH(QVector<QRect>, ranges);
    QFETCH(int, topRow);
    QFETCH(int, leftColumn);

    SpreadSheetWidget grid(6, 4);
    select(grid, ranges);
    QCOMPARE(grid.selectionTopRow(), topRow);
    QCOMPARE(grid.selectionLeftColumn(), leftColumn);
}

void tst_SpreadSheetWidget::copyThenPaste_data()
{
    QTest::addColumn<Texts>("before");
    QTest::addColumn<QVector<QRect>>("copied");
    QTest::addColumn<QRect>("target");
    QTest::addColumn<Texts>("after");

    QTest::newRow("two ranges pasted at one cell")
        << textsOf(8, 5, {{0, 0, "x"}, {2, 1, "y"}})
        << QVector<QRect>{cellAt(0, 0), cellAt(2, 1)} << cellAt(5, 3)
        << textsOf(8, 5, {{0, 0, "x"}, {2, 1, "y"}, {5, 3, "x"}, {6, 3, "y"}});
    QTest::newRow("gaps in a row closed up")
        << textsOf(8, 5, {{0, 0, "a"}, {0, 1, "b"}, {0, 2, "c"}})
        << QVector<QRect>{cellAt(0, 0), cellAt(0, 2)} << cellAt(4, 0)
        << textsOf(8, 5, {{0, 0, "a"}, {0, 1, "b"}, {0, 2, "c"}, {4, 0, "a"}, {4, 1, "c"}});
    QTest::newRow("block near the bottom-right corner")
        << textsOf(8, 5, {{0, 0, "a"}, {0, 1, "b"}, {0, 2, "c"},
                          {1, 0, "d"}, {1, 1, "e"}, {1, 2, "f"},
                          {2, 0, "g"}, {2, 1, "h"}, {2, 2, "i"}})
        << QVector<QRect>{QRect(0, 0, 3, 3)} << cellAt(6, 3)
        << textsOf(8, 5, {{0, 0, "a"}, {0, 1, "b"}, {0, 2, "c"},
                          {1, 0, "d"}, {1, 1, "e"}, {1, 2, "f"},
                          {2, 0, "g"}, {2, 1, "h"}, {2, 2, "i"},
                          {6, 3, "a"}, {6, 4, "b"}, {7, 3, "d"}, {7, 4, "e"}});
    QTest::newRow("larger target gets the block once at its top left")
        << textsOf(8, 5, {{0, 0, "a"}}) << QVector<QRect>{cellAt(0, 0)} << QRect(1, 1, 3, 3)
        << textsOf(8, 5, {{0, 0, "a"}, {1, 1, "a"}});
    QTest::newRow("empty cells of the block overwrite")
        << textsOf(8, 5, {{0, 0, "a"}, {5, 0, "p"}, {5, 1, "q"}})
        << QVector<QRect>{QRect(0, 0, 2, 1)} << cellAt(5, 0)
        << textsOf(8, 5, {{0, 0, "a"}, {5, 0, "a"}});
    QTest::newRow("tabs and line breaks inside texts")
        << textsOf(8, 5, {{0, 0, "a\tb"}, {0, 1, "c\nd"}, {1, 0, "e\r\nf"}})
        << QVector<QRect>{QRect(0, 0, 2, 2)} << cellAt(4, 2)
        << textsOf(8, 5, {{0, 0, "a\tb"}, {0, 1, "c\nd"}, {1, 0, "e\r\nf"},
                          {4, 2, "a\tb"}, {4, 3, "c\nd"}, {5, 2, "e\r\nf"}});
}

void tst_SpreadSheetWidget::copyThenPaste()
{
    QFETCH(Texts, before);
    QFETCH(QVector<QRect>, copied);
    QFETCH(QRect, target);
    QFETCH(Texts, after);

    auto grid = gridOf(before);
    select(*grid, copied);
    grid->onCopy();
    QCOMPARE(textsOf(*grid), before);

    select(*grid, {target});
    grid->onPaste();
    QCOMPARE(textsOf(*grid), after);
}

void tst_SpreadSheetWidget::copyReplacesWholeBuffer()
{
    auto grid = gridOf(textsOf(4, 4, {{0, 0, "a"}, {0, 1, "b"}, {1, 0, "c"}, {1, 1, "d"}}));
    select(*grid, {QRect(0, 0, 2, 2)});
    grid->onCopy();
    select(*grid, {cellAt(1, 1)});
    grid->onCopy();

    select(*grid, {cellAt(2, 2)});
    grid->onPaste();
    QCOMPARE(textsOf(*grid),
             textsOf(4, 4, {{0, 0, "a"}, {0, 1, "b"}, {1, 0, "c"}, {1, 1, "d"}, {2, 2, "d"}}));
}

void tst_SpreadSheetWidget::pasteTwice()
{
    auto grid = gridOf(textsOf(5, 3, {{0, 0, "a"}, {1, 0, "b"}}));
    select(*grid, {QRect(0, 0, 1, 2)});
    grid->onCopy();
    select(*grid, {cellAt(0, 2)});
    grid->onPaste();
    select(*grid, {cellAt(3, 1)});
    grid->onPaste();

    QCOMPARE(textsOf(*grid), textsOf(5, 3, {{0, 0, "a"}, {1, 0, "b"}, {0, 2, "a"}, {1, 2, "b"},
                                            {3, 1, "a"}, {4, 1, "b"}}));
}

void tst_SpreadSheetWidget::cutThenPasteRestores()
{
    const Texts original = textsOf(4, 3, {{1, 1, "a"}, {1, 2, "b"}, {2, 1, "c"}, {3, 0, "z"}});
    auto grid = gridOf(original);
    select(*grid, {QRect(1, 1, 2, 2)});
    grid->onCut();
    // The cut cells keep their items, with empty text.
    QCOMPARE(textsOf(*grid), textsOf(4, 3, {{3, 0, "z"}}));

    grid->onPaste();
    QCOMPARE(textsOf(*grid), original);
}

void tst_SpreadSheetWidget::pastedCellHoldsOnlyText()
{
    auto grid = gridOf(textsOf(2, 2, {{0, 0, "a"}, {1, 1, "old"}}));
    grid->item(1, 1)->setToolTip(QStringLiteral("tip"));
    grid->item(1, 1)->setData(Qt::UserRole, 42);
    select(*grid, {cellAt(0, 0)});
    grid->onCopy();
    select(*grid, {cellAt(1, 1)});
    grid->onPaste();

    const QTableWidgetItem *pasted = grid->item(1, 1);
    QCOMPARE(pasted->text(), QStringLiteral("a"));
    QVERIFY(!pasted->data(Qt::ToolTipRole).isValid());
    QVERIFY(!pasted->data(Qt::UserRole).isValid());
}

void tst_SpreadSheetWidget::deleteKeepsItems()
{
    auto grid = gridOf(textsOf(3, 3, {{0, 0, "a"}, {1, 0, "b"}, {2, 2, "c"}}));
    select(*grid, {QRect(0, 0, 2, 2)});
    grid->onDelete();

    QCOMPARE(textsOf(*grid), textsOf(3, 3, {{2, 2, "c"}}));
    for (int row = 0; row < 2; ++row) {
        for (int column = 0; column < 2; ++column)
            QVERIFY(grid->item(row, column)->data(Qt::DisplayRole).isValid());
    }
}

void tst_SpreadSheetWidget::multipleSelectionPaste_data()
{
    QTest::addColumn<bool>("bufferFilled");

    QTest::newRow("empty buffer") << false;
    QTest::newRow("filled buffer") << true;
}

void tst_SpreadSheetWidget::multipleSelectionPaste()
{
    QFETCH(bool, bufferFilled);

    const Texts before = textsOf(4, 4, {{0, 0, "a"}, {3, 3, "z"}});
    auto grid = gridOf(before);
    if (bufferFilled) {
        select(*grid, {QRect(0, 0, 4, 4)});
        grid->onCopy();
    }
    QSignalSpy refused(grid.get(), SIGNAL(sPaste()));
    QVERIFY(refused.isValid());

    select(*grid, {cellAt(1, 1), cellAt(2, 3)});
    for (int attempt = 1; attempt <= 2; ++attempt) {
        grid->onPaste();
        QCOMPARE(refused.count(), attempt);
        QCOMPARE(warningsOf(*grid).size(), attempt);
    }
    QCOMPARE(textsOf(*grid), before);

    const QList<CustomDialog *> warnings = warningsOf(*grid);
    for (CustomDialog *warning : warnings) {
        QVERIFY(warning->isVisible());
        QCOMPARE(warning->windowTitle(), QStringLiteral("Warning"));
        QVERIFY(showsLabel(*warning, QStringLiteral("You cannot paste with multiple selections")));
        QVERIFY(warning->isModal());
        QCOMPARE(warning->windowModality(), Qt::ApplicationModal);
        QVERIFY(warning->testAttribute(Qt::WA_DeleteOnClose));
    }

    // Its one button closes the warning, and closing deletes it.
    QPointer<CustomDialog> first = warnings.first();
    QPushButton *accept = buttonWithText(*first, QStringLiteral("Accept"));
    QVERIFY(accept);
    accept->click();
    warnings.last()->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(first.isNull());
    QVERIFY(warningsOf(*grid).isEmpty());
}

void tst_SpreadSheetWidget::copyWithoutSelection()
{
    auto grid = gridOf(textsOf(3, 3, {{0, 0, "a"}}));
    select(*grid, {cellAt(0, 0)});
    grid->onCopy();
    grid->clearSelection();
    grid->onCopy();

    // The second copy emptied the buffer: pasting writes nothing.
    select(*grid, {cellAt(2, 2)});
    grid->onPaste();
    QCOMPARE(textsOf(*grid), textsOf(3, 3, {{0, 0, "a"}}));
    QVERIFY(warningsOf(*grid).isEmpty());
}

void tst_SpreadSheetWidget::pasteWithoutSelection()
{
    auto grid = gridOf(textsOf(3, 3, {{0, 0, "a"}}));
    select(*grid, {cellAt(0, 0)});
    grid->onCopy();
    grid->clearSelection();
    QSignalSpy refused(grid.get(), SIGNAL(sPaste()));
    QVERIFY(refused.isValid());

    grid->onPaste();
    QCOMPARE(refused.count(), 0);
    QVERIFY(warningsOf(*grid).isEmpty());
    QCOMPARE(textsOf(*grid), textsOf(3, 3, {{0, 0, "a"}}));
}

void tst_SpreadSheetWidget::keyBindings_data()
{
    QTest::addColumn<QKeySequence::StandardKey>("firstKey");
    QTest::addColumn<QKeySequence::StandardKey>("secondKey");
    QTest::addColumn<Texts>("after");

    // The first key acts on cell (0,0), the second on cell (1,1).
    QTest::newRow("copy, paste") << QKeySequence::Copy << QKeySequence::Paste
                                 << textsOf(2, 2, {{0, 0, "a"}, {1, 1, "a"}});
    QTest::newRow("cut, paste") << QKeySequence::Cut << QKeySequence::Paste
                                << textsOf(2, 2, {{1, 1, "a"}});
    QTest::newRow("delete, paste") << QKeySequence::Delete << QKeySequence::Paste
                                   << textsOf(2, 2, {{1, 1, "d"}});
    QTest::newRow("copy, delete") << QKeySequence::Copy << QKeySequence::Delete
                                  << textsOf(2, 2, {{0, 0, "a"}});
}

void tst_SpreadSheetWidget::keyBindings()
{
    QFETCH(QKeySequence::StandardKey, firstKey);
    QFETCH(QKeySequence::StandardKey, secondKey);
    QFETCH(Texts, after);

    KeyRecorder parent;
    auto grid = gridOf(textsOf(2, 2, {{0, 0, "a"}, {1, 1, "d"}}));
    grid->setParent(&parent);
    QSignalSpy refused(grid.get(), SIGNAL(sPaste()));
    QVERIFY(refused.isValid());

    select(*grid, {cellAt(0, 0)});
    QTest::keySequence(grid.get(), QKeySequence(firstKey));
    select(*grid, {cellAt(1, 1)});
    QTest::keySequence(grid.get(), QKeySequence(secondKey));

    QCOMPARE(textsOf(*grid), after);
    QCOMPARE(refused.count(), 0);
    // A key the grid acted on goes no further.
    QCOMPARE(parent.keys, QList<int>());
}

// The close key is the window's (File > Close): the grid neither hides nor keeps it.
void tst_SpreadSheetWidget::closeKeyPassesOn()
{
    const QKeySequence closeKey(QKeySequence::Close);
    QVERIFY(!closeKey.isEmpty());
    KeyRecorder parent;
    auto grid = gridOf(textsOf(3, 2, {{0, 0, "a"}}));
    grid->setParent(&parent);
    parent.show();
    QVERIFY(QTest::qWaitForWindowExposed(&parent));
    select(*grid, {cellAt(0, 0)});

    QTest::keySequence(grid.get(), closeKey);
    QVERIFY(grid->isVisible());
    QCOMPARE(parent.keys.size(), 1);
    QCOMPARE(textsOf(*grid), textsOf(3, 2, {{0, 0, "a"}}));
}

void tst_SpreadSheetWidget::otherKeysReachStandardHandling()
{
    KeyRecorder parent;
    SpreadSheetWidget grid(3, 3);
    grid.setParent(&parent);
    grid.setCurrentCell(0, 0);

    QTest::keyClick(&grid, Qt::Key_Down);
    QCOMPARE(grid.currentRow(), 1);
    QTest::keyClick(&grid, Qt::Key_Right);
    QCOMPARE(grid.currentColumn(), 1);
    // A key the item view does not use is passed on to the parent.
    QTest::keyClick(&grid, Qt::Key_F12);
    QCOMPARE(parent.keys, QList<int>{Qt::Key_F12});
}

// Every change the user makes is one step that undo takes back and redo makes again; a
// change that leaves every text as it was is no step.
void tst_SpreadSheetWidget::undoRedo_data()
{
    QTest::addColumn<GridChange>("change");
    QTest::addColumn<Texts>("after");
    QTest::addColumn<int>("steps");

    // Every row starts from the grid a / b over c / (empty), copy buffer empty.
    QTest::newRow("typing") << GridChange([](SpreadSheetWidget &grid) { typeInto(grid, 1, 1, "x"); })
                            << textsOf(3, 2, {{0, 0, "a"}, {0, 1, "b"}, {1, 0, "c"}, {1, 1, "x"}})
                            << 1;
    QTest::newRow("typing over a text")
        << GridChange([](SpreadSheetWidget &grid) { typeInto(grid, 0, 0, "z"); })
        << textsOf(3, 2, {{0, 0, "z"}, {0, 1, "b"}, {1, 0, "c"}}) << 1;
    QTest::newRow("typing the same text is no step")
        << GridChange([](SpreadSheetWidget &grid) { typeInto(grid, 0, 1, "b"); })
        << textsOf(3, 2, {{0, 0, "a"}, {0, 1, "b"}, {1, 0, "c"}}) << 0;
    QTest::newRow("two cells typed: two steps")
        << GridChange([](SpreadSheetWidget &grid) {
               typeInto(grid, 2, 0, "1");
               typeInto(grid, 2, 1, "2");
           })
        << textsOf(3, 2, {{0, 0, "a"}, {0, 1, "b"}, {1, 0, "c"}, {2, 0, "1"}, {2, 1, "2"}}) << 2;
    QTest::newRow("paste of a block is one step")
        << GridChange([](SpreadSheetWidget &grid) {
               select(grid, {QRect(0, 0, 2, 1)});
               grid.onCopy();
               select(grid, {cellAt(1, 0)});
               grid.onPaste();
           })
        << textsOf(3, 2, {{0, 0, "a"}, {0, 1, "b"}, {1, 0, "a"}, {1, 1, "b"}}) << 1;
    QTest::newRow("paste of the same texts is no step")
        << GridChange([](SpreadSheetWidget &grid) {
               select(grid, {QRect(0, 0, 2, 1)});
               grid.onCopy();
               grid.onPaste();
           })
        << textsOf(3, 2, {{0, 0, "a"}, {0, 1, "b"}, {1, 0, "c"}}) << 0;
    QTest::newRow("cut is one step")
        << GridChange([](SpreadSheetWidget &grid) {
               select(grid, {QRect(0, 0, 2, 2)});
               grid.onCut();
           })
        << textsOf(3, 2) << 1;
    QTest::newRow("delete is one step")
        << GridChange([](SpreadSheetWidget &grid) {
               select(grid, {cellAt(0, 1), cellAt(1, 0)});
               grid.onDelete();
           })
        << textsOf(3, 2, {{0, 0, "a"}}) << 1;
    QTest::newRow("delete of empty cells is no step")
        << GridChange([](SpreadSheetWidget &grid) {
               select(grid, {QRect(0, 2, 2, 1)});
               grid.onDelete();
           })
        << textsOf(3, 2, {{0, 0, "a"}, {0, 1, "b"}, {1, 0, "c"}}) << 0;
    QTest::newRow("refused paste is no step")
        << GridChange([](SpreadSheetWidget &grid) {
               select(grid, {cellAt(0, 0)});
               grid.onCopy();
               select(grid, {cellAt(2, 0), cellAt(2, 1)});
               grid.onPaste();
               qDeleteAll(warningsOf(grid));
           })
        << textsOf(3, 2, {{0, 0, "a"}, {0, 1, "b"}, {1, 0, "c"}}) << 0;
    QTest::newRow("key bindings: copy, paste, cut, delete")
        << GridChange([](SpreadSheetWidget &grid) {
               select(grid, {cellAt(0, 0)});
               QTest::keySequence(&grid, QKeySequence(QKeySequence::Copy));
               select(grid, {cellAt(2, 1)});
               QTest::keySequence(&grid, QKeySequence(QKeySequence::Paste));
               select(grid, {cellAt(1, 0)});
               QTest::keySequence(&grid, QKeySequence(QKeySequence::Cut));
               select(grid, {cellAt(0, 1)});
               QTest::keySequence(&grid, QKeySequence(QKeySequence::Delete));
           })
        << textsOf(3, 2, {{0, 0, "a"}, {2, 1, "a"}}) << 3;
}

void tst_SpreadSheetWidget::undoRedo()
{
    QFETCH(GridChange, change);
    QFETCH(Texts, after);
    QFETCH(int, steps);

    const Texts before = textsOf(3, 2, {{0, 0, "a"}, {0, 1, "b"}, {1, 0, "c"}});
    auto grid = gridOf(before);
    grid->show();
    QVERIFY(QTest::qWaitForWindowExposed(grid.get()));
    QUndoStack *history = grid->undoStack();
    QVERIFY(history->isClean());
    QVERIFY(!history->canUndo());

    change(*grid);
    QCOMPARE(textsOf(*grid), after);
    QCOMPARE(history->count(), steps);
    QCOMPARE(history->isClean(), steps == 0);

    for (int i = 0; i < steps; ++i)
        history->undo();
    QCOMPARE(textsOf(*grid), before);
    QVERIFY(history->isClean());
    QVERIFY(!history->canUndo());
    QCOMPARE(history->canRedo(), steps > 0);

    for (int i = 0; i < steps; ++i)
        history->redo();
    QCOMPARE(textsOf(*grid), after);
    QVERIFY(!history->canRedo());
}

// Undo puts back a cell as it was, also one that never held a text (new rows have such
// cells), and redo after a marked clean state leaves the grid modified again.
void tst_SpreadSheetWidget::undoRestoresCellsNeverWritten()
{
    SpreadSheetWidget grid(2, 2);
    grid.item(0, 0)->setText(QStringLiteral("a"));
    select(grid, {cellAt(0, 0)});
    grid.onCopy();
    select(grid, {cellAt(1, 1)});
    grid.onPaste();
    grid.undoStack()->setClean();

    grid.undoStack()->undo();
    QVERIFY(!grid.item(1, 1)->data(Qt::DisplayRole).isValid());
    QVERIFY(!grid.undoStack()->isClean());
    grid.undoStack()->redo();
    QCOMPARE(grid.item(1, 1)->text(), QStringLiteral("a"));
    QVERIFY(grid.undoStack()->isClean());
}

QTEST_MAIN(tst_SpreadSheetWidget)
#include "tst_spreadsheetwidget.moc"
