#include "customdialog.h"

#include "doublespinbox.h"
#include "variablemoves.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QIcon>
#include <QLabel>
#include <QListWidget>
#include <QListWidgetItem>
#include <QPixmap>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

const char *const numericIconPath = ":/icons/varDialogNumericIcon.png";

} // namespace

CustomDialog::CustomDialog(QWidget *parent)
    : QDialog(parent)
{
    createWidgets();
    varsList->setSelectionMode(QAbstractItemView::ExtendedSelection);
    gstdList->setSelectionMode(QAbstractItemView::ExtendedSelection);
    ofList->setSelectionMode(QAbstractItemView::ExtendedSelection);
    setLayout(gridLayout);
    setFocus(Qt::OtherFocusReason);
    makeConnections();
}

// A widget placed by the mode in use became a child of the dialog and goes with it; the
// widgets of the other mode were never placed, have no parent and are freed here.
CustomDialog::~CustomDialog()
{
    const QList<QWidget *> widgets{messageLabel, varsLabel, gstdLabel, ofLabel, tdiLabel,
                                   cpLabel, alphaLabel, acceptButton, cancelButton,
                                   moveGSTDButton, moveOFButton, varsList, gstdList, ofList,
                                   proportionalCheckBox, randomCheckBox, tdiSpinBox, cpSpinBox,
                                   alphaSpinBox};
    for (QWidget *widget : widgets) {
        if (!widget->parent())
            delete widget;
    }
    if (!parametersLayout->parent())
        delete parametersLayout;
}

// Builds the widgets of both modes without a parent: each becomes a child of the dialog
// when its mode places it, so the Tab order follows the order of placement.
void CustomDialog::createWidgets()
{
    gridLayout = new QGridLayout;
    messageLabel = new QLabel;
    varsLabel = new QLabel(tr("Variable(s)"));
    gstdLabel = new QLabel(tr("Gold Standard"));
    ofLabel = new QLabel(tr("Other Data"));
    tdiLabel = new QLabel(tr("TDI Allowance"));
    cpLabel = new QLabel(tr("CP Allowance"));
    alphaLabel = new QLabel(tr("Alpha"));
    acceptButton = new QPushButton(tr("OK"));
    cancelButton = new QPushButton(tr("Cancel"));
    moveGSTDButton = new QToolButton;
    moveOFButton = new QToolButton;
    varsList = new QListWidget;
    gstdList = new QListWidget;
    ofList = new QListWidget;
    proportionalCheckBox = new QCheckBox(tr("Proportional"));
    randomCheckBox = new QCheckBox(tr("Random"));
    tdiSpinBox = new DoubleSpinBox;
    cpSpinBox = new DoubleSpinBox;
    alphaSpinBox = new DoubleSpinBox;
    parametersLayout = new QVBoxLayout;

    tdiSpinBox->setSingleStep(0.01);
    cpSpinBox->setSingleStep(0.01);
    alphaSpinBox->setSingleStep(0.01);
}

void CustomDialog::makeConnections()
{
    connect(cancelButton, SIGNAL(clicked()), this, SLOT(onCancelButtonClicked()));
    connect(acceptButton, SIGNAL(clicked()), this, SLOT(onAcceptButtonClicked()));
    connect(moveGSTDButton, SIGNAL(pressed()), this, SLOT(onMoveVars2GSTDButtonClicked()));
    connect(moveOFButton, SIGNAL(pressed()), this, SLOT(onMoveVars2OFButtonClicked()));
    connect(varsList, SIGNAL(itemSelectionChanged()), this, SLOT(onVarsListItemsSelected()));
    connect(gstdList, SIGNAL(itemSelectionChanged()), this, SLOT(onChosenGSTDListItemSelected()));
    connect(ofList, SIGNAL(itemSelectionChanged()), this, SLOT(onChosenOFListItemSelected()));
}

void CustomDialog::setMessage(const QString &text, const QString &title, const QString &buttonText)
{
    gridLayout->addWidget(messageLabel);
    gridLayout->addWidget(acceptButton);
    // Messages quote variable and file names as they stand in the user's file: shown as
    // plain text, a name such as "<b>x</b>" is never taken for markup.
    messageLabel->setTextFormat(Qt::PlainText);
    messageLabel->setText(text);
    setWindowTitle(title);
    acceptButton->setText(buttonText);
    setModal(true);
    setWindowModality(Qt::ApplicationModal);
}

void CustomDialog::onAcceptButtonClicked()
{
    accept();
}

void CustomDialog::onCancelButtonClicked()
{
    close();
}

void CustomDialog::onAgreementDialog(QStringList vars)
{
    setAgreementDefaults();
    placeAgreementWidgets();

    const QIcon icon(QPixmap(QString::fromLatin1(numericIconPath)));
    for (const QString &name : vars) {
        auto *item = new QListWidgetItem;
        item->setData(Qt::DisplayRole, name);
        item->setData(Qt::DecorationRole, icon);
        varsList->addItem(item);
    }
}

void CustomDialog::setAgreementDefaults()
{
    alphaSpinBox->setValue(0.05);
    tdiSpinBox->setValue(10);
    cpSpinBox->setValue(0.9);
}

// The widgets become children of the dialog in the order of these calls, which is the
// order in which the Tab key walks through them.
void CustomDialog::placeAgreementWidgets()
{
    gridLayout->addWidget(varsLabel, 0, 0);
    gridLayout->addWidget(varsList, 1, 0);
    parametersLayout->addWidget(tdiLabel);
    parametersLayout->addWidget(tdiSpinBox);
    parametersLayout->addWidget(cpLabel);
    parametersLayout->addWidget(cpSpinBox);
    parametersLayout->addWidget(alphaLabel);
    parametersLayout->addWidget(alphaSpinBox);
    gridLayout->addLayout(parametersLayout, 3, 0);
    gridLayout->addWidget(proportionalCheckBox, 4, 0);
    gridLayout->addWidget(randomCheckBox, 5, 0);
    gridLayout->addWidget(gstdLabel, 0, 2);
    gridLayout->addWidget(gstdList, 1, 2);
    gridLayout->addWidget(ofLabel, 2, 2);
    gridLayout->addWidget(ofList, 3, 2);
    gridLayout->addWidget(moveGSTDButton, 1, 1);
    gridLayout->addWidget(moveOFButton, 3, 1);
    gridLayout->addWidget(acceptButton, 1, 3);
    gridLayout->addWidget(cancelButton, 2, 3);
}

void CustomDialog::onMoveVars2GSTDButtonClicked()
{
    moveVariables(moveGSTDButton, varsList, gstdList, ChosenList::TakesWhileEmpty);
}

void CustomDialog::onMoveVars2OFButtonClicked()
{
    moveVariables(moveOFButton, varsList, ofList, ChosenList::TakesAny);
}

void CustomDialog::onVarsListItemsSelected()
{
    moveGSTDButton->setArrowType(Qt::RightArrow);
    moveOFButton->setArrowType(Qt::RightArrow);
}

void CustomDialog::onChosenGSTDListItemSelected()
{
    moveGSTDButton->setArrowType(Qt::LeftArrow);
}

void CustomDialog::onChosenOFListItemSelected()
{
    moveOFButton->setArrowType(Qt::LeftArrow);
}

double CustomDialog::tdiAllowance() const
{
    return tdiSpinBox->value();
}

double CustomDialog::cpAllowance() const
{
    return cpSpinBox->value();
}

double CustomDialog::alpha() const
{
    return alphaSpinBox->value();
}

bool CustomDialog::isProportional() const
{
    return proportionalCheckBox->isChecked();
}

bool CustomDialog::isRandom() const
{
    return randomCheckBox->isChecked();
}

QListWidget *CustomDialog::goldStandardList() const
{
    return gstdList;
}

QListWidget *CustomDialog::otherDataList() const
{
    return ofList;
}
