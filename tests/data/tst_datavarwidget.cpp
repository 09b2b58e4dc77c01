#include "datavarwidget.h"
#include "importexport.h"
#include "modal.h"

#include <QMessageBox>
#include <QMetaMethod>
#include <QtTest>

class tst_DataVarWidget : public QObject
{
    Q_OBJECT

private slots:
    void metaObjectOrder();
    void startsEmpty();
    void agreementWithoutFile();
};

void tst_DataVarWidget::metaObjectOrder()
{
    const QMetaObject &meta = DataVarWidget::staticMetaObject;
    QStringList methods;
    for (int i = meta.methodOffset(); i < meta.methodCount(); ++i)
        methods << QString::fromLatin1(meta.method(i).methodSignature());
    QCOMPARE(methods, QStringList({"sWrongType(QString)", "sVarNewVarAdded(QString)", "onOpenFile()"}));
    QCOMPARE(meta.method(meta.methodOffset()).methodType(), QMetaMethod::Signal);
    QCOMPARE(meta.method(meta.methodOffset() + 2).methodType(), QMetaMethod::Slot);

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
    whenModalShown([&](QWidget *modal) {
        if (auto *box = qobject_cast<QMessageBox *>(modal)) {
            texts << box->text();
            QCOMPARE(box->windowTitle(), QString());
            box->accept();
        }
    });
    const QString report = container.requestAgreement();
    QVERIFY(report.isEmpty());
    QCOMPARE(texts, QStringList({"No csv document has been opened.\nPlease open your csv data file first."}));
}

QTEST_MAIN(tst_DataVarWidget)
#include "tst_datavarwidget.moc"
