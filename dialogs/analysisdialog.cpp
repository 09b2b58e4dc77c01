#include "analysisdialog.h"

#include "variablemoves.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QIcon>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

QListWidget *variableList()
{
    auto *list = new QListWidget;
    list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    return list;
}

} // namespace

AnalysisDialog::AnalysisDialog(QWidget *parent, const QString &title)
    : QDialog(parent)
{
    createWidgets(title);
    makeConnections();
    onListsChanged();
}

AnalysisDialog::~AnalysisDialog() = default;

// Laid out as the agreement dialog: the variables on the left, the Gold Standard above the
// other data on the right, a move button between them for each; the options below.
void AnalysisDialog::createWidgets(const QString &title)
{
    setWindowTitle(title);
    varsList = variableList();
    gstdList = variableList();
    ofList = variableList();
    // The Gold Standard holds one variable: two rows of height are enough.
    gstdList->setMaximumHeight(gstdList->fontMetrics().height() * 3 + 8);
    moveGSTDButton = new QToolButton;
    moveOFButton = new QToolButton;
    moveGSTDButton->setAccessibleName(tr("Move to or from Gold Standard"));
    moveOFButton->setAccessibleName(tr("Move to or from Other Data"));

    auto *lists = new QGridLayout;
    lists->addWidget(new QLabel(tr("Variable(s)")), 0, 0);
    lists->addWidget(varsList, 1, 0, 3, 1);
    lists->addWidget(moveGSTDButton, 1, 1);
    lists->addWidget(new QLabel(tr("Gold Standard")), 0, 2);
    lists->addWidget(gstdList, 1, 2);
    lists->addWidget(new QLabel(tr("Other Data")), 2, 2);
    lists->addWidget(moveOFButton, 3, 1);
    lists->addWidget(ofList, 3, 2);

    form = new QFormLayout;
    buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(lists);
    layout->addLayout(form);
    layout->addWidget(buttons);
}

void AnalysisDialog::makeConnections()
{
    connect(buttons, SIGNAL(accepted()), this, SLOT(accept()));
    connect(buttons, SIGNAL(rejected()), this, SLOT(reject()));
    connect(moveGSTDButton, SIGNAL(pressed()), this, SLOT(onMoveVars2GSTDButtonClicked()));
    connect(moveOFButton, SIGNAL(pressed()), this, SLOT(onMoveVars2OFButtonClicked()));
    connect(varsList, SIGNAL(itemSelectionChanged()), this, SLOT(onVarsListItemsSelected()));
    connect(gstdList, SIGNAL(itemSelectionChanged()), this, SLOT(onChosenGSTDListItemSelected()));
    connect(ofList, SIGNAL(itemSelectionChanged()), this, SLOT(onChosenOFListItemSelected()));
}

void AnalysisDialog::setVariables(const QStringList &names)
{
    const QIcon icon(QStringLiteral(":/icons/varDialogNumericIcon.png"));
    for (const QString &name : names) {
        auto *item = new QListWidgetItem;
        item->setData(Qt::DisplayRole, name);
        item->setData(Qt::DecorationRole, icon);
        varsList->addItem(item);
    }
}

QString AnalysisDialog::goldStandard() const
{
    return listedVariables(gstdList).value(0);
}

QStringList AnalysisDialog::otherData() const
{
    return listedVariables(ofList);
}

QListWidget *AnalysisDialog::variablesList() const
{
    return varsList;
}

QListWidget *AnalysisDialog::goldStandardList() const
{
    return gstdList;
}

QListWidget *AnalysisDialog::otherDataList() const
{
    return ofList;
}

QToolButton *AnalysisDialog::moveGoldStandardButton() const
{
    return moveGSTDButton;
}

QToolButton *AnalysisDialog::moveOtherDataButton() const
{
    return moveOFButton;
}

QFormLayout *AnalysisDialog::optionsForm() const
{
    return form;
}

void AnalysisDialog::onMoveVars2GSTDButtonClicked()
{
    moveVariables(moveGSTDButton, varsList, gstdList, ChosenList::TakesOne);
    onListsChanged();
}

void AnalysisDialog::onMoveVars2OFButtonClicked()
{
    moveVariables(moveOFButton, varsList, ofList, ChosenList::TakesAny);
    onListsChanged();
}

void AnalysisDialog::onVarsListItemsSelected()
{
    moveGSTDButton->setArrowType(Qt::RightArrow);
    moveOFButton->setArrowType(Qt::RightArrow);
}

void AnalysisDialog::onChosenGSTDListItemSelected()
{
    moveGSTDButton->setArrowType(Qt::LeftArrow);
}

void AnalysisDialog::onChosenOFListItemSelected()
{
    moveOFButton->setArrowType(Qt::LeftArrow);
}

bool AnalysisDialog::optionsAcceptable() const
{
    return true;
}

void AnalysisDialog::onListsChanged()
{
    buttons->button(QDialogButtonBox::Ok)
        ->setEnabled(gstdList->count() > 0 && ofList->count() > 0 && optionsAcceptable());
}
