#include "customdialog.h"
#include "modal.h"
#include "testdata.h"

#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QGridLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>
#include <QtTest>

#include <memory>

namespace {

QStringList itemTexts(const QListWidget *list)
{
    QStringList texts;
    for (int row = 0; row < list->count(); ++row)
        texts << list->item(row)->text();
    return texts;
}

QWidget *widgetAt(const QDialog &dialog, int row, int column)
{
    auto *grid = qobject_cast<QGridLayout *>(dialog.layout());
    QLayoutItem *item = grid ? grid->itemAtPosition(row, column) : nullptr;
    return item ? item->widget() : nullptr;
}

// The dialog's parts, found the way a user sees them: by their place in the grid.
struct AgreementParts
{
    explicit AgreementParts(CustomDialog &dialog)
        : vars(qobject_cast<QListWidget *>(widgetAt(dialog, 1, 0)))
        , gold(dialog.goldStandardList())
        , other(dialog.otherDataList())
        , moveGold(qobject_cast<QToolButton *>(widgetAt(dialog, 1, 1)))
        , moveOther(qobject_cast<QToolButton *>(widgetAt(dialog, 3, 1)))
    {
    }

    void select(QListWidget *list, const QStringList &names) const
    {
        list->clearSelection();
        for (const QString &name : names)
            list->findItems(name, Qt::MatchExactly).first()->setSelected(true);
    }

    QListWidget *vars;
    QListWidget *gold;
    QListWidget *other;
    QToolButton *moveGold;
    QToolButton *moveOther;
};

} // namespace

class tst_CustomDialog : public QObject
{
    Q_OBJECT

private slots:
    void metaObjectOrder();
    void messageMode();
    void agreementDefaults();
    void agreementGrid();
    void tabOrder();
    void moveButtonsStartWithoutArrow();
    void goldStandardTakesVariablesOnlyWhileEmpty();
    void movingBackAppends();
    void otherDataTakesVariablesPressByPress();
    void spinBoxLimits_data();
    void spinBoxLimits();
    void closing_data();
    void closing();
};

void tst_CustomDialog::metaObjectOrder()
{
    QCOMPARE(ownMethods(CustomDialog::staticMetaObject),
             QStringList({"slot onAcceptButtonClicked()", "slot onCancelButtonClicked()",
                          "slot onAgreementDialog(QStringList)",
                          "slot onMoveVars2GSTDButtonClicked()",
                          "slot onMoveVars2OFButtonClicked()", "slot onVarsListItemsSelected()",
                          "slot onChosenGSTDListItemSelected()",
                          "slot onChosenOFListItemSelected()"}));
    QCOMPARE(QString::fromLatin1(CustomDialog::staticMetaObject.className()), QStringLiteral("CustomDialog"));
}

void tst_CustomDialog::messageMode()
{
    CustomDialog dialog(nullptr);
    dialog.setMessage("Some <b>text</b>", "A title", "Close");
    dialog.show();

    auto *label = qobject_cast<QLabel *>(widgetAt(dialog, 0, 0));
    auto *button = qobject_cast<QPushButton *>(widgetAt(dialog, 1, 0));
    QVERIFY(label);
    QVERIFY(button);
    QCOMPARE(label->text(), QStringLiteral("Some <b>text</b>"));
    QCOMPARE(label->textFormat(), Qt::PlainText);
    QCOMPARE(button->text(), QStringLiteral("Close"));
    QCOMPARE(dialog.windowTitle(), QStringLiteral("A title"));
    QVERIFY(dialog.isModal());
    QCOMPARE(dialog.windowModality(), Qt::ApplicationModal);

    int visibleChildren = 0;
    for (QWidget *child : dialog.findChildren<QWidget *>(QString(), Qt::FindDirectChildrenOnly))
        visibleChildren += child->isVisible() ? 1 : 0;
    QCOMPARE(visibleChildren, 2);

    QTest::mouseClick(button, Qt::LeftButton);
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QVERIFY(!dialog.isVisible());
}

void tst_CustomDialog::agreementDefaults()
{
    CustomDialog dialog(nullptr);
    dialog.onAgreementDialog({"A", "B", "", "A"});

    QCOMPARE(dialog.tdiAllowance(), 10.0);
    QCOMPARE(dialog.cpAllowance(), 0.9);
    QCOMPARE(dialog.alpha(), 0.05);
    QVERIFY(!dialog.isProportional());
    QVERIFY(!dialog.isRandom());

    // The fields are DoubleSpinBoxes, which have no meta-object of their own: Qt finds them
    // by their base class.
    const QList<QDoubleSpinBox *> spins = dialog.findChildren<QDoubleSpinBox *>();
    QCOMPARE(spins.size(), 3);
    QCOMPARE(spins[0]->text(), QStringLiteral("10.00"));
    QCOMPARE(spins[1]->text(), QStringLiteral("0.90"));
    QCOMPARE(spins[2]->text(), QStringLiteral("0.05"));

    AgreementParts parts(dialog);
    QCOMPARE(itemTexts(parts.vars), QStringList({"A", "B", "", "A"}));
    for (int row = 0; row < parts.vars->count(); ++row) {
        const QIcon icon = parts.vars->item(row)->icon();
        QVERIFY(!icon.isNull());
        QCOMPARE(icon.availableSizes().value(0), QSize(24, 24));
    }
    QVERIFY(parts.gold->count() == 0 && parts.other->count() == 0);
}

void tst_CustomDialog::agreementGrid()
{
    CustomDialog dialog(nullptr);
    dialog.onAgreementDialog({"A"});
    auto text = [&](int row, int column) {
        QWidget *widget = widgetAt(dialog, row, column);
        if (auto *label = qobject_cast<QLabel *>(widget))
            return label->text();
        if (auto *button = qobject_cast<QAbstractButton *>(widget))
            return button->text();
        return QString();
    };
    QCOMPARE(text(0, 0), QStringLiteral("Variable(s)"));
    QCOMPARE(text(0, 2), QStringLiteral("Gold Standard"));
    QCOMPARE(text(2, 2), QStringLiteral("Other Data"));
    QCOMPARE(text(1, 3), QStringLiteral("OK"));
    QCOMPARE(text(2, 3), QStringLiteral("Cancel"));
    QCOMPARE(text(4, 0), QStringLiteral("Proportional"));
    QCOMPARE(text(5, 0), QStringLiteral("Random"));
    QVERIFY(qobject_cast<QListWidget *>(widgetAt(dialog, 1, 0)));
    QCOMPARE(widgetAt(dialog, 1, 2), dialog.goldStandardList());
    QCOMPARE(widgetAt(dialog, 3, 2), dialog.otherDataList());
    QVERIFY(qobject_cast<QToolButton *>(widgetAt(dialog, 1, 1)));
    QVERIFY(qobject_cast<QToolButton *>(widgetAt(dialog, 3, 1)));

    auto *grid = qobject_cast<QGridLayout *>(dialog.layout());
    auto *parameters = qobject_cast<QVBoxLayout *>(grid->itemAtPosition(3, 0)->layout());
    QVERIFY(parameters);
    QStringList parameterKinds;
    for (int i = 0; i < parameters->count(); ++i) {
        QWidget *widget = parameters->itemAt(i)->widget();
        auto *label = qobject_cast<QLabel *>(widget);
        parameterKinds << (label ? label->text() : QString::fromLatin1(widget->metaObject()->className()));
    }
    QCOMPARE(parameterKinds, QStringList({"TDI Allowance", "QDoubleSpinBox", "CP Allowance",
                                          "QDoubleSpinBox", "Alpha", "QDoubleSpinBox"}));
    QCOMPARE(dialog.findChildren<QLabel *>().size(), 6);
}

void tst_CustomDialog::tabOrder()
{
    CustomDialog dialog(nullptr);
    dialog.onAgreementDialog({"A"});
    AgreementParts parts(dialog);
    const QList<QDoubleSpinBox *> spins = dialog.findChildren<QDoubleSpinBox *>();
    const QList<QCheckBox *> boxes = dialog.findChildren<QCheckBox *>();
    const QList<QPushButton *> buttons = dialog.findChildren<QPushButton *>();
    const QList<QWidget *> expected{parts.vars, spins[0], spins[1], spins[2], boxes[0],
                                    boxes[1], parts.gold, parts.other, parts.moveGold,
                                    parts.moveOther, buttons[0], buttons[1]};

    QList<QWidget *> chain;
    QWidget *widget = parts.vars;
    do {
        if (expected.contains(widget) && !chain.contains(widget))
            chain << widget;
        widget = widget->nextInFocusChain();
    } while (widget != parts.vars);
    QCOMPARE(chain, expected);
    QCOMPARE(boxes[0]->text(), QStringLiteral("Proportional"));
    QCOMPARE(buttons[0]->text(), QStringLiteral("OK"));
}

void tst_CustomDialog::moveButtonsStartWithoutArrow()
{
    CustomDialog dialog(nullptr);
    dialog.onAgreementDialog({"A", "B"});
    AgreementParts parts(dialog);
    QCOMPARE(parts.moveGold->arrowType(), Qt::NoArrow);
    QCOMPARE(parts.moveOther->arrowType(), Qt::NoArrow);

    parts.moveGold->pressed();
    parts.moveOther->pressed();
    QCOMPARE(itemTexts(parts.vars), QStringList({"A", "B"}));
    QCOMPARE(parts.gold->count() + parts.other->count(), 0);
}

void tst_CustomDialog::goldStandardTakesVariablesOnlyWhileEmpty()
{
    CustomDialog dialog(nullptr);
    dialog.onAgreementDialog({"A", "B", "C", "D"});
    AgreementParts parts(dialog);

    parts.select(parts.vars, {"A", "C"});
    QCOMPARE(parts.moveGold->arrowType(), Qt::RightArrow);
    QCOMPARE(parts.moveOther->arrowType(), Qt::RightArrow);
    // The move acts on the mouse press, not on the completed click.
    QTest::mousePress(parts.moveGold, Qt::LeftButton);
    QTest::mouseRelease(parts.moveGold, Qt::LeftButton);
    QCOMPARE(itemTexts(parts.gold), QStringList({"A", "C"}));
    QCOMPARE(itemTexts(parts.vars), QStringList({"B", "D"}));
    QVERIFY(!parts.gold->item(0)->icon().isNull());

    parts.select(parts.vars, {"B"});
    parts.moveGold->pressed();
    QCOMPARE(itemTexts(parts.gold), QStringList({"A", "C"}));
    QCOMPARE(itemTexts(parts.vars), QStringList({"B", "D"}));
}

void tst_CustomDialog::movingBackAppends()
{
    CustomDialog dialog(nullptr);
    dialog.onAgreementDialog({"A", "B", "C"});
    AgreementParts parts(dialog);

    parts.select(parts.vars, {"A"});
    parts.moveGold->pressed();
    parts.select(parts.gold, {"A"});
    QCOMPARE(parts.moveGold->arrowType(), Qt::LeftArrow);
    QCOMPARE(parts.moveOther->arrowType(), Qt::RightArrow);
    parts.moveGold->pressed();
    QCOMPARE(itemTexts(parts.vars), QStringList({"B", "C", "A"}));
    QCOMPARE(parts.gold->count(), 0);

    parts.select(parts.vars, {"B"});
    parts.moveOther->pressed();
    parts.select(parts.other, {"B"});
    QCOMPARE(parts.moveOther->arrowType(), Qt::LeftArrow);
    parts.moveOther->pressed();
    QCOMPARE(itemTexts(parts.vars), QStringList({"C", "A", "B"}));
}

void tst_CustomDialog::otherDataTakesVariablesPressByPress()
{
    CustomDialog dialog(nullptr);
    dialog.onAgreementDialog({"A", "B", "C", "D"});
    AgreementParts parts(dialog);
    for (const QString &name : {QStringLiteral("C"), QStringLiteral("A"), QStringLiteral("D")}) {
        parts.select(parts.vars, {name});
        parts.moveOther->pressed();
    }
    QCOMPARE(itemTexts(parts.other), QStringList({"C", "A", "D"}));
    QCOMPARE(itemTexts(parts.vars), QStringList({"B"}));
}

void tst_CustomDialog::spinBoxLimits_data()
{
    QTest::addColumn<double>("entered");
    QTest::addColumn<double>("kept");
    QTest::newRow("above the range") << 100.0 << 99.99;
    QTest::newRow("negative") << -1.0 << 0.0;
    QTest::newRow("third decimal") << 0.123 << 0.12;
    QTest::newRow("inside") << 42.5 << 42.5;
}

void tst_CustomDialog::spinBoxLimits()
{
    QFETCH(double, entered);
    QFETCH(double, kept);
    CustomDialog dialog(nullptr);
    dialog.onAgreementDialog({});
    for (QDoubleSpinBox *spin : dialog.findChildren<QDoubleSpinBox *>()) {
        QCOMPARE(spin->decimals(), 2);
        QCOMPARE(spin->singleStep(), 0.01);
        spin->setValue(entered);
        QCOMPARE(spin->value(), kept);
    }
    auto *alpha = dialog.findChildren<QDoubleSpinBox *>().at(2);
    alpha->setValue(0.05);
    alpha->stepUp();
    QCOMPARE(dialog.alpha(), 0.06);
}

void tst_CustomDialog::closing_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<int>("result");
    QTest::newRow("Cancel") << "Cancel" << int(QDialog::Rejected);
    QTest::newRow("Escape") << "Escape" << int(QDialog::Rejected);
    QTest::newRow("close button") << "close" << int(QDialog::Rejected);
    QTest::newRow("OK with empty lists") << "OK" << int(QDialog::Accepted);
}

void tst_CustomDialog::closing()
{
    QFETCH(QString, how);
    QFETCH(int, result);
    CustomDialog dialog(nullptr);
    dialog.onAgreementDialog({"A"});
    ModalScript script({[how](QWidget *modal) {
        if (how == "Escape") {
            QTest::keyClick(modal, Qt::Key_Escape);
        } else if (how == "close") {
            modal->close();
        } else {
            for (QPushButton *button : modal->findChildren<QPushButton *>()) {
                if (button->text() == how)
                    QTest::mouseClick(button, Qt::LeftButton);
            }
        }
    }});
    QCOMPARE(dialog.exec(), result);
    CONCORDA_VERIFY_SCRIPT(script);
}

QTEST_MAIN(tst_CustomDialog)
#include "tst_customdialog.moc"
