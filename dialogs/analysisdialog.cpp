#include "analysisdialog.h"

#include "optionsform.h"
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

AnalysisDialog::AnalysisDialog(QWidget *parent, const stats::Analysis &analysis)
    : QDialog(parent)
    , subjectColumn(analysis.subjectColumn())
    , subjList(nullptr)
    , moveSubjButton(nullptr)
{
    createWidgets(analysis);
    makeConnections();
    onListsChanged();
}

AnalysisDialog::~AnalysisDialog() = default;

// Laid out as the agreement dialog: the variables on the left, the Gold Standard above the
// other data (and the subject column) on the right, a move button between them for each;
// the options below.
void AnalysisDialog::createWidgets(const stats::Analysis &analysis)
{
    setWindowTitle(analysis.dialogTitle());
    varsList = variableList();
    gstdList = variableList();
    ofList = variableList();
    // The Gold Standard holds one variable: two rows of height are enough.
    gstdList->setMaximumHeight(gstdList->fontMetrics().height() * 3 + 8);
    moveGSTDButton = new QToolButton;
    moveOFButton = new QToolButton;
    moveGSTDButton->setAccessibleName(tr("Move to or from Gold Standard"));
    moveOFButton->setAccessibleName(tr("Move to or from Other Data"));

    const bool takesSubject = subjectColumn != stats::SubjectColumn::None;
    auto *lists = new QGridLayout;
    lists->addWidget(new QLabel(tr("Variable(s)")), 0, 0);
    lists->addWidget(varsList, 1, 0, takesSubject ? 5 : 3, 1);
    lists->addWidget(moveGSTDButton, 1, 1);
    lists->addWidget(new QLabel(tr("Gold Standard")), 0, 2);
    lists->addWidget(gstdList, 1, 2);
    lists->addWidget(new QLabel(tr("Other Data")), 2, 2);
    lists->addWidget(moveOFButton, 3, 1);
    lists->addWidget(ofList, 3, 2);
    if (takesSubject) {
        subjList = variableList();
        subjList->setMaximumHeight(gstdList->maximumHeight());
        moveSubjButton = new QToolButton;
        moveSubjButton->setAccessibleName(tr("Move to or from Subject"));
        lists->addWidget(new QLabel(tr("Subject")), 4, 2);
        lists->addWidget(moveSubjButton, 5, 1);
        lists->addWidget(subjList, 5, 2);
    }

    auto *formLayout = new QFormLayout;
    form = new OptionsForm(analysis.options(), formLayout, this);
    buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(lists);
    layout->addLayout(formLayout);
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
    connect(form, SIGNAL(sChanged()), this, SLOT(onListsChanged()));
    if (subjList) {
        connect(moveSubjButton, SIGNAL(pressed()), this, SLOT(onMoveVars2SubjectButtonClicked()));
        connect(subjList, SIGNAL(itemSelectionChanged()), this, SLOT(onChosenSubjectListItemSelected()));
    }
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

QString AnalysisDialog::subject() const
{
    return subjList ? listedVariables(subjList).value(0) : QString();
}

stats::OptionValues AnalysisDialog::options() const
{
    return form->values();
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

QListWidget *AnalysisDialog::subjectList() const
{
    return subjList;
}

QToolButton *AnalysisDialog::moveSubjectButton() const
{
    return moveSubjButton;
}

QToolButton *AnalysisDialog::moveGoldStandardButton() const
{
    return moveGSTDButton;
}

QToolButton *AnalysisDialog::moveOtherDataButton() const
{
    return moveOFButton;
}

OptionsForm *AnalysisDialog::optionsForm() const
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

void AnalysisDialog::onMoveVars2SubjectButtonClicked()
{
    moveVariables(moveSubjButton, varsList, subjList, ChosenList::TakesOne);
    onListsChanged();
}

void AnalysisDialog::onVarsListItemsSelected()
{
    moveGSTDButton->setArrowType(Qt::RightArrow);
    moveOFButton->setArrowType(Qt::RightArrow);
    if (moveSubjButton)
        moveSubjButton->setArrowType(Qt::RightArrow);
}

void AnalysisDialog::onChosenGSTDListItemSelected()
{
    moveGSTDButton->setArrowType(Qt::LeftArrow);
}

void AnalysisDialog::onChosenOFListItemSelected()
{
    moveOFButton->setArrowType(Qt::LeftArrow);
}

void AnalysisDialog::onChosenSubjectListItemSelected()
{
    moveSubjButton->setArrowType(Qt::LeftArrow);
}

void AnalysisDialog::onListsChanged()
{
    if (subjList)
        form->setSubjectColumn(subjList->count() > 0);
    const bool subjectChosen = subjectColumn != stats::SubjectColumn::Required || subjList->count() > 0;
    buttons->button(QDialogButtonBox::Ok)
        ->setEnabled(gstdList->count() > 0 && ofList->count() > 0 && subjectChosen
                     && form->acceptable());
}
