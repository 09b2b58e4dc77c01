#include "agreementrequest.h"
#include "datavarwidget.h"
#include "drive.h"
#include "testdata.h"

#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QClipboard>
#include <QLabel>
#include <QMimeData>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>

namespace {

// Columns A (the reference), B and C with gaps in different rows, and D = A + 1, whose
// differences from A have no spread. Read with the comma; the last line has no line feed.
const char *const csvText = "A,B,C,D\n"
                            "1,1.5,2,2\n"
                            "2,3,3,3\n"
                            "3,3,,4\n"
                            "4,5,5.5,5\n"
                            "5,5,7,6\n"
                            "6,,8,7\n"
                            "7,8,9,8";
const QVector<QVariant> columnA = cells({1, 2, 3, 4, 5, 6, 7});
const QVector<QVariant> columnB = cells({1.5, 3, 3, 5, 5, missing, 8});
const QVector<QVariant> columnC = cells({2, 3, missing, 5.5, 7, 8, 9});

QString expectedReport(const QVector<QVector<QVariant>> &others, const QVector<QVariant> &gold,
                       const QStringList &names, const stats::AgreementOptions &o)
{
    return stats::agreementDocument(others, gold, names, o);
}

QString clipboardHtml()
{
    const QMimeData *mime = QGuiApplication::clipboard()->mimeData();
    return mime && mime->hasHtml() ? mime->html() : QString();
}

} // namespace

class tst_AgreementRequest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanupTestCase();
    void columnsAndNamesInListOrder();
    void onlyFirstGoldStandardEntry();
    void optionsReachTheEngine();
    void nothingToReport_data();
    void nothingToReport();
    void libraryErrorBecomesMessage();
    void reportPlacesDocumentOnClipboard();

private:
    QTemporaryDir dir;
    QString path;
    DataVarWidget *container = nullptr;
};

void tst_AgreementRequest::initTestCase()
{
    QVERIFY(dir.isValid());
    path = dir.filePath("request.csv");
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(csvText);
}

void tst_AgreementRequest::init()
{
    delete container;
    container = new DataVarWidget;
    ModalScript script({chooseFile(path), chooseDelimiter()});
    container->onOpenFile();
    CONCORDA_VERIFY_SCRIPT(script);
    QCOMPARE(container->count(), 1);
    QGuiApplication::clipboard()->setText(QStringLiteral("held before"));
}

void tst_AgreementRequest::cleanupTestCase()
{
    delete container;
    container = nullptr;
}

void tst_AgreementRequest::columnsAndNamesInListOrder()
{
    ModalScript script({answerAgreementDialog({"A"}, {"C", "B"})});
    const QString html = container->requestAgreement();
    CONCORDA_VERIFY_SCRIPT(script);
    QCOMPARE(html, expectedReport({columnC, columnB}, columnA, {"C", "B"}, stats::AgreementOptions()));
    QVERIFY(html.indexOf("<b>C</b>") < html.indexOf("<b>B</b>"));
    QVERIFY(html.contains("<td>6</td></tr>"));
    QCOMPARE(clipboardHtml(), html);
}

void tst_AgreementRequest::onlyFirstGoldStandardEntry()
{
    ModalScript script({answerAgreementDialog({"A", "B"}, {"C"})});
    QCOMPARE(container->requestAgreement(),
             expectedReport({columnC}, columnA, {"C"}, stats::AgreementOptions()));
}

void tst_AgreementRequest::optionsReachTheEngine()
{
    ModalScript script({answerAgreementDialog({"A"}, {"B"}, [](CustomDialog *dialog) {
        for (QCheckBox *box : dialog->findChildren<QCheckBox *>())
            box->setChecked(true);
        const QList<QDoubleSpinBox *> spins = dialog->findChildren<QDoubleSpinBox *>();
        spins[0]->setValue(25);
        spins[1]->setValue(0.8);
        spins[2]->setValue(0.1);
    })});
    stats::AgreementOptions options;
    options.tdiAllowance = 25;
    options.cpAllowance = 0.8;
    options.alpha = 0.1;
    options.proportional = true;
    options.random = true;
    const QString html = container->requestAgreement();
    QVERIFY(html.contains("TDI Allowance: 25</b></td><td><b>CP Allowance: 0.8</b></td><td><b>Alpha: 0.1<"));
    QCOMPARE(html, expectedReport({columnB}, columnA, {"B"}, options));
}

void tst_AgreementRequest::nothingToReport_data()
{
    QTest::addColumn<QStringList>("gold");
    QTest::addColumn<QStringList>("others");
    QTest::addColumn<bool>("cancel");
    QTest::newRow("cancelled") << QStringList{"A"} << QStringList{"B"} << true;
    QTest::newRow("both lists empty") << QStringList() << QStringList() << false;
    QTest::newRow("no Gold Standard") << QStringList() << QStringList{"B"} << false;
    QTest::newRow("no Other Data") << QStringList{"A"} << QStringList() << false;
}

// No report, no message and the clipboard as it was.
void tst_AgreementRequest::nothingToReport()
{
    QFETCH(QStringList, gold);
    QFETCH(QStringList, others);
    QFETCH(bool, cancel);
    ModalScript script({cancel ? closeDialog() : answerAgreementDialog(gold, others)});
    QCOMPARE(container->requestAgreement(), QString());
    CONCORDA_VERIFY_SCRIPT(script);
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("held before"));
    QCoreApplication::processEvents();
    QVERIFY(!QApplication::activeModalWidget());
}

// D differs from A by the same amount in every row, so CP cannot be computed: the user is
// told why, the clipboard keeps what it held, and the next request works.
void tst_AgreementRequest::libraryErrorBecomesMessage()
{
    QString title, text, button;
    ModalScript script({answerAgreementDialog({"A"}, {"B", "D"}), [&](QWidget *modal) {
                            title = modal->windowTitle();
                            text = modal->findChild<QLabel *>()->text();
                            const QList<QPushButton *> buttons = modal->findChildren<QPushButton *>();
                            button = buttons.value(0)->text();
                            buttons.value(0)->click();
                        }});
    QCOMPARE(container->requestAgreement(), QString());
    CONCORDA_VERIFY_SCRIPT(script);
    QCOMPARE(title, QStringLiteral("Error"));
    QCOMPARE(button, QStringLiteral("Accept"));
    QVERIFY2(text.startsWith("The agreement of D with the Gold Standard could not be computed: "
                             "the differences between D and the Gold Standard have no spread"),
             qPrintable(text));
    QCOMPARE(text.count('\n'), 1);
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("held before"));

    ModalScript again({answerAgreementDialog({"A"}, {"B"})});
    QVERIFY(!container->requestAgreement().isEmpty());
    CONCORDA_VERIFY_SCRIPT(again);
}

// The report the design names places its document on the clipboard itself, both forms,
// replacing what the clipboard held; a library error leaves the clipboard alone.
void tst_AgreementRequest::reportPlacesDocumentOnClipboard()
{
    const QVector<QVariant> columnD = cells({2, 3, 4, 5, 6, 7, 8});
    const QString html = analysis::agreementReport({columnB}, columnA, {"B"}, 10, 0.9, 0.05,
                                                   false, true, true);
    QCOMPARE(html, expectedReport({columnB}, columnA, {"B"}, [] {
                 stats::AgreementOptions o;
                 o.random = true;
                 return o;
             }()));
    QCOMPARE(clipboardHtml(), html);

    QGuiApplication::clipboard()->setText(QStringLiteral("held before"));
    QVERIFY_EXCEPTION_THROWN(analysis::agreementReport({columnD}, columnA, {"D"},
                                                       stats::AgreementOptions()),
                             std::domain_error);
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("held before"));
}

QTEST_MAIN(tst_AgreementRequest)
#include "tst_agreementrequest.moc"
