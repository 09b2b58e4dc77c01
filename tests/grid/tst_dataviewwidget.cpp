#include "customdialog.h"
#include "dataviewwidget.h"
#include "gridtesting.h"

#include <QApplication>
#include <QHeaderView>
#include <QLineEdit>
#include <QTimer>
#include <QUndoStack>
#include <QtTest>

#include <utility>

namespace {

QStringList headersOf(const DataViewWidget &view)
{
    QStringList headers;
    for (int column = 0; column < view.columnCount(); ++column)
        headers.append(view.model()->headerData(column, Qt::Horizontal).toString());
    return headers;
}

} // namespace

Q_DECLARE_METATYPE(QVector<QTableWidgetSelectionRange>)

class tst_DataViewWidget : public QObject
{
    Q_OBJECT

private slots:
    void metaObjectOrder();
    void varNames();
    void enterKey_data();
    void enterKey();
    void enterCommitsEditedText();
    void gridShortcutsWork();
    void appendVariable_data();
    void appendVariable();
    void varNameChange_data();
    void varNameChange();
    void wrongTypeMessage();
    void headerDoubleClick();
    void getVarValues_data();
    void getVarValues();
    void getColumnValuesOfSameNames();
    void selectedColumns_data();
    void selectedColumns();
    void growthUndo_data();
    void growthUndo();
};

void tst_DataViewWidget::metaObjectOrder()
{
    const QMetaObject &meta = DataViewWidget::staticMetaObject;
    QCOMPARE(meta.className(), "DataViewWidget");
    QCOMPARE(meta.superClass()->className(), "SpreadSheetWidget");

    QCOMPARE(ownMethods(meta),
             QStringList({"signal sHHeader(int)", "signal sDataViewVarRequest()",
                          "signal sCellPressed(int)", "slot onHSectionClicked(int)",
                          "slot onDataViewVarAdded(QString)", "slot onNewVarCreated(QString)",
                          "slot onVarNameChange(QString,int)", "slot onWrongType(QString)",
                          "slot onEnterKeyPressed(int,int)"}));
}

void tst_DataViewWidget::varNames()
{
    DataViewWidget view(2, 2);
    QVERIFY(view.getVarNames().isEmpty());

    view.setVarNames({"A", "B"});
    QCOMPARE(view.getVarNames(), QStringList({"A", "B"}));
    QCOMPARE(headersOf(view), QStringList({"A", "B"}));
}

void tst_DataViewWidget::enterKey_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("rowsAfter");
    QTest::addColumn<int>("varRequests");

    // A view of three rows (row 2 the spare row) and three columns.
    QTest::newRow("return, filled cell of the last row")
        << int(Qt::Key_Return) << 2 << 0 << "1" << 4 << 0;
    QTest::newRow("keypad enter, filled cell of the last row")
        << int(Qt::Key_Enter) << 2 << 1 << "1" << 4 << 0;
    QTest::newRow("return, empty cell of the last row")
        << int(Qt::Key_Return) << 2 << 0 << "" << 3 << 0;
    QTest::newRow("return, filled cell above the last row")
        << int(Qt::Key_Return) << 0 << 0 << "1" << 3 << 0;
    QTest::newRow("return, filled cell of the last column")
        << int(Qt::Key_Return) << 0 << 2 << "1" << 3 << 1;
    QTest::newRow("return, empty cell of the last column")
        << int(Qt::Key_Return) << 1 << 2 << "" << 3 << 0;
    QTest::newRow("keypad enter, filled bottom-right cell")
        << int(Qt::Key_Enter) << 2 << 2 << "1" << 4 << 1;
    QTest::newRow("return without a current cell")
        << int(Qt::Key_Return) << -1 << -1 << "" << 3 << 0;
}

void tst_DataViewWidget::enterKey()
{
    QFETCH(int, key);
    QFETCH(int, row);
    QFETCH(int, column);
    QFETCH(QString, text);
    QFETCH(int, rowsAfter);
    QFETCH(int, varRequests);

    KeyRecorder parent;
    DataViewWidget view(3, 3, &parent);
    view.setVarNames({"A", "B", "C"});
    if (row >= 0)
        view.setItem(row, column, new QTableWidgetItem(text));
    view.setCurrentCell(row, column);
    QSignalSpy entered(&view, SIGNAL(sKeyEnter(int,int)));
    QSignalSpy requested(&view, SIGNAL(sDataViewVarRequest()));
    QVERIFY(entered.isValid());
    QVERIFY(requested.isValid());

    const Qt::KeyboardModifiers modifiers =
        key == Qt::Key_Enter ? Qt::KeypadModifier : Qt::NoModifier;
    QTest::keyClick(&view, Qt::Key(key), modifiers);

    QCOMPARE(entered.count(), 1);
    QCOMPARE(entered.first(), QVariantList({row, column}));
    QCOMPARE(parent.keys, QList<int>());
    QCOMPARE(requested.count(), varRequests);
    QCOMPARE(view.rowCount(), rowsAfter);
    // A new spare row has an empty item in every cell and stays out of the read-out.
    QCOMPARE(textsOf(view).last(), QStringList({"", "", ""}));
    QCOMPARE(view.getVarValues("A").size(), view.rowCount() - 1);
}

void tst_DataViewWidget::enterCommitsEditedText()
{
    DataViewWidget view(3, 2);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    view.setCurrentCell(2, 1);
    view.editItem(view.item(2, 1));
    QLineEdit *editor = view.findChild<QLineEdit *>();
    QVERIFY(editor);

    QTest::keyClicks(editor, QStringLiteral("7"));
    QTest::keyClick(editor, Qt::Key_Return);

    QCOMPARE(view.rowCount(), 4);
    QCOMPARE(view.item(2, 1)->text(), QStringLiteral("7"));
}

void tst_DataViewWidget::gridShortcutsWork()
{
    DataViewWidget view(3, 2);
    fill(view, {{"1", "2"}, {"", ""}, {"", ""}});
    view.setCurrentCell(0, 0);
    view.setRangeSelected(QTableWidgetSelectionRange(0, 0, 0, 1), true);
    QTest::keySequence(&view, QKeySequence(QKeySequence::Copy));

    QTest::keyClick(&view, Qt::Key_Down);
    QCOMPARE(view.currentRow(), 1);
    QTest::keySequence(&view, QKeySequence(QKeySequence::Paste));
    QTest::keySequence(&view, QKeySequence(QKeySequence::Delete));
    QCOMPARE(view.rowCount(), 3);
    QCOMPARE(textsOf(view), Texts({{"1", "2"}, {"", "2"}, {"", ""}}));
}

void tst_DataViewWidget::appendVariable_data()
{
    QTest::addColumn<QByteArray>("slot");

    QTest::newRow("variable added") << QByteArray("onDataViewVarAdded");
    QTest::newRow("new variable created") << QByteArray("onNewVarCreated");
}

void tst_DataViewWidget::appendVariable()
{
    QFETCH(QByteArray, slot);

    DataViewWidget view(3, 2);
    view.setVarNames({"A", "B"});
    QVERIFY(QMetaObject::invokeMethod(&view, slot.constData(), Q_ARG(QString, "Z")));

    QCOMPARE(view.columnCount(), 3);
    QCOMPARE(headersOf(view), QStringList({"A", "B", "Z"}));
    QCOMPARE(textsOf(view), Texts(3, QStringList({"", "", ""})));
    QCOMPARE(view.getVarNames(), QStringList({"A", "B"}));
}

void tst_DataViewWidget::varNameChange_data()
{
    QTest::addColumn<int>("column");
    QTest::addColumn<QStringList>("headers");

    QTest::newRow("first column") << 0 << QStringList{"X", "B"};
    QTest::newRow("column past the end") << 2 << QStringList{"A", "B"};
    QTest::newRow("negative column") << -1 << QStringList{"A", "B"};
}

void tst_DataViewWidget::varNameChange()
{
    QFETCH(int, column);
    QFETCH(QStringList, headers);

    DataViewWidget view(3, 2);
    fill(view, {{"1", "2"}, {"3", "4"}, {"", ""}});
    view.setVarNames({"A", "B"});
    QVERIFY(QMetaObject::invokeMethod(&view, "onVarNameChange", Q_ARG(QString, "X"),
                                      Q_ARG(int, column)));

    QCOMPARE(headersOf(view), headers);
    // The analysis still knows the column under its imported name.
    QCOMPARE(view.getVarNames(), QStringList({"A", "B"}));
    QCOMPARE(view.getVarValues("A"), QVector<QVariant>({1.0, 3.0}));
    QVERIFY(view.getVarValues("X").isEmpty());
}

void tst_DataViewWidget::wrongTypeMessage()
{
    DataViewWidget view(2, 2);
    QString title;
    bool showsError = false;
    bool childOfView = false;
    bool applicationModal = false;
    bool hasAcceptButton = false;

    QTimer answer;
    answer.setSingleShot(true);
    connect(&answer, &QTimer::timeout, this, [&] {
        auto *dialog = qobject_cast<CustomDialog *>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        title = dialog->windowTitle();
        childOfView = dialog->parent() == &view;
        applicationModal = dialog->windowModality() == Qt::ApplicationModal;
        showsError = showsLabel(*dialog, QStringLiteral("not a number"));
        if (QPushButton *accept = buttonWithText(*dialog, QStringLiteral("Accept"))) {
            hasAcceptButton = true;
            accept->click();
        }
    });
    // Should the message not close through its button, end it anyway rather than hang.
    QTimer fallback;
    fallback.setSingleShot(true);
    connect(&fallback, &QTimer::timeout, this, [] {
        if (QWidget *modal = QApplication::activeModalWidget())
            modal->close();
    });
    answer.start(0);
    fallback.start(5000);

    QVERIFY(QMetaObject::invokeMethod(&view, "onWrongType", Q_ARG(QString, "not a number")));

    QCOMPARE(title, QStringLiteral("WrongType"));
    QVERIFY(showsError);
    QVERIFY(childOfView);
    QVERIFY(applicationModal);
    QVERIFY(hasAcceptButton);
    QVERIFY2(fallback.isActive(), "the Accept button did not close the message");
    QVERIFY(view.findChildren<CustomDialog *>().isEmpty());
}

void tst_DataViewWidget::headerDoubleClick()
{
    DataViewWidget view(3, 3);
    const Texts texts{{"1", "2", "3"}, {"4", "5", "6"}, {"", "", ""}};
    fill(view, texts);
    view.setVarNames({"A", "B", "C"});
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    QSignalSpy doubleClicked(&view, SIGNAL(sHHeader(int)));
    QVERIFY(doubleClicked.isValid());

    QHeaderView *header = view.horizontalHeader();
    const QPoint middleOfSection(header->sectionViewportPosition(1) + header->sectionSize(1) / 2,
                                 header->height() / 2);
    QTest::mouseDClick(header->viewport(), Qt::LeftButton, Qt::NoModifier, middleOfSection);

    QCOMPARE(doubleClicked.count(), 1);
    QCOMPARE(doubleClicked.first().first().toInt(), 1);
    QCOMPARE(textsOf(view), texts);
    QCOMPARE(headersOf(view), QStringList({"A", "B", "C"}));
    QCOMPARE(view.getVarNames(), QStringList({"A", "B", "C"}));
}

void tst_DataViewWidget::getVarValues_data()
{
    QTest::addColumn<Texts>("texts");
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QVector<QVariant>>("values");
    QTest::addColumn<QStringList>("diagnostics");

    const QVariant missing;
    QTest::newRow("text and empty cells, spare row left out")
        << Texts{{"1.5", ""}, {"abc", ""}, {"", ""}, {"", ""}} << QStringList{"A", "B"} << "A"
        << QVector<QVariant>{1.5, missing, missing}
        << QStringList{"Valor 1 no valido", "Valor 2 no valido", "Valor 3 no valido"};
    QTest::newRow("no final line feed keeps the last subject")
        << Texts{{"1", "4"}, {"2", "5"}, {"3", "6"}} << QStringList{"A", "B"} << "B"
        << QVector<QVariant>{4.0, 5.0, 6.0} << QStringList();
    QTest::newRow("last row filled in another column only")
        << Texts{{"1", "4"}, {"2", "5"}, {"", "6"}} << QStringList{"A", "B"} << "A"
        << QVector<QVariant>{1.0, 2.0, missing} << QStringList{"Valor 2 no valido"};
    QTest::newRow("spaces around and carriage return")
        << Texts{{" 2.5 ", "x"}, {"2.5\r", "y"}, {"", ""}} << QStringList{"A", "B"} << "A"
        << QVector<QVariant>{2.5, 2.5} << QStringList{"Valor 2 no valido"};
    QTest::newRow("decimal comma")
        << Texts{{"2,5", "1"}, {"", ""}} << QStringList{"A", "B"} << "A"
        << QVector<QVariant>{missing} << QStringList{"Valor 0 no valido", "Valor 1 no valido"};
    QTest::newRow("duplicate names, leftmost column")
        << Texts{{"1", "2"}, {"", ""}} << QStringList{"A", "A"} << "A"
        << QVector<QVariant>{1.0} << QStringList{"Valor 1 no valido"};
    QTest::newRow("name not among the variables")
        << Texts{{"1", "2"}, {"", ""}} << QStringList{"A", "B"} << "a" << QVector<QVariant>()
        << QStringList();
    QTest::newRow("no rows") << Texts() << QStringList{"A", "B"} << "A" << QVector<QVariant>()
                             << QStringList();
}

void tst_DataViewWidget::getVarValues()
{
    QFETCH(Texts, texts);
    QFETCH(QStringList, names);
    QFETCH(QString, name);
    QFETCH(QVector<QVariant>, values);
    QFETCH(QStringList, diagnostics);

    DataViewWidget view(texts.size(), names.size());
    fill(view, texts);
    view.setVarNames(names);
    for (const QString &line : std::as_const(diagnostics))
        QTest::ignoreMessage(QtDebugMsg, qPrintable(line));

    QCOMPARE(view.getVarValues(name), values);
    // Reading changes nothing.
    QCOMPARE(view.rowCount(), texts.size());
    QCOMPARE(textsOf(view), texts);
}

// Two columns of one name each read their own cells when read by position.
void tst_DataViewWidget::getColumnValuesOfSameNames()
{
    DataViewWidget view(3, 2);
    fill(view, {{"1", "2"}, {"3", "4"}, {"", ""}});
    view.setVarNames({"A", "A"});
    QCOMPARE(view.getColumnValues(0), QVector<QVariant>({1.0, 3.0}));
    QCOMPARE(view.getColumnValues(1), QVector<QVariant>({2.0, 4.0}));
    QCOMPARE(view.getColumnValues(2), QVector<QVariant>());
    QCOMPARE(view.getColumnValues(-1), QVector<QVariant>());
}

void tst_DataViewWidget::selectedColumns_data()
{
    QTest::addColumn<QVector<QTableWidgetSelectionRange>>("ranges");
    QTest::addColumn<QVector<int>>("columns");

    using Range = QTableWidgetSelectionRange;
    QTest::newRow("nothing selected: every column") << QVector<Range>() << QVector<int>({0, 1, 2, 3});
    QTest::newRow("one cell") << QVector<Range>({Range(2, 1, 2, 1)}) << QVector<int>({1});
    QTest::newRow("a block over two columns") << QVector<Range>({Range(0, 2, 3, 3)})
                                              << QVector<int>({2, 3});
    QTest::newRow("ranges out of order, overlapping")
        << QVector<Range>({Range(3, 3, 3, 3), Range(0, 0, 1, 0), Range(2, 0, 2, 0)})
        << QVector<int>({0, 3});
    QTest::newRow("a whole column") << QVector<Range>({Range(0, 2, 4, 2)}) << QVector<int>({2});
}

void tst_DataViewWidget::selectedColumns()
{
    QFETCH(QVector<QTableWidgetSelectionRange>, ranges);
    QFETCH(QVector<int>, columns);

    DataViewWidget view(5, 4);
    for (const QTableWidgetSelectionRange &range : std::as_const(ranges))
        view.setRangeSelected(range, true);
    QCOMPARE(view.selectedColumns(), columns);
}

// The Enter growth is a step of the history. Typed into the spare row and confirmed, the
// value and the new row are one step; a row grown from a cell filled earlier is a step of
// its own.
void tst_DataViewWidget::growthUndo_data()
{
    QTest::addColumn<bool>("typed");
    QTest::addColumn<int>("steps");

    QTest::newRow("typed and confirmed") << true << 1;
    QTest::newRow("confirmed only") << false << 1;
}

void tst_DataViewWidget::growthUndo()
{
    QFETCH(bool, typed);
    QFETCH(int, steps);

    DataViewWidget view(2, 2);
    fill(view, {{"1", "2"}, {typed ? "" : "5", ""}});
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    view.setCurrentCell(1, 0);
    if (typed) {
        view.editItem(view.item(1, 0));
        QLineEdit *editor = view.findChild<QLineEdit *>();
        QVERIFY(editor);
        QTest::keyClicks(editor, QStringLiteral("5"));
        QTest::keyClick(editor, Qt::Key_Return);
    } else {
        QTest::keyClick(&view, Qt::Key_Return);
    }
    const Texts grown{{"1", "2"}, {"5", ""}, {"", ""}};
    QCOMPARE(textsOf(view), grown);
    QUndoStack *history = view.undoStack();
    QCOMPARE(history->count(), steps);

    history->undo();
    QCOMPARE(textsOf(view), Texts({{"1", "2"}, {typed ? "" : "5", ""}}));
    QVERIFY(history->isClean());
    history->redo();
    QCOMPARE(textsOf(view), grown);
    // Confirming the filled cell of the new spare row's predecessor again grows nothing.
    view.setCurrentCell(1, 0);
    QTest::keyClick(&view, Qt::Key_Return);
    QCOMPARE(view.rowCount(), 3);
    QCOMPARE(history->count(), steps);
}

QTEST_MAIN(tst_DataViewWidget)
#include "tst_dataviewwidget.moc"
