// The one road of the analyses from the menu to the report: the dialog made from the
// options' declarations, the run on the columns read through the readers, the message of a
// problem, the clipboard.
#include "analysisrequest.h"
#include "drive.h"
#include "optionsform.h"
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

const QStringList variables = {"Ref", "A", "B", "Short"};

// Ref is the reference; A reads 1 higher with some spread, B 10 % higher, Short has only
// two readings.
QVector<QVariant> column(const QString &name)
{
    if (name == "Ref")
        return cells({10, 20, 30, 40, 50, 60, 70});
    if (name == "A")
        return cells({11.2, 20.9, 32.1, 42.8, 52.3, 63.7, 73.1});
    if (name == "B")
        return cells({11, 22.3, 32.9, 44.2, 54.8, 66.1, 77.2});
    return cells({12, missing, missing, 41, missing, missing, missing});
}

QStringList texts(const QString &)
{
    return {};
}

const stats::Analysis &analysisOf(const char *id)
{
    return *stats::findAnalysis(QLatin1String(id));
}

QPushButton *okButton(QDialog &dialog)
{
    return dialog.findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok);
}

void choose(AnalysisDialog &dialog, const QString &gold, const QString &other)
{
    dialog.variablesList()->findItems(gold, Qt::MatchExactly).first()->setSelected(true);
    emit dialog.moveGoldStandardButton()->pressed();
    dialog.variablesList()->clearSelection();
    dialog.variablesList()->findItems(other, Qt::MatchExactly).first()->setSelected(true);
    emit dialog.moveOtherDataButton()->pressed();
}

stats::AnalysisInput input(const stats::Analysis &analysis, const QStringList &names)
{
    stats::AnalysisInput in;
    in.referenceName = QStringLiteral("Ref");
    in.reference = column("Ref");
    in.names = names;
    in.labels = names;
    for (const QString &name : names)
        in.compared.append(column(name));
    in.options = stats::defaultOptionValues(analysis.options());
    return in;
}

} // namespace

class tst_AnalysisRequest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void formStartsAtTheDefaults_data();
    void formStartsAtTheDefaults();
    void blandAltmanChoices();
    void regressionChoices();
    void goldStandardTakesOneVariable();
    void okNeedsBothLists();
    void decisionLevelsMustRead_data();
    void decisionLevelsMustRead();
    void reportOfColumns();
    void requestThroughTheDialog_data();
    void requestThroughTheDialog();
    void nothingToShow_data();
    void nothingToShow();
    void stoppedRunGivesNothing_data();
    void stoppedRunGivesNothing();
};

void tst_AnalysisRequest::init()
{
    QGuiApplication::clipboard()->setText(QStringLiteral("held before"));
}

void tst_AnalysisRequest::formStartsAtTheDefaults_data()
{
    QTest::addColumn<QString>("id");
    for (const stats::Analysis *analysis : stats::analyses()) {
        if (analysis->id() != QLatin1String(stats::agreementId))
            QTest::newRow(qPrintable(analysis->id())) << analysis->id();
    }
}

// Every analysis's dialog starts at the declared defaults, with a labelled field per option.
void tst_AnalysisRequest::formStartsAtTheDefaults()
{
    QFETCH(QString, id);
    const stats::Analysis &analysis = *stats::findAnalysis(id);
    AnalysisDialog dialog(nullptr, analysis);
    QCOMPARE(dialog.windowTitle(), analysis.dialogTitle());
    const stats::OptionValues defaults = stats::defaultOptionValues(analysis.options());
    const stats::OptionValues shown = dialog.options();
    for (const stats::OptionDeclaration &declaration : analysis.options()) {
        QCOMPARE(shown.value(declaration.name), defaults.value(declaration.name));
        QCOMPARE(dialog.optionsForm()->field(declaration.name) != nullptr, declaration.shorthandFor.isEmpty());
    }
}

// Every entry of the lists chooses what it says; neither number field lets a value
// through that the analysis refuses.
void tst_AnalysisRequest::blandAltmanChoices()
{
    AnalysisDialog dialog(nullptr, analysisOf("bland-altman"));
    const QList<QComboBox *> boxes = dialog.findChildren<QComboBox *>();
    QCOMPARE(boxes.size(), 5);
    QCOMPARE(boxes.at(0)->itemText(2), QStringLiteral("Ratio (compared / reference)"));
    boxes.at(0)->setCurrentIndex(2);
    boxes.at(1)->setCurrentIndex(1);
    boxes.at(3)->setCurrentIndex(1);
    const QList<QDoubleSpinBox *> numbers = dialog.findChildren<QDoubleSpinBox *>();
    numbers.at(0)->setValue(0.9);
    numbers.at(1)->setValue(0.1);
    const stats::OptionValues chosen = dialog.options();
    QCOMPARE(chosen.choice("differences"), 2);
    QCOMPARE(chosen.choice("x-axis"), 1);
    QCOMPARE(chosen.choice("loa-ci"), 1);
    QCOMPARE(chosen.number("loa-coverage"), 0.9);
    QCOMPARE(chosen.number("alpha"), 0.1);
    numbers.at(0)->setValue(1.0);
    numbers.at(1)->setValue(0.0);
    QVERIFY(stats::optionsProblem(analysisOf("bland-altman"), dialog.options(),
                                  stats::OptionNames::Dialog).isEmpty());

    // The kind of interval belongs to the constant limits.
    boxes.at(2)->setCurrentIndex(2);
    QCOMPARE(dialog.options().choice("loa-method"), 2);
    QVERIFY(!boxes.at(3)->isEnabled());
    boxes.at(2)->setCurrentIndex(0);
    QVERIFY(boxes.at(3)->isEnabled());

    // The design of replicates applies with a subject column only, the kind of interval of
    // the limits without one.
    QVERIFY(!boxes.at(4)->isEnabled());
    dialog.setVariables({"Subject"});
    dialog.variablesList()->item(0)->setSelected(true);
    emit dialog.moveSubjectButton()->pressed();
    QCOMPARE(dialog.subject(), QStringLiteral("Subject"));
    QVERIFY(boxes.at(4)->isEnabled());
    QVERIFY(!boxes.at(3)->isEnabled());
    QVERIFY(dialog.options().subjectColumn());
}

// Lambda is offered for the Deming methods only; every choice reaches the options.
void tst_AnalysisRequest::regressionChoices()
{
    AnalysisDialog dialog(nullptr, analysisOf("regression"));
    QComboBox *method = dialog.findChild<QComboBox *>();
    const QList<QDoubleSpinBox *> numbers = dialog.findChildren<QDoubleSpinBox *>();
    QDoubleSpinBox *lambda = numbers.at(0);
    QVERIFY(!lambda->isEnabled());
    method->setCurrentIndex(2);
    QVERIFY(lambda->isEnabled());
    lambda->setValue(0.25);
    numbers.at(1)->setValue(0.01);
    dialog.findChild<QLineEdit *>()->setText(QStringLiteral("5,5; 7"));
    QVERIFY(dialog.findChild<QCheckBox *>()->isChecked());
    dialog.findChild<QCheckBox *>()->setChecked(false);
    const stats::OptionValues chosen = dialog.options();
    QCOMPARE(chosen.choice("method"), 2);
    QCOMPARE(chosen.number("error-ratio"), 0.25);
    QCOMPARE(chosen.number("alpha"), 0.01);
    QCOMPARE(chosen.numbers("decision-levels"), QVector<double>({5.5, 7}));
    QVERIFY(!chosen.flag("equal-scales"));
    method->setCurrentIndex(0);
    QVERIFY(!lambda->isEnabled());
}

// Two variables selected at once: only the first becomes the Gold Standard; a second press
// adds nothing while it holds one; moving it back empties it.
void tst_AnalysisRequest::goldStandardTakesOneVariable()
{
    AnalysisDialog dialog(nullptr, analysisOf("bland-altman"));
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

void tst_AnalysisRequest::okNeedsBothLists()
{
    AnalysisDialog dialog(nullptr, analysisOf("bland-altman"));
    dialog.setVariables(variables);
    QVERIFY(!okButton(dialog)->isEnabled());
    dialog.variablesList()->item(0)->setSelected(true);
    emit dialog.moveGoldStandardButton()->pressed();
    QVERIFY(!okButton(dialog)->isEnabled());
    dialog.variablesList()->item(0)->setSelected(true);
    emit dialog.moveOtherDataButton()->pressed();
    QVERIFY(okButton(dialog)->isEnabled());
    QCOMPARE(dialog.otherData(), QStringList({"A"}));
}

void tst_AnalysisRequest::decisionLevelsMustRead_data()
{
    QTest::addColumn<QString>("levels");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("none") << QString() << true;
    QTest::newRow("two") << QStringLiteral("6,5 8") << true;
    QTest::newRow("a word") << QStringLiteral("6,5 eight") << false;
}

// OK waits for both lists and for decision levels that read as numbers; the dialog says
// which text is not one.
void tst_AnalysisRequest::decisionLevelsMustRead()
{
    QFETCH(QString, levels);
    QFETCH(bool, accepted);
    AnalysisDialog dialog(nullptr, analysisOf("regression"));
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

// One row and one embedded plot per compared variable, in the order chosen; the plots can
// be drawn again for saving.
void tst_AnalysisRequest::reportOfColumns()
{
    const stats::Analysis &blandAltman = analysisOf("bland-altman");
    stats::Problem problem;
    const Report report = analysis::analysisReport(blandAltman, input(blandAltman, {"B", "A"}), &problem);
    QVERIFY2(problem.isEmpty(), qPrintable(problem.message));
    QCOMPARE(report.plots.size(), 2);
    QCOMPARE(report.plots.at(0).name, QStringLiteral("B"));
    QCOMPARE(report.plots.at(1).fileTitle, QStringLiteral("A − Ref"));
    QCOMPARE(report.html.count("<img src=\"data:image/png;base64,"), 2);
    QVERIFY(report.html.indexOf("class=\"name\">B<") < report.html.indexOf("class=\"name\">A<"));

    const Report refused = analysis::analysisReport(blandAltman, input(blandAltman, {"A", "Short"}), &problem);
    QVERIFY(refused.html.isEmpty());
    QVERIFY(refused.plots.isEmpty());
    QCOMPARE(problem.variable, QStringLiteral("Short"));
    QVERIFY2(problem.message.contains("Short has 2 complete pairs"), qPrintable(problem.message));
}

void tst_AnalysisRequest::requestThroughTheDialog_data()
{
    QTest::addColumn<QString>("id");
    QTest::addColumn<QStringList>("others");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<int>("rows");
    QTest::addColumn<int>("plotsPerVariable");
    QTest::newRow("bland-altman, percentages") << "bland-altman" << QStringList{"A", "B"}
                                               << "<th>Bias, %<br>(95 % CI)</th>" << 2 << 1;
    QTest::newRow("Deming with decision levels") << "regression" << QStringList{"A"}
                                                 << "Deming, error ratio λ = 1" << 3 << 2;
}

// Through the dialog: the report, and on the clipboard the document beside an image of the
// plots, one below the other.
void tst_AnalysisRequest::requestThroughTheDialog()
{
    QFETCH(QString, id);
    QFETCH(QStringList, others);
    QFETCH(QString, expected);
    QFETCH(int, rows);
    QFETCH(int, plotsPerVariable);
    ModalScript script({answerAnalysisDialog("Ref", others, [](AnalysisDialog *dialog) {
        dialog->findChildren<QComboBox *>().at(0)->setCurrentIndex(1);
        if (auto *levels = dialog->findChild<QLineEdit *>())
            levels->setText(QStringLiteral("25; 50"));
    })});
    const Report report = analysis::requestAnalysis(nullptr, *stats::findAnalysis(id), variables,
                                                    column, texts);
    CONCORDA_VERIFY_SCRIPT(script);
    QVERIFY2(report.html.contains(expected), qPrintable(report.html));
    QCOMPARE(report.html.count("<tr><td class=\"name\">A</td><td>"), rows / others.size());
    QCOMPARE(report.plots.size(), others.size() * plotsPerVariable);
    QCOMPARE(QGuiApplication::clipboard()->mimeData()->html(), report.html);
    const QImage image = qvariant_cast<QImage>(QGuiApplication::clipboard()->mimeData()->imageData());
    QCOMPARE(image.height(), report.plots.size() * image.width() * 3 / 4);
}

void tst_AnalysisRequest::nothingToShow_data()
{
    QTest::addColumn<QString>("id");
    QTest::addColumn<bool>("cancel");
    QTest::addColumn<QString>("expected");
    QTest::newRow("cancelled") << "bland-altman" << true << QString();
    QTest::newRow("bland-altman, too few pairs")
        << "bland-altman" << false << "The Bland–Altman analysis of Short could not be computed";
    QTest::newRow("regression, too few pairs") << "regression" << false << "Short has 2 complete pairs";
}

// No report, the clipboard as it was, and for a variable that cannot be analysed a message
// that names it.
void tst_AnalysisRequest::nothingToShow()
{
    QFETCH(QString, id);
    QFETCH(bool, cancel);
    QFETCH(QString, expected);
    QString message;
    ModalScript script(cancel ? QList<ModalScript::Handler>{closeDialog()}
                              : QList<ModalScript::Handler>{
                                  answerAnalysisDialog("Ref", {"Short"}),
                                  [&message](QWidget *modal) {
                                      QCOMPARE(modal->windowTitle(), QStringLiteral("Error"));
                                      message = modal->findChild<QLabel *>()->text();
                                      modal->close();
                                  }});
    const Report report = analysis::requestAnalysis(nullptr, *stats::findAnalysis(id), variables,
                                                    column, texts);
    CONCORDA_VERIFY_SCRIPT(script);
    QVERIFY(report.html.isEmpty());
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("held before"));
    QVERIFY2(message.contains(expected), qPrintable(message));
}

void tst_AnalysisRequest::stoppedRunGivesNothing_data()
{
    QTest::addColumn<int>("method");
    QTest::newRow("Passing–Bablok") << 0;
    QTest::newRow("weighted Deming") << 2;
}

// A long fit asks its caller now and then whether to go on; told to stop, the run gives no
// report and says it was stopped, so that nothing is shown or placed on the clipboard.
void tst_AnalysisRequest::stoppedRunGivesNothing()
{
    QFETCH(int, method);
    const stats::Analysis &regression = analysisOf("regression");
    stats::AnalysisInput in = input(regression, {});
    in.reference.clear();
    QVector<QVariant> compared;
    for (int i = 0; i < 4000; ++i) {
        in.reference.append(10.0 + (i * 7919 % 4001) / 10.0);
        compared.append(in.reference.last().toDouble() * 1.02 + (i * 104729 % 101) / 100.0);
    }
    in.names = in.labels = QStringList{"A"};
    in.compared = {compared};
    in.options.set(QStringLiteral("method"), method);
    int calls = 0;
    bool withinRange = true;
    in.progress = [&calls, &withinRange](double done) {
        withinRange = withinRange && done >= 0.0 && done <= 1.0;
        return ++calls < 2;
    };
    stats::Problem problem;
    const Report report = analysis::analysisReport(regression, in, &problem);
    QVERIFY(calls >= 2);
    QVERIFY(withinRange);
    QVERIFY(problem.stopped);
    QVERIFY(report.html.isEmpty());
    QVERIFY(report.plots.isEmpty());
}

QTEST_MAIN(tst_AnalysisRequest)
#include "tst_analysisrequest.moc"
