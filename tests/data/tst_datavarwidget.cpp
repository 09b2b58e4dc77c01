#include "datavarwidget.h"
#include "dataviewwidget.h"
#include "drive.h"
#include "importexport.h"
#include "testdata.h"

#include <QClipboard>
#include <QComboBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMimeData>
#include <QPointer>
#include <QPushButton>
#include <QTableWidgetSelectionRange>
#include <QTemporaryDir>
#include <QUndoStack>
#include <QtTest>

#include <utility>

namespace {

QString writeFile(const QTemporaryDir &dir, const QString &name, const QByteArray &content)
{
    const QString path = dir.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size())
        return QString();
    return path;
}

DataViewWidget *currentView(const DataVarWidget &container)
{
    return qobject_cast<DataViewWidget *>(container.widget(0));
}

QByteArray contentOf(const QString &fileName)
{
    QFile file(fileName);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

// Answers the unsaved-edits question with `button`, keeping its text.
ModalScript::Handler answerQuestion(QMessageBox::StandardButton button, QString *text = nullptr)
{
    return [button, text](QWidget *modal) {
        auto *box = qobject_cast<QMessageBox *>(modal);
        QVERIFY(box);
        QCOMPARE(box->standardButtons(),
                 QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel);
        if (text)
            *text = box->text();
        box->button(button)->click();
    };
}

// Presses the one button of a message dialog.
ModalScript::Handler acceptMessage(QString *text = nullptr)
{
    return [text](QWidget *modal) {
        auto *dialog = qobject_cast<CustomDialog *>(modal);
        QVERIFY(dialog);
        if (text) {
            for (const QLabel *label : dialog->findChildren<QLabel *>())
                *text += label->text();
        }
        dialog->findChild<QPushButton *>()->click();
    };
}

// Types `path` into the save-file dialog and accepts it, after clearing the selection in
// its file list (selectFile() does): a Save As dialog preselects the current file once
// its folder has loaded, and a selected file would win over the typed name.
ModalScript::Handler chooseSaveFile(const QString &path)
{
    return [path](QWidget *modal) {
        auto *files = qobject_cast<QFileDialog *>(modal);
        QVERIFY(files);
        QCOMPARE(files->acceptMode(), QFileDialog::AcceptSave);
        // Time for the folder to load, so that a preselection has happened if it will.
        QTest::qWait(200);
        files->selectFile(path);
        files->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"))->setText(path);
        static_cast<QDialog *>(files)->accept();
    };
}

void openInto(DataVarWidget &container, const QString &path, const QString &entry = QStringLiteral(","))
{
    ModalScript script({chooseFile(path), chooseDelimiter(entry)});
    container.onOpenFile();
    CONCORDA_VERIFY_SCRIPT(script);
}

// What a command does to the container, and the dialogs it shows after the question.
enum class Command { Open, OpenNamed, Close };

} // namespace

class tst_DataVarWidget : public QObject
{
    Q_OBJECT

private slots:
    void metaObjectOrder();
    void startsEmpty();
    void agreementWithoutFile();
    void importShowsOneTab();
    void secondImportReplacesView();
    void cancelKeepsView();
    void unsavedEditsQuestion_data();
    void unsavedEditsQuestion();
    void noQuestionWithoutEdits();
    void saveWritesAndMarksClean();
    void saveAsAsksNameAndDelimiter();
    void failedSaveKeepsData();
    void descriptiveReports_data();
    void descriptiveReports();
    void descriptiveWithoutFile();
};

Q_DECLARE_METATYPE(Command)
Q_DECLARE_METATYPE(QMessageBox::StandardButton)
Q_DECLARE_METATYPE(QVector<QTableWidgetSelectionRange>)

void tst_DataVarWidget::metaObjectOrder()
{
    QCOMPARE(ownMethods(DataVarWidget::staticMetaObject),
             QStringList({"signal sWrongType(QString)", "signal sVarNewVarAdded(QString)",
                          "signal sFileNameChanged(QString)", "slot onOpenFile()",
                          "slot onSave()", "slot onSaveAs()", "slot onCloseFile()"}));

    const QMetaObject &import = ImportExport::staticMetaObject;
    QCOMPARE(QString::fromLatin1(import.className()), QStringLiteral("ImportExport"));
    QCOMPARE(import.methodCount(), import.methodOffset());
}

void tst_DataVarWidget::startsEmpty()
{
    DataVarWidget container;
    QCOMPARE(container.count(), 0);
    QCOMPARE(container.tabPosition(), QTabWidget::South);
    const QList<ImportExport *> imports =
        container.findChildren<ImportExport *>(QString(), Qt::FindDirectChildrenOnly);
    QCOMPARE(imports.size(), 1);
}

void tst_DataVarWidget::agreementWithoutFile()
{
    DataVarWidget container;
    QStringList texts;
    ModalScript script({[&](QWidget *modal) {
        auto *box = qobject_cast<QMessageBox *>(modal);
        QVERIFY(box);
        texts << box->text();
        QCOMPARE(box->windowTitle(), QString());
        box->accept();
    }});
    const QString report = container.requestAgreement();
    QVERIFY(report.isEmpty());
    CONCORDA_VERIFY_SCRIPT(script);
    QCOMPARE(texts, QStringList({"No csv document has been opened.\nPlease open your csv data file first."}));
}

void tst_DataVarWidget::importShowsOneTab()
{
    QTemporaryDir dir;
    const QString path = writeFile(dir, "first.csv", "A;B\n1,5;2\n3;x\n");
    DataVarWidget container;
    ModalScript script({chooseFile(path), chooseDelimiter(";")});
    container.onOpenFile();
    CONCORDA_VERIFY_SCRIPT(script);

    QCOMPARE(container.count(), 1);
    QCOMPARE(container.tabText(0), QStringLiteral("Data View"));
    QCOMPARE(container.currentIndex(), 0);
    DataViewWidget *view = currentView(container);
    QVERIFY(view);
    QCOMPARE(view->getVarNames(), QStringList({"A", "B"}));
    QCOMPARE(view->getVarValues("A"), QVector<QVariant>({1.5, 3.0}));
}

// The new file's view takes the tab; the old one, edits and all, is destroyed.
void tst_DataVarWidget::secondImportReplacesView()
{
    QTemporaryDir dir;
    DataVarWidget container;
    ModalScript first({chooseFile(writeFile(dir, "first.csv", "A,B\n1,2\n")), chooseDelimiter()});
    container.onOpenFile();
    CONCORDA_VERIFY_SCRIPT(first);
    QPointer<DataViewWidget> firstView = currentView(container);
    QVERIFY(firstView);
    firstView->item(0, 0)->setText("edited");

    ModalScript second({chooseFile(writeFile(dir, "second.csv", "P,Q,R\n4,5,6\n7,8,9\n")),
                        chooseDelimiter()});
    container.onOpenFile();
    CONCORDA_VERIFY_SCRIPT(second);
    QVERIFY(firstView.isNull());
    QCOMPARE(container.count(), 1);
    QCOMPARE(container.tabText(0), QStringLiteral("Data View"));
    QCOMPARE(currentView(container)->getVarNames(), QStringList({"P", "Q", "R"}));
}

void tst_DataVarWidget::cancelKeepsView()
{
    QTemporaryDir dir;
    DataVarWidget container;
    {
        ModalScript script({chooseFile(writeFile(dir, "pair.csv", "x,y\n1,1\n2,3\n3,3\n4,5\n5,5\n")),
                            chooseDelimiter()});
        container.onOpenFile();
        CONCORDA_VERIFY_SCRIPT(script);
    }
    DataViewWidget *view = currentView(container);

    bool fileDialogShown = false;
    {
        ModalScript script({[&](QWidget *modal) {
            fileDialogShown = qobject_cast<QFileDialog *>(modal) != nullptr;
            modal->close();
        }});
        container.onOpenFile();
        CONCORDA_VERIFY_SCRIPT(script);
    }
    QVERIFY(fileDialogShown);
    QCOMPARE(container.count(), 1);
    QCOMPARE(currentView(container), view);

    ModalScript script({answerAgreementDialog({"x"}, {"y"})});
    QVERIFY(container.requestAgreement().contains("<td><b>y</b></td><td>0.96209"));
    CONCORDA_VERIFY_SCRIPT(script);
}

// Opening another file and closing ask about unsaved edits: Save writes them and goes on,
// Discard goes on without them, Cancel keeps everything as it was.
void tst_DataVarWidget::unsavedEditsQuestion_data()
{
    QTest::addColumn<Command>("command");
    QTest::addColumn<QMessageBox::StandardButton>("answer");

    const QList<QPair<QString, Command>> commands{{"open", Command::Open},
                                                  {"open named file", Command::OpenNamed},
                                                  {"close", Command::Close}};
    const QList<QPair<QString, QMessageBox::StandardButton>> answers{
        {"save", QMessageBox::Save}, {"discard", QMessageBox::Discard}, {"cancel", QMessageBox::Cancel}};
    for (const auto &command : commands) {
        for (const auto &answer : answers)
            QTest::newRow(qPrintable(command.first + ", " + answer.first)) << command.second << answer.second;
    }
}

void tst_DataVarWidget::unsavedEditsQuestion()
{
    QFETCH(Command, command);
    QFETCH(QMessageBox::StandardButton, answer);

    QTemporaryDir dir;
    const QString first = writeFile(dir, "first.csv", "A,B\n1,2\n");
    const QString second = writeFile(dir, "second.csv", "P;Q\n4;5\n");
    DataVarWidget container;
    openInto(container, first);
    DataViewWidget *view = currentView(container);
    view->editCells({{0, 0, "9"}}, "typing");
    QVERIFY(container.isModified());

    QList<ModalScript::Handler> dialogs;
    QString question;
    dialogs.append(answerQuestion(answer, &question));
    const bool goesOn = answer != QMessageBox::Cancel;
    if (goesOn && command == Command::Open)
        dialogs.append(chooseFile(second));
    if (goesOn && command != Command::Close)
        dialogs.append(chooseDelimiter(";"));
    ModalScript script(dialogs);
    if (command == Command::Open)
        container.onOpenFile();
    else if (command == Command::OpenNamed)
        QCOMPARE(container.openFile(second), goesOn);
    else
        container.onCloseFile();
    CONCORDA_VERIFY_SCRIPT(script);
    QCOMPARE(question, QStringLiteral("The data of first.csv have changes that are not saved.\nSave them?"));

    QCOMPARE(contentOf(first), answer == QMessageBox::Save ? QByteArray("A,B\n9,2\n")
                                                           : QByteArray("A,B\n1,2\n"));
    if (!goesOn) {
        QCOMPARE(currentView(container), view);
        QCOMPARE(view->item(0, 0)->text(), QStringLiteral("9"));
        QVERIFY(container.isModified());
        QCOMPARE(container.fileName(), first);
    } else if (command == Command::Close) {
        QCOMPARE(container.count(), 0);
        QVERIFY(!container.currentDataView());
        QVERIFY(!container.isModified());
        QCOMPARE(container.fileName(), QString());
    } else {
        QCOMPARE(currentView(container)->getVarNames(), QStringList({"P", "Q"}));
        QVERIFY(!container.isModified());
        QCOMPARE(container.fileName(), second);
    }
}

// Without edits, or with every edit undone, nothing is asked.
void tst_DataVarWidget::noQuestionWithoutEdits()
{
    QTemporaryDir dir;
    DataVarWidget container;
    openInto(container, writeFile(dir, "first.csv", "A,B\n1,2\n"));
    currentView(container)->editCells({{0, 0, "9"}}, "typing");
    currentView(container)->undoStack()->undo();
    QVERIFY(!container.isModified());
    openInto(container, writeFile(dir, "second.csv", "P,Q\n4,5\n"));
    QCOMPARE(currentView(container)->getVarNames(), QStringList({"P", "Q"}));

    ModalScript none({});
    QVERIFY(container.maybeSave());
    container.onCloseFile();
    CONCORDA_VERIFY_SCRIPT(none);
    QCOMPARE(container.count(), 0);
}

// Save writes with the delimiter the file was opened with and marks the state clean; undo
// past that state makes the data modified again.
void tst_DataVarWidget::saveWritesAndMarksClean()
{
    QTemporaryDir dir;
    const QString path = writeFile(dir, "hba1c.csv", "ID;HPLC\n1;5,4\n2;6,1\n");
    DataVarWidget container;
    QSignalSpy fileNames(&container, SIGNAL(sFileNameChanged(QString)));
    QVERIFY(fileNames.isValid());
    openInto(container, path, ";");
    QCOMPARE(fileNames.count(), 1);
    QCOMPARE(fileNames.first().first().toString(), path);

    currentView(container)->editCells({{1, 1, "6.3"}}, "typing");
    QVERIFY(container.isModified());
    QVERIFY(container.onSave());
    QCOMPARE(contentOf(path), QByteArray("ID;HPLC\n1;5.4\n2;6.3\n"));
    QVERIFY(!container.isModified());
    currentView(container)->undoStack()->undo();
    QVERIFY(container.isModified());
    QCOMPARE(fileNames.count(), 1);
}

void tst_DataVarWidget::saveAsAsksNameAndDelimiter()
{
    QTemporaryDir dir;
    const QString path = writeFile(dir, "pair.csv", "x,y\n1,1\n2,3\n");
    DataVarWidget container;
    openInto(container, path);
    QSignalSpy fileNames(&container, SIGNAL(sFileNameChanged(QString)));
    QVERIFY(fileNames.isValid());

    const QString copy = dir.filePath("copy.csv");
    QString preselected;
    ModalScript script({chooseSaveFile(copy), [&preselected](QWidget *dialog) {
                            preselected = dialog->findChild<QComboBox *>()->currentText();
                            chooseDelimiter("\\t")(dialog);
                        }});
    QVERIFY(container.onSaveAs());
    CONCORDA_VERIFY_SCRIPT(script);
    QCOMPARE(preselected, QStringLiteral(","));
    QCOMPARE(contentOf(copy), QByteArray("x\ty\n1\t1\n2\t3\n"));
    QCOMPARE(contentOf(path), QByteArray("x,y\n1,1\n2,3\n"));
    QCOMPARE(container.fileName(), copy);
    QCOMPARE(fileNames.count(), 1);
    QCOMPARE(fileNames.first().first().toString(), copy);

    // Save now goes to the new file, with its delimiter.
    currentView(container)->editCells({{0, 1, "2"}}, "typing");
    QVERIFY(container.onSave());
    QCOMPARE(contentOf(copy), QByteArray("x\ty\n1\t2\n2\t3\n"));

    // Cancelled, Save As changes nothing.
    currentView(container)->editCells({{0, 1, "5"}}, "typing");
    ModalScript cancel({closeDialog()});
    QVERIFY(!container.onSaveAs());
    CONCORDA_VERIFY_SCRIPT(cancel);
    QVERIFY(container.isModified());
    QCOMPARE(container.fileName(), copy);
}

// Save chosen in the question but impossible (a cell holds the delimiter): the user is
// told, and the file is neither replaced nor closed.
void tst_DataVarWidget::failedSaveKeepsData()
{
    QTemporaryDir dir;
    const QString path = writeFile(dir, "first.csv", "A,B\n1,2\n");
    DataVarWidget container;
    openInto(container, path);
    DataViewWidget *view = currentView(container);
    view->editCells({{0, 1, "2,5"}}, "typing");

    QString message;
    ModalScript script({answerQuestion(QMessageBox::Save), acceptMessage(&message)});
    container.onCloseFile();
    CONCORDA_VERIFY_SCRIPT(script);
    QVERIFY2(message.startsWith("Row 1 of the variable \"B\""), qPrintable(message));
    QCOMPARE(currentView(container), view);
    QVERIFY(container.isModified());
    QCOMPARE(contentOf(path), QByteArray("A,B\n1,2\n"));
}

// The selected columns (all without a selection) in column order, each read by position,
// on the clipboard as HTML as well.
void tst_DataVarWidget::descriptiveReports_data()
{
    QTest::addColumn<bool>("mean");
    QTest::addColumn<QVector<QTableWidgetSelectionRange>>("selection");
    QTest::addColumn<QStringList>("rows");
    QTest::addColumn<QStringList>("absent");

    using Range = QTableWidgetSelectionRange;
    QTest::newRow("mean of every column")
        << true << QVector<Range>()
        << QStringList({"<td><b>A</b></td><td>3</td><td>2</td><td>-0.484138 to 4.48414</td><td>1</td>",
                        "<td><b>A</b></td><td>2</td><td>15</td>", "<td><b>C</b></td><td>0</td>"})
        << QStringList();
    QTest::newRow("SD of one selected cell's column")
        << false << QVector<Range>({Range(1, 1, 1, 1)})
        << QStringList({"<td><b>A</b></td><td>2</td><td>7.07107</td>"})
        << QStringList({"<td><b>C</b></td>", "<td>3</td>"});
}

void tst_DataVarWidget::descriptiveReports()
{
    QFETCH(bool, mean);
    QFETCH(QVector<QTableWidgetSelectionRange>, selection);
    QFETCH(QStringList, rows);
    QFETCH(QStringList, absent);

    QTemporaryDir dir;
    DataVarWidget container;
    // Two columns named A: the second must give its own figures. Row 3 holds text.
    openInto(container, writeFile(dir, "values.csv", "A,A,C\n1,10,\n2,20,x\n3,,\nNA,,\n"));
    for (const QTableWidgetSelectionRange &range : std::as_const(selection))
        currentView(container)->setRangeSelected(range, true);
    QGuiApplication::clipboard()->setText(QStringLiteral("held before"));

    const QString html = mean ? container.requestMean() : container.requestStandardDeviation();
    for (const QString &row : rows)
        QVERIFY2(html.contains(row), qPrintable(row + QLatin1Char('\n') + html));
    for (const QString &row : absent)
        QVERIFY2(!html.contains(row), qPrintable(row + QLatin1Char('\n') + html));
    const QMimeData *clipboard = QGuiApplication::clipboard()->mimeData();
    QVERIFY(clipboard && clipboard->hasHtml());
    QCOMPARE(clipboard->html(), html);
}

void tst_DataVarWidget::descriptiveWithoutFile()
{
    DataVarWidget container;
    QStringList texts;
    const auto box = [&texts](QWidget *modal) {
        auto *message = qobject_cast<QMessageBox *>(modal);
        QVERIFY(message);
        texts << message->text();
        message->accept();
    };
    ModalScript script({box, box});
    QVERIFY(container.requestMean().isEmpty());
    QVERIFY(container.requestStandardDeviation().isEmpty());
    CONCORDA_VERIFY_SCRIPT(script);
    const QString text = QStringLiteral("No csv document has been opened.\nPlease open your csv data file first.");
    QCOMPARE(texts, QStringList({text, text}));
}

QTEST_MAIN(tst_DataVarWidget)
#include "tst_datavarwidget.moc"
