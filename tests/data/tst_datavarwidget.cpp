#include "datavarwidget.h"
#include "dataviewwidget.h"
#include "drive.h"
#include "importexport.h"
#include "testdata.h"

#include <QMessageBox>
#include <QPointer>
#include <QTemporaryDir>
#include <QtTest>

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
};

void tst_DataVarWidget::metaObjectOrder()
{
    QCOMPARE(ownMethods(DataVarWidget::staticMetaObject),
             QStringList({"signal sWrongType(QString)", "signal sVarNewVarAdded(QString)",
                          "slot onOpenFile()"}));

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

QTEST_MAIN(tst_DataVarWidget)
#include "tst_datavarwidget.moc"
