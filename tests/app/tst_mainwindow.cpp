#include "customdialog.h"
#include "drive.h"
#include "mainwindow.h"
#include "resultwindow.h"
#include "testdata.h"

#include <QAction>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QWebSettings>
#include <QWebFrame>
#include <QWebView>
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

} // namespace

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
};

void tst_MainWindow::metaObjectOrder()
{
    QCOMPARE(ownMethods(MainWindow::staticMetaObject),
             QStringList({"slot onAbout()", "slot onAMean()", "slot onAStdDev()", "slot onAgreement()",
                          "slot onBlandAltman()", "slot onRegression()"}));
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

void tst_MainWindow::menus()
{
    MainWindow window;
    const QList<QAction *> menus = window.menuBar()->actions();
    QCOMPARE(actionTexts(menus), QStringList({"&File", "&Statistics"}));
    QCOMPARE(actionTexts(menus[0]->menu()->actions()), QStringList({"&Open"}));
    QCOMPARE(actionTexts(menus[1]->menu()->actions()), QStringList({"&Agreement", "&Bland–Altman…", "&Regression…"}));
    for (const QAction *action : window.findChildren<QAction *>())
        QVERIFY2(action->shortcut().isEmpty(), qPrintable(action->text()));
}

void tst_MainWindow::actionsInOrder()
{
    MainWindow window;
    const QStringList texts =
        actionTexts(window.findChildren<QAction *>(QString(), Qt::FindDirectChildrenOnly));
    QCOMPARE(texts, QStringList({"&Open", "&Close", "&Undo", "&Redo", "&Copy", "&Cut", "&Paste",
                                 "&About", "&Mean", "&Standard deviation", "&Agreement",
                                 "&Bland–Altman…", "&Regression…"}));
}

void tst_MainWindow::ctrlQCloses()
{
    MainWindow window;
    window.show();
    QApplication::setActiveWindow(&window);
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
    QVERIFY(text.startsWith("Concorda"));

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
    menuEntry(window, 1)->trigger();
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
        menuEntry(window, 1)->trigger();
        CONCORDA_VERIFY_SCRIPT(script);
        QCOMPARE(resultWindows().size(), report);
    }
    const QPoint beside(window.x() + window.width(), window.y());
    for (ResultWindow *result : resultWindows()) {
        QVERIFY(result->isVisible());
        QVERIFY(!result->parent());
        QCOMPARE(result->pos(), beside);
        QVERIFY(result->view()->page()->mainFrame()->toHtml().contains("<b>y</b>"));
        QVERIFY(!result->view()->settings()->testAttribute(QWebSettings::JavascriptEnabled));
    }
    qDeleteAll(resultWindows());
}

QTEST_MAIN(tst_MainWindow)
#include "tst_mainwindow.moc"
