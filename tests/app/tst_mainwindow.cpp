#include "customdialog.h"
#include "datavarwidget.h"
#include "dataviewwidget.h"
#include "drive.h"
#include "reportviewtext.h"
#include "mainwindow.h"
#include "resultwindow.h"
#include "startoptions.h"
#include "testdata.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QPointer>
#include <QPushButton>
#include <QSettings>
#include <QShortcut>
#include <QTableWidgetSelectionRange>
#include <QTemporaryDir>
#include <QUndoStack>
#include <QUrl>
#include <QtTest>

namespace {

QStringList actionTexts(const QList<QAction *> &actions)
{
    QStringList texts;
    for (const QAction *action : actions)
        texts << action->text();
    return texts;
}

QList<ResultWindow *> resultWindows()
{
    QList<ResultWindow *> windows;
    for (QWidget *widget : QApplication::topLevelWidgets()) {
        if (auto *window = qobject_cast<ResultWindow *>(widget))
            windows << window;
    }
    return windows;
}

QAction *menuEntry(MainWindow &window, int menu)
{
    return window.menuBar()->actions().at(menu)->menu()->actions().first();
}

// The entry of the menu titled `menu` whose text is `text`.
QAction *menuAction(MainWindow &window, const QString &menu, const QString &text)
{
    for (QAction *title : window.menuBar()->actions()) {
        if (title->text() != menu)
            continue;
        for (QAction *action : title->menu()->actions()) {
            if (action->text() == text)
                return action;
        }
    }
    return nullptr;
}

QString writeFile(const QTemporaryDir &dir, const QString &name, const QByteArray &content)
{
    const QString path = dir.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size())
        return QString();
    return path;
}

QByteArray contentOf(const QString &fileName)
{
    QFile file(fileName);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

DataViewWidget *viewOf(MainWindow &window)
{
    return window.findChild<DataVarWidget *>()->currentDataView();
}

void showActive(MainWindow &window)
{
    window.show();
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
}

QMimeData *urlsData(const QList<QUrl> &urls)
{
    auto *mime = new QMimeData;
    mime->setUrls(urls);
    return mime;
}

} // namespace

Q_DECLARE_METATYPE(QMessageBox::StandardButton)
Q_DECLARE_METATYPE(StartOptions::Action)

class tst_MainWindow : public QObject
{
    Q_OBJECT

private slots:
    void metaObjectOrder();
    void minimumSize();
    void menus();
    void actionsInOrder();
    void ctrlQCloses();
    void aboutBox();
    void agreementWithoutFile();
    void resultWindowsBesideMainWindow();
    void shortcuts_data();
    void shortcuts();
    void quitWithEdits_data();
    void quitWithEdits();
    void titleAndEditMenu();
    void closeKeyClosesDataView();
    void recentFilesAfter_data();
    void recentFilesAfter();
    void openRecent();
    void droppedFile_data();
    void droppedFile();
    void dropOpensFile();
    void meanInResultWindow();
    void startOptions_data();
    void startOptions();
};

void tst_MainWindow::metaObjectOrder()
{
    QCOMPARE(ownMethods(MainWindow::staticMetaObject),
             QStringList({"slot onAbout()", "slot onAMean()", "slot onAStdDev()", "slot onAgreement()",
                          "slot onAnalysis()",
                          "slot onFileNameChanged(QString)", "slot onCleanChanged(bool)",
                          "slot onOpenRecentFile()", "slot onCut()", "slot onCopy()",
                          "slot onPaste()", "slot onDelete()"}));
}

void tst_MainWindow::minimumSize()
{
    MainWindow window;
    window.resize(300, 200);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QVERIFY(window.width() >= 800);
    QVERIFY(window.height() >= 600);
    QCOMPARE(window.minimumSize(), QSize(800, 600));
}

// The first commands of each menu come first; the others follow.
void tst_MainWindow::menus()
{
    MainWindow window;
    const QList<QAction *> menus = window.menuBar()->actions();
    QCOMPARE(actionTexts(menus), QStringList({"&File", "&Edit", "&Statistics", "&Help"}));
    QCOMPARE(actionTexts(menus[0]->menu()->actions()),
             QStringList({"&Open", "&Save", "Save &As…", "Open &Recent", "", "&Close", "&Quit"}));
    QCOMPARE(actionTexts(menus[1]->menu()->actions()),
             QStringList({"&Undo", "&Redo", "", "Cu&t", "&Copy", "&Paste", "&Delete"}));
    QCOMPARE(actionTexts(menus[2]->menu()->actions()),
             QStringList({"&Agreement", "Agreement with re&plicates…", "&Bland–Altman…", "&Regression…", "", "&Mean",
                          "&Standard deviation"}));
    QCOMPARE(actionTexts(menus[3]->menu()->actions()), QStringList({"&About", "About &Qt"}));
}

void tst_MainWindow::actionsInOrder()
{
    MainWindow window;
    const QStringList texts =
        actionTexts(window.findChildren<QAction *>(QString(), Qt::FindDirectChildrenOnly));
    QCOMPARE(texts, QStringList({"&Open", "&Close", "&Undo", "&Redo", "&Copy", "Cu&t", "&Paste",
                                 "&About", "&Mean", "&Standard deviation", "&Agreement",
                                 "Agreement with re&plicates…", "&Bland–Altman…", "&Regression…", "&Save",
                                 "Save &As…", "&Quit", "&Delete", "About &Qt"}));
}

void tst_MainWindow::ctrlQCloses()
{
    MainWindow window;
    window.show();
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    QTest::keyClick(&window, Qt::Key_Q, Qt::ControlModifier);
    QVERIFY(!window.isVisible());
}

void tst_MainWindow::aboutBox()
{
    MainWindow window;
    window.onAbout();
    QPointer<CustomDialog> first = window.findChild<CustomDialog *>();
    QVERIFY(first);
    QVERIFY(first->isVisible());
    QCOMPARE(first->windowTitle(), QStringLiteral("Warning"));
    QCOMPARE(first->windowModality(), Qt::ApplicationModal);
    const QList<QPushButton *> buttons = first->findChildren<QPushButton *>();
    QCOMPARE(buttons.size(), 1);
    QCOMPARE(buttons[0]->text(), QStringLiteral("Close"));
    const QString text = first->findChild<QLabel *>()->text();
    QCOMPARE(text.count('\n'), 1);
    QVERIFY2(text.startsWith("Concorda " CONCORDA_VERSION "\n"), qPrintable(text));

    QTest::mouseClick(buttons[0], Qt::LeftButton);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(first.isNull());

    window.onAbout();
    QCOMPARE(window.findChildren<CustomDialog *>().size(), 1);
    QVERIFY(window.findChild<CustomDialog *>()->isVisible());
}

void tst_MainWindow::agreementWithoutFile()
{
    MainWindow window;
    window.show();
    QString shownText;
    int boxes = 0;
    ModalScript script({[&](QWidget *modal) {
        auto *box = qobject_cast<QMessageBox *>(modal);
        QVERIFY(box);
        ++boxes;
        shownText = box->text();
        box->accept();
    }});
    menuAction(window, "&Statistics", "&Agreement")->trigger();
    CONCORDA_VERIFY_SCRIPT(script);
    QCOMPARE(boxes, 1);
    QCOMPARE(shownText,
             QStringLiteral("No csv document has been opened.\nPlease open your csv data file first."));
    QCOMPARE(resultWindows().size(), 0);
}

// Two reports in a row open two windows at the same place, the first beneath the second.
void tst_MainWindow::resultWindowsBesideMainWindow()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("pair.csv");
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("x,y\n1,1\n2,3\n3,3\n4,5\n5,5\n");
    file.close();

    MainWindow window;
    window.move(100, 50);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    ModalScript open({chooseFile(path), chooseDelimiter()});
    menuEntry(window, 0)->trigger();
    CONCORDA_VERIFY_SCRIPT(open);

    for (int report = 1; report <= 2; ++report) {
        ModalScript script({answerAgreementDialog({"x"}, {"y"})});
        menuAction(window, "&Statistics", "&Agreement")->trigger();
        CONCORDA_VERIFY_SCRIPT(script);
        QCOMPARE(resultWindows().size(), report);
    }
    const QPoint beside(window.x() + window.width(), window.y());
    for (ResultWindow *result : resultWindows()) {
        QVERIFY(result->isVisible());
        QVERIFY(!result->parent());
        QCOMPARE(result->pos(), beside);
        QVERIFY(result->report().html.contains("<b>y</b>"));
        QVERIFY(shownText(result->view()).contains("y"));
        QVERIFY(!runsScripts(result->view()));
    }
    qDeleteAll(resultWindows());
}

// Each key has one command, shown beside it in the menu; nothing else binds it.
void tst_MainWindow::shortcuts_data()
{
    QTest::addColumn<QString>("menu");
    QTest::addColumn<QString>("entry");
    QTest::addColumn<QKeySequence>("key");

    QTest::newRow("save") << "&File" << "&Save" << QKeySequence("Ctrl+S");
    QTest::newRow("save as") << "&File" << "Save &As…" << QKeySequence("Ctrl+Shift+S");
    QTest::newRow("close") << "&File" << "&Close" << QKeySequence("Ctrl+W");
    QTest::newRow("quit") << "&File" << "&Quit" << QKeySequence("Ctrl+Q");
    QTest::newRow("undo") << "&Edit" << "&Undo" << QKeySequence("Ctrl+Z");
    QTest::newRow("redo") << "&Edit" << "&Redo" << QKeySequence("Ctrl+Shift+Z");
    QTest::newRow("cut") << "&Edit" << "Cu&t" << QKeySequence(QKeySequence::Cut);
    QTest::newRow("copy") << "&Edit" << "&Copy" << QKeySequence(QKeySequence::Copy);
    QTest::newRow("paste") << "&Edit" << "&Paste" << QKeySequence(QKeySequence::Paste);
    QTest::newRow("delete") << "&Edit" << "&Delete" << QKeySequence(QKeySequence::Delete);
    QTest::newRow("open has none, as before") << "&File" << "&Open" << QKeySequence();
}

void tst_MainWindow::shortcuts()
{
    QFETCH(QString, menu);
    QFETCH(QString, entry);
    QFETCH(QKeySequence, key);

    MainWindow window;
    QAction *action = menuAction(window, menu, entry);
    QVERIFY(action);
    QCOMPARE(action->shortcut(), key);
    int bindings = 0;
    for (const QAction *other : window.findChildren<QAction *>())
        bindings += !key.isEmpty() && other->shortcuts().contains(key) ? 1 : 0;
    QCOMPARE(bindings, key.isEmpty() ? 0 : 1);
    QVERIFY(window.findChildren<QShortcut *>().isEmpty());
}

// Ctrl+Q with unsaved edits asks first: Save writes and closes, Discard closes, Cancel
// keeps the window open with the edits.
void tst_MainWindow::quitWithEdits_data()
{
    QTest::addColumn<QMessageBox::StandardButton>("answer");

    QTest::newRow("save") << QMessageBox::Save;
    QTest::newRow("discard") << QMessageBox::Discard;
    QTest::newRow("cancel") << QMessageBox::Cancel;
}

void tst_MainWindow::quitWithEdits()
{
    QFETCH(QMessageBox::StandardButton, answer);

    QTemporaryDir dir;
    const QString path = writeFile(dir, "pair.csv", "x,y\n1,1\n2,3\n");
    MainWindow window;
    showActive(window);
    {
        ModalScript open({chooseFile(path), chooseDelimiter()});
        menuEntry(window, 0)->trigger();
        CONCORDA_VERIFY_SCRIPT(open);
    }
    viewOf(window)->editCells({{1, 1, "4"}}, "typing");
    // The dialogs took the focus; the window shortcut needs the window active again.
    showActive(window);

    ModalScript script({[answer](QWidget *modal) {
        auto *box = qobject_cast<QMessageBox *>(modal);
        QVERIFY(box);
        box->button(answer)->click();
    }});
    QTest::keyClick(&window, Qt::Key_Q, Qt::ControlModifier);
    CONCORDA_VERIFY_SCRIPT(script);
    QCOMPARE(window.isVisible(), answer == QMessageBox::Cancel);
    QCOMPARE(contentOf(path), answer == QMessageBox::Save ? QByteArray("x,y\n1,1\n2,4\n")
                                                          : QByteArray("x,y\n1,1\n2,3\n"));
    QCOMPARE(viewOf(window)->item(1, 1)->text(), QStringLiteral("4"));
}

// The title names the file with the modified marker; the Edit menu works on the grid's
// own buffer, and Undo and Redo are enabled only when there is something to undo or redo.
void tst_MainWindow::titleAndEditMenu()
{
    QTemporaryDir dir;
    MainWindow window;
    QCOMPARE(window.windowTitle(), QStringLiteral("Concorda"));
    QAction *undo = menuAction(window, "&Edit", "&Undo");
    QAction *redo = menuAction(window, "&Edit", "&Redo");
    QAction *save = menuAction(window, "&File", "&Save");
    QVERIFY(!undo->isEnabled() && !redo->isEnabled() && !save->isEnabled());
    {
        ModalScript open({chooseFile(writeFile(dir, "pair.csv", "x,y\n1,1\n2,3\n")), chooseDelimiter()});
        menuEntry(window, 0)->trigger();
        CONCORDA_VERIFY_SCRIPT(open);
    }
    QCOMPARE(window.windowTitle(), QStringLiteral("pair.csv[*] - Concorda"));
    QVERIFY(!window.isWindowModified());
    QVERIFY(save->isEnabled());

    DataViewWidget *view = viewOf(window);
    view->setRangeSelected(QTableWidgetSelectionRange(0, 0, 0, 1), true);
    menuAction(window, "&Edit", "&Copy")->trigger();
    view->clearSelection();
    view->setRangeSelected(QTableWidgetSelectionRange(1, 0, 1, 0), true);
    menuAction(window, "&Edit", "&Paste")->trigger();
    QCOMPARE(view->item(1, 0)->text(), QStringLiteral("1"));
    QCOMPARE(view->item(1, 1)->text(), QStringLiteral("1"));
    QVERIFY(window.isWindowModified());
    QVERIFY(undo->isEnabled());

    menuAction(window, "&Edit", "&Delete")->trigger();
    QCOMPARE(view->item(1, 0)->text(), QString());
    menuAction(window, "&Edit", "Cu&t")->trigger();
    // The cut cell was already empty: only the paste and the delete are steps.
    QCOMPARE(view->undoStack()->count(), 2);

    undo->trigger();
    undo->trigger();
    QCOMPARE(view->item(1, 0)->text(), QStringLiteral("2"));
    QCOMPARE(view->item(1, 1)->text(), QStringLiteral("3"));
    QVERIFY(!window.isWindowModified());
    QVERIFY(!undo->isEnabled());
    QVERIFY(redo->isEnabled());
    redo->trigger();
    QCOMPARE(view->item(1, 1)->text(), QStringLiteral("1"));
    QVERIFY(window.isWindowModified());
}

// Ctrl+W closes the data view (without edits, at once); the window stays.
void tst_MainWindow::closeKeyClosesDataView()
{
    QTemporaryDir dir;
    MainWindow window;
    showActive(window);
    {
        ModalScript open({chooseFile(writeFile(dir, "pair.csv", "x,y\n1,1\n")), chooseDelimiter()});
        menuEntry(window, 0)->trigger();
        CONCORDA_VERIFY_SCRIPT(open);
    }
    showActive(window);
    viewOf(window)->setFocus();
    ModalScript none({});
    QTest::keyClick(viewOf(window), Qt::Key_W, Qt::ControlModifier);
    CONCORDA_VERIFY_SCRIPT(none);
    QVERIFY(!viewOf(window));
    QVERIFY(window.isVisible());
    QCOMPARE(window.windowTitle(), QStringLiteral("Concorda"));
}

void tst_MainWindow::recentFilesAfter_data()
{
    QTest::addColumn<QStringList>("before");
    QTest::addColumn<QString>("opened");
    QTest::addColumn<QStringList>("after");

    QTest::newRow("first file") << QStringList() << "/a.csv" << QStringList({"/a.csv"});
    QTest::newRow("new file goes first") << QStringList({"/a.csv", "/b.csv"}) << "/c.csv"
                                         << QStringList({"/c.csv", "/a.csv", "/b.csv"});
    QTest::newRow("known file moves first, once")
        << QStringList({"/a.csv", "/b.csv", "/c.csv"}) << "/b.csv"
        << QStringList({"/b.csv", "/a.csv", "/c.csv"});
    QTest::newRow("at most eight, the oldest goes")
        << QStringList({"/1", "/2", "/3", "/4", "/5", "/6", "/7", "/8"}) << "/9"
        << QStringList({"/9", "/1", "/2", "/3", "/4", "/5", "/6", "/7"});
}

void tst_MainWindow::recentFilesAfter()
{
    QFETCH(QStringList, before);
    QFETCH(QString, opened);
    QFETCH(QStringList, after);

    QCOMPARE(MainWindow::recentFilesAfter(before, opened), after);
}

// Opened files are remembered, newest first, across windows; an entry opens its file.
void tst_MainWindow::openRecent()
{
    QSettings().remove(QStringLiteral("recentFiles"));
    QTemporaryDir dir;
    const QString first = writeFile(dir, "first.csv", "A,B\n1,2\n");
    const QString second = writeFile(dir, "second & more.csv", "P;Q\n4;5\n");
    {
        MainWindow window;
        ModalScript firstScript({chooseDelimiter()});
        QVERIFY(window.openFile(first));
        CONCORDA_VERIFY_SCRIPT(firstScript);
        ModalScript secondScript({chooseDelimiter(";")});
        QVERIFY(window.openFile(second));
        CONCORDA_VERIFY_SCRIPT(secondScript);
    }
    MainWindow window;
    QMenu *recent = menuAction(window, "&File", "Open &Recent")->menu();
    QCOMPARE(actionTexts(recent->actions()),
             QStringList({"&1 " + QDir::toNativeSeparators(second).replace("&", "&&"),
                          "&2 " + QDir::toNativeSeparators(first)}));
    ModalScript script({chooseDelimiter()});
    recent->actions().at(1)->trigger();
    CONCORDA_VERIFY_SCRIPT(script);
    QCOMPARE(viewOf(window)->getVarNames(), QStringList({"A", "B"}));
    QCOMPARE(window.windowTitle(), QStringLiteral("first.csv[*] - Concorda"));
    QCOMPARE(actionTexts(recent->actions()).first(), "&1 " + QDir::toNativeSeparators(first));
}

void tst_MainWindow::droppedFile_data()
{
    QTest::addColumn<QList<QUrl>>("urls");
    QTest::addColumn<bool>("accepted");

    const QString file = QStringLiteral(CONCORDA_SOURCE_DIR "/examples/glucose_meters.csv");
    QTest::newRow("one local file") << QList<QUrl>({QUrl::fromLocalFile(file)}) << true;
    QTest::newRow("two files")
        << QList<QUrl>({QUrl::fromLocalFile(file), QUrl::fromLocalFile(file)}) << false;
    QTest::newRow("a folder")
        << QList<QUrl>({QUrl::fromLocalFile(QStringLiteral(CONCORDA_SOURCE_DIR "/examples"))}) << false;
    QTest::newRow("a web address") << QList<QUrl>({QUrl("https://example.org/data.csv")}) << false;
    QTest::newRow("a missing file")
        << QList<QUrl>({QUrl::fromLocalFile(QStringLiteral(CONCORDA_SOURCE_DIR "/none.csv"))}) << false;
    QTest::newRow("no address") << QList<QUrl>() << false;
}

void tst_MainWindow::droppedFile()
{
    QFETCH(QList<QUrl>, urls);
    QFETCH(bool, accepted);

    const std::unique_ptr<QMimeData> mime(urlsData(urls));
    QCOMPARE(MainWindow::droppedFile(mime.get()),
             accepted ? urls.first().toLocalFile() : QString());
    QCOMPARE(MainWindow::droppedFile(nullptr), QString());
}

// A file dropped onto the window opens through the same import, once the drop is over.
void tst_MainWindow::dropOpensFile()
{
    MainWindow window;
    showActive(window);
    const QString file = QStringLiteral(CONCORDA_SOURCE_DIR "/examples/hba1c_analysers.csv");
    const std::unique_ptr<QMimeData> mime(urlsData({QUrl::fromLocalFile(file)}));
    const QPoint centre = window.rect().center();

    QDragEnterEvent enter(centre, Qt::CopyAction, mime.get(), Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&window, &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent drop(centre, Qt::CopyAction, mime.get(), Qt::LeftButton, Qt::NoModifier);
    QString preselected;
    ModalScript script({[&preselected](QWidget *dialog) {
        preselected = dialog->findChild<QComboBox *>()->currentText();
        dialog->close();
    }});
    QApplication::sendEvent(&window, &drop);
    QVERIFY(drop.isAccepted());
    QVERIFY(!viewOf(window));
    QTRY_VERIFY(viewOf(window));
    CONCORDA_VERIFY_SCRIPT(script);
    QCOMPARE(preselected, QStringLiteral(";"));
    QCOMPARE(window.windowTitle(), QStringLiteral("hba1c_analysers.csv[*] - Concorda"));
}

void tst_MainWindow::meanInResultWindow()
{
    QTemporaryDir dir;
    MainWindow window;
    {
        ModalScript script({chooseDelimiter()});
        QVERIFY(window.openFile(writeFile(dir, "pair.csv", "x,y\n1,1\n2,3\n3,3\n")));
        CONCORDA_VERIFY_SCRIPT(script);
    }
    menuAction(window, "&Statistics", "&Mean")->trigger();
    menuAction(window, "&Statistics", "&Standard deviation")->trigger();
    const QList<ResultWindow *> windows = resultWindows();
    QCOMPARE(windows.size(), 2);
    QString html;
    for (ResultWindow *result : windows)
        html += result->report().html;
    QVERIFY2(html.contains("<td><b>x</b></td><td>3</td><td>2</td>"), qPrintable(html));
    QVERIFY2(html.contains("<td><b>y</b></td><td>3</td><td>1.1547</td>"), qPrintable(html));
    qDeleteAll(resultWindows());
}

void tst_MainWindow::startOptions_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<StartOptions::Action>("action");
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<QString>("error");

    QTest::newRow("nothing") << QStringList() << StartOptions::Run << QString() << QString();
    QTest::newRow("a file") << QStringList({"data.csv"}) << StartOptions::Run << "data.csv" << QString();
    QTest::newRow("help") << QStringList({"--help"}) << StartOptions::ShowHelp << QString() << QString();
    QTest::newRow("short help") << QStringList({"-h"}) << StartOptions::ShowHelp << QString() << QString();
    QTest::newRow("version") << QStringList({"--version"}) << StartOptions::ShowVersion << QString()
                             << QString();
    QTest::newRow("help wins over what a toolkit option looks like")
        << QStringList({"-platform", "offscreen", "a.csv", "--help"}) << StartOptions::ShowHelp
        << QString() << QString();
    QTest::newRow("unknown option") << QStringList({"--gold", "A"}) << StartOptions::Error
                                    << QString() << "unknown option --gold";
    QTest::newRow("two files") << QStringList({"a.csv", "b.csv"}) << StartOptions::Error
                               << QString() << "one file expected, 2 given";
    QTest::newRow("a file named like an option, after --")
        << QStringList({"--", "--help"}) << StartOptions::Run << "--help" << QString();
}

void tst_MainWindow::startOptions()
{
    QFETCH(QStringList, arguments);
    QFETCH(StartOptions::Action, action);
    QFETCH(QString, fileName);
    QFETCH(QString, error);

    const StartOptions options = parseStartOptions(arguments);
    QCOMPARE(options.action, action);
    QCOMPARE(options.fileName, fileName);
    QCOMPARE(options.error, error);
    QVERIFY(startUsage().startsWith("Usage: concorda [FILE.csv]\n"));
    QCOMPARE(versionText(), QStringLiteral("concorda " CONCORDA_VERSION "\n"));
}

QTEST_MAIN(tst_MainWindow)
#include "tst_mainwindow.moc"
