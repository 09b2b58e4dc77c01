#include "regressiondialog.h"

#include "regressionreport.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>

RegressionDialog::RegressionDialog(QWidget *parent)
    : AnalysisDialog(parent, tr("Regression"))
    , methodBox(new QComboBox)
    , errorRatioBox(new QDoubleSpinBox)
    , alphaBox(new QDoubleSpinBox)
    , levelsEdit(new QLineEdit)
    , levelsProblem(new QLabel)
    , equalScalesBox(new QCheckBox(tr("Equal scales on both axes")))
{
    // In the order of stats::RegressionMethod.
    methodBox->addItems({tr("Passing–Bablok"), tr("Deming"), tr("Weighted Deming")});
    errorRatioBox->setDecimals(4);
    errorRatioBox->setRange(0.0001, 10000.0);
    errorRatioBox->setSingleStep(0.1);
    errorRatioBox->setValue(1.0);
    errorRatioBox->setToolTip(tr("λ = variance of the reference's errors / variance of the "
                                 "compared method's errors"));
    alphaBox->setDecimals(3);
    alphaBox->setRange(0.001, 0.5);
    alphaBox->setSingleStep(0.005);
    alphaBox->setValue(0.05);
    levelsEdit->setPlaceholderText(tr("reference values, e.g. 7,0; 11,1"));
    levelsProblem->setStyleSheet(QStringLiteral("color: #b22222;"));
    equalScalesBox->setChecked(true);

    QFormLayout *form = optionsForm();
    form->addRow(tr("Method"), methodBox);
    form->addRow(tr("Error ratio λ"), errorRatioBox);
    form->addRow(tr("Alpha"), alphaBox);
    form->addRow(tr("Decision levels"), levelsEdit);
    form->addRow(QString(), levelsProblem);
    form->addRow(QString(), equalScalesBox);

    connect(methodBox, SIGNAL(currentIndexChanged(int)), this, SLOT(onMethodChanged(int)));
    connect(levelsEdit, SIGNAL(textChanged(QString)), this, SLOT(onDecisionLevelsEdited()));
    onMethodChanged(methodBox->currentIndex());
    onDecisionLevelsEdited();
}

RegressionDialog::~RegressionDialog() = default;

stats::RegressionOptions RegressionDialog::options() const
{
    stats::RegressionOptions options;
    options.method = stats::RegressionMethod(methodBox->currentIndex());
    options.errorRatio = errorRatioBox->value();
    options.alpha = alphaBox->value();
    QString bad;
    stats::parseDecisionLevels(levelsEdit->text(), &options.decisionLevels, &bad);
    return options;
}

bool RegressionDialog::equalScales() const
{
    return equalScalesBox->isChecked();
}

// Lambda belongs to the Deming methods only.
void RegressionDialog::onMethodChanged(int index)
{
    errorRatioBox->setEnabled(stats::RegressionMethod(index) != stats::RegressionMethod::PassingBablok);
}

bool RegressionDialog::optionsAcceptable() const
{
    QVector<double> levels;
    QString bad;
    return stats::parseDecisionLevels(levelsEdit->text(), &levels, &bad);
}

void RegressionDialog::onDecisionLevelsEdited()
{
    QVector<double> levels;
    QString bad;
    const bool readable = stats::parseDecisionLevels(levelsEdit->text(), &levels, &bad);
    levelsProblem->setText(readable ? QString() : tr("“%1” is not a number").arg(bad));
    levelsProblem->setVisible(!readable);
    onListsChanged();
}
