#include "drive.h"
#include "regressiondialog.h"
#include "regressionrequest.h"
#include "testdata.h"

#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QtTest>

using analysis::Report;

namespace {

const QStringList variables = {"Ref", "A", "Short"};

QVector<QVariant> column(const QString &name)
{
    if (name == "Ref")
        return cells({10, 20, 30, 40, 50, 60, 70});
    if (name == "A")
        return cells({11.2, 20.9, 32.1, 42.8, 52.3, 63.7, 73.1});
    return cells({12, missing, missing, 41, missing, missing, missing});
}

QPushButton *okButton(QDialog &dialog)
{
    return dialog.findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok);
}

void choose(RegressionDialog &dialog, const QString &gold, const QString &other)
{
    dialog.variablesList()->findItems(gold, Qt::MatchExactly).first()->setSelected(true);
    emit dialog.moveGoldStandardButton()->pressed();
    dialog.variablesList()->clearSelection();
    dialog.variablesList()->findItems(other, Qt::MatchExactly).first()->setSelected(true);
    emit dialog.moveOtherDataButton()->pressed();
}

} // namespace

class tst_RegressionRequest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void dialogChoices();
    void decisionLevelsMustRead_data();
    void decisionLevelsMustRead();
    void requestThroughTheDialog();
    void problemIsTold();
};

void tst_RegressionRequest::init()
{
    QGuiApplication::clipboard()->setText(QStringLiteral("held before"));
}

// Lambda is offered for the Deming methods only; every choice reaches the options.
void tst_RegressionRequest::dialogChoices()
{
    RegressionDialog dialog(nullptr);
    const stats::RegressionOptions defaults = dialog.options();
    QCOMPARE(defaults.method, stats::RegressionMethod::PassingBablok);
    QCOMPARE(defaults.errorRatio, 1.0);
    QCOMPARE(defaults.alpha, 0.05);
    QVERIFY(defaults.decisionLevels.isEmpty());
    QVERIFY(dialog.equalScales());

    QComboBox *method = dialog.findChild<QComboBox *>();
    const QList<QDoubleSpinBox *> numbers = dialog.findChildren<QDoubleSpinBox *>();
    QDoubleSpinBox *lambda = numbers.at(0);
    QVERIFY(!lambda->isEnabled());
    method->setCurrentIndex(2);
    QVERIFY(lambda->isEnabled());
    lambda->setValue(0.25);
    numbers.at(1)->setValue(0.01);
    dialog.findChild<QLineEdit *>()->setText(QStringLiteral("5,5; 7"));
    dialog.findChild<QCheckBox *>()->setChecked(false);
    const stats::RegressionOptions chosen = dialog.options();
    QCOMPARE(chosen.method, stats::RegressionMethod::WeightedDeming);
    QCOMPARE(chosen.errorRatio, 0.25);
    QCOMPARE(chosen.alpha, 0.01);
    QCOMPARE(chosen.decisionLevels, QVector<double>({5.5, 7}));
    QVERIFY(!dialog.equalScales());
    method->setCurrentIndex(0);
    QVERIFY(!lambda->isEnabled());
}

void tst_RegressionRequest::decisionLevelsMustRead_data()
{
    QTest::addColumn<QString>("levels");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("none") << QString() << true;
    QTest::newRow("two") << QStringLiteral("6,5 8") << true;
    QTest::newRow("a word") << QStringLiteral("6,5 eight") << false;
}

// OK waits for both lists and for decision levels that read as numbers; the dialog says
// which text is not one.
void tst_RegressionRequest::decisionLevelsMustRead()
{
    QFETCH(QString, levels);
    QFETCH(bool, accepted);
    RegressionDialog dialog(nullptr);
    dialog.setVariables(variables);
    dialog.findChild<QLineEdit *>()->setText(levels);
    QVERIFY(!okButton(dialog)->isEnabled());
    choose(dialog, "Ref", "A");
    QCOMPARE(okButton(dialog)->isEnabled(), accepted);
    bool warned = false;
    for (const QLabel *label : dialog.findChildren<QLabel *>())
        warned = warned || label->text() == QStringLiteral("“eight” is not a number");
    QCOMPARE(warned, !accepted);
    dialog.findChild<QLineEdit *>()->clear();
    QVERIFY(okButton(dialog)->isEnabled());
}

void tst_RegressionRequest::requestThroughTheDialog()
{
    ModalScript script({answerAnalysisDialog<RegressionDialog>("Ref", {"A"}, [](RegressionDialog *dialog) {
        dialog->findChild<QComboBox *>()->setCurrentIndex(1);
        dialog->findChild<QLineEdit *>()->setText(QStringLiteral("25; 50"));
    })});
    const Report report = analysis::requestRegression(nullptr, variables, column);
    CONCORDA_VERIFY_SCRIPT(script);
    QVERIFY2(report.html.contains("Deming, error ratio λ = 1"), qPrintable(report.html));
    QCOMPARE(report.html.count("<tr><td class=\"name\">A</td><td>"), 3);
    QCOMPARE(report.plots.size(), 1);
    QCOMPARE(QGuiApplication::clipboard()->mimeData()->html(), report.html);
    QVERIFY(!qvariant_cast<QImage>(QGuiApplication::clipboard()->mimeData()->imageData()).isNull());
}

void tst_RegressionRequest::problemIsTold()
{
    QString message;
    ModalScript script({answerAnalysisDialog<RegressionDialog>("Ref", {"Short"}), [&message](QWidget *modal) {
                            message = modal->findChild<QLabel *>()->text();
                            modal->close();
                        }});
    const Report report = analysis::requestRegression(nullptr, variables, column);
    CONCORDA_VERIFY_SCRIPT(script);
    QVERIFY(report.html.isEmpty());
    QVERIFY2(message.contains("Short has 2 complete pairs"), qPrintable(message));
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("held before"));
}

QTEST_MAIN(tst_RegressionRequest)
#include "tst_regressionrequest.moc"
