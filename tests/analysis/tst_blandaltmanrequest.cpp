#include "blandaltmandialog.h"
#include "blandaltmanrequest.h"
#include "blandaltmanreport.h"
#include "drive.h"
#include "testdata.h"

#include <QClipboard>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QImage>
#include <QLabel>
#include <QMimeData>
#include <QtTest>

using analysis::Report;

namespace {

const QStringList variables = {"Ref", "A", "B", "Short"};

// Ref is the reference; A reads 1 higher with some spread, B 10 % higher, Short has only
// two readings.
QVector<QVariant> column(const QString &name)
{
    if (name == "Ref")
        return cells({10, 20, 30, 40, 50, 60});
    if (name == "A")
        return cells({11.2, 20.9, 31.1, 40.8, 51.3, 60.7});
    if (name == "B")
        return cells({11, 22.3, 32.9, 44.2, 54.8, 66.1});
    return cells({12, missing, missing, 41, missing, missing});
}

QMimeData const *clipboardData()
{
    return QGuiApplication::clipboard()->mimeData();
}

} // namespace

class tst_BlandAltmanRequest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void dialogDefaultsAndChoices();
    void goldStandardTakesOneVariable();
    void okNeedsBothLists();
    void reportOfColumns();
    void requestThroughTheDialog();
    void nothingToShow_data();
    void nothingToShow();
};

void tst_BlandAltmanRequest::init()
{
    QGuiApplication::clipboard()->setText(QStringLiteral("held before"));
}

// The dialog starts at the usual choices, and every entry of its lists chooses what it says.
void tst_BlandAltmanRequest::dialogDefaultsAndChoices()
{
    BlandAltmanDialog dialog(nullptr);
    const stats::BlandAltmanOptions defaults = dialog.options();
    QCOMPARE(defaults.differences, stats::DifferenceScale::Absolute);
    QCOMPARE(defaults.axis, stats::DifferenceAxis::PairMean);
    QCOMPARE(defaults.coverage, 0.95);
    QCOMPARE(defaults.alpha, 0.05);
    QCOMPARE(defaults.limitInterval, stats::LimitInterval::Exact);

    const QList<QComboBox *> boxes = dialog.findChildren<QComboBox *>();
    QCOMPARE(boxes.size(), 3);
    QCOMPARE(boxes.at(0)->itemText(2), QStringLiteral("Ratio (compared / reference)"));
    boxes.at(0)->setCurrentIndex(2);
    boxes.at(1)->setCurrentIndex(1);
    boxes.at(2)->setCurrentIndex(1);
    const QList<QDoubleSpinBox *> numbers = dialog.findChildren<QDoubleSpinBox *>();
    numbers.at(0)->setValue(0.9);
    numbers.at(1)->setValue(0.1);
    const stats::BlandAltmanOptions chosen = dialog.options();
    QCOMPARE(chosen.differences, stats::DifferenceScale::Ratio);
    QCOMPARE(chosen.axis, stats::DifferenceAxis::Reference);
    QCOMPARE(chosen.limitInterval, stats::LimitInterval::Approximate);
    QCOMPARE(chosen.coverage, 0.9);
    QCOMPARE(chosen.alpha, 0.1);
    // Neither spin box lets a value through that the analysis refuses.
    numbers.at(0)->setValue(1.0);
    numbers.at(1)->setValue(0.0);
    QVERIFY(stats::blandAltmanOptionsProblem(dialog.options()).isEmpty());
}

// Two variables selected at once: only the first becomes the Gold Standard; a second press
// adds nothing while it holds one; moving it back empties it.
void tst_BlandAltmanRequest::goldStandardTakesOneVariable()
{
    BlandAltmanDialog dialog(nullptr);
    dialog.setVariables(variables);
    dialog.variablesList()->item(0)->setSelected(true);
    dialog.variablesList()->item(1)->setSelected(true);
    emit dialog.moveGoldStandardButton()->pressed();
    QCOMPARE(dialog.goldStandard(), QStringLiteral("Ref"));
    QCOMPARE(dialog.goldStandardList()->count(), 1);
    dialog.variablesList()->clearSelection();
    dialog.variablesList()->item(0)->setSelected(true);
    emit dialog.moveGoldStandardButton()->pressed();
    QCOMPARE(dialog.goldStandardList()->count(), 1);
    QCOMPARE(dialog.variablesList()->count(), 3);

    dialog.goldStandardList()->item(0)->setSelected(true);
    QCOMPARE(dialog.moveGoldStandardButton()->arrowType(), Qt::LeftArrow);
    emit dialog.moveGoldStandardButton()->pressed();
    QCOMPARE(dialog.goldStandard(), QString());
    QCOMPARE(dialog.variablesList()->count(), 4);
}

void tst_BlandAltmanRequest::okNeedsBothLists()
{
    BlandAltmanDialog dialog(nullptr);
    dialog.setVariables(variables);
    QPushButton *ok = dialog.findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok);
    QVERIFY(!ok->isEnabled());
    dialog.variablesList()->item(0)->setSelected(true);
    emit dialog.moveGoldStandardButton()->pressed();
    QVERIFY(!ok->isEnabled());
    dialog.variablesList()->item(0)->setSelected(true);
    emit dialog.moveOtherDataButton()->pressed();
    QVERIFY(ok->isEnabled());
    QCOMPARE(dialog.otherData(), QStringList({"A"}));
}

// One row and one embedded plot per compared variable, in the order chosen; the plots can
// be drawn again for saving.
void tst_BlandAltmanRequest::reportOfColumns()
{
    QString problem;
    const Report report = analysis::blandAltmanReport("Ref", column("Ref"), {"B", "A"},
                                                      {column("B"), column("A")},
                                                      stats::BlandAltmanOptions(), &problem);
    QVERIFY2(problem.isEmpty(), qPrintable(problem));
    QCOMPARE(report.plots.size(), 2);
    QCOMPARE(report.plots.at(0).name, QStringLiteral("B"));
    QCOMPARE(report.plots.at(1).title, QStringLiteral("A − Ref"));
    QCOMPARE(report.html.count("<img src=\"data:image/png;base64,"), 2);
    QVERIFY(report.html.indexOf("class=\"name\">B<") < report.html.indexOf("class=\"name\">A<"));

    const Report refused = analysis::blandAltmanReport("Ref", column("Ref"), {"A", "Short"},
                                                       {column("A"), column("Short")},
                                                       stats::BlandAltmanOptions(), &problem);
    QVERIFY(refused.html.isEmpty());
    QVERIFY(refused.plots.isEmpty());
    QVERIFY2(problem.contains("Short has 2 complete pairs"), qPrintable(problem));
}

// Through the dialog: the report, and on the clipboard the document beside an image of the
// plots, one below the other.
void tst_BlandAltmanRequest::requestThroughTheDialog()
{
    ModalScript script({answerAnalysisDialog<BlandAltmanDialog>("Ref", {"A", "B"}, [](BlandAltmanDialog *dialog) {
        dialog->findChildren<QComboBox *>().at(0)->setCurrentIndex(1);
    })});
    const Report report = analysis::requestBlandAltman(nullptr, variables, column);
    CONCORDA_VERIFY_SCRIPT(script);
    QVERIFY(report.html.contains("<th>Bias, %<br>(95 % CI)</th>"));
    QCOMPARE(clipboardData()->html(), report.html);
    const QImage image = qvariant_cast<QImage>(clipboardData()->imageData());
    QCOMPARE(image.height(), 2 * image.width() * 3 / 4);
}

void tst_BlandAltmanRequest::nothingToShow_data()
{
    QTest::addColumn<bool>("cancel");
    QTest::newRow("cancelled") << true;
    QTest::newRow("a variable with too few pairs") << false;
}

// No report, the clipboard as it was, and for a variable that cannot be analysed a message
// that names it.
void tst_BlandAltmanRequest::nothingToShow()
{
    QFETCH(bool, cancel);
    QString message;
    ModalScript script(cancel ? QList<ModalScript::Handler>{closeDialog()}
                              : QList<ModalScript::Handler>{
                                  answerAnalysisDialog<BlandAltmanDialog>("Ref", {"Short"}),
                                  [&message](QWidget *modal) {
                                      QCOMPARE(modal->windowTitle(), QStringLiteral("Error"));
                                      message = modal->findChild<QLabel *>()->text();
                                      modal->close();
                                  }});
    const Report report = analysis::requestBlandAltman(nullptr, variables, column);
    CONCORDA_VERIFY_SCRIPT(script);
    QVERIFY(report.html.isEmpty());
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("held before"));
    if (!cancel)
        QVERIFY2(message.startsWith("The Bland–Altman analysis of Short could not be computed"),
                 qPrintable(message));
}

QTEST_MAIN(tst_BlandAltmanRequest)
#include "tst_blandaltmanrequest.moc"
