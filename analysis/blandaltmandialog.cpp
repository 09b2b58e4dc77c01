#include "blandaltmandialog.h"

#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFormLayout>

namespace {

QDoubleSpinBox *probabilityBox(double minimum, double maximum, double value)
{
    auto *box = new QDoubleSpinBox;
    box->setDecimals(3);
    box->setRange(minimum, maximum);
    box->setSingleStep(0.005);
    box->setValue(value);
    return box;
}

} // namespace

BlandAltmanDialog::BlandAltmanDialog(QWidget *parent)
    : AnalysisDialog(parent, tr("Bland–Altman"))
    , differencesBox(new QComboBox)
    , axisBox(new QComboBox)
    , coverageBox(probabilityBox(0.5, 0.999, 0.95))
    , alphaBox(probabilityBox(0.001, 0.5, 0.05))
    , limitIntervalBox(new QComboBox)
{
    // The entries stand in the order of the enumerations they choose from.
    differencesBox->addItems({tr("Absolute (compared − reference)"),
                              tr("Percentage (of the pair's mean)"),
                              tr("Ratio (compared / reference)")});
    axisBox->addItems({tr("Mean of the pair"), tr("Reference")});
    limitIntervalBox->addItems({tr("Exact"), tr("Approximate")});

    QFormLayout *form = optionsForm();
    form->addRow(tr("Differences"), differencesBox);
    form->addRow(tr("X axis"), axisBox);
    form->addRow(tr("Limits of agreement coverage"), coverageBox);
    form->addRow(tr("Alpha for the confidence intervals"), alphaBox);
    form->addRow(tr("CI of the limits"), limitIntervalBox);
}

BlandAltmanDialog::~BlandAltmanDialog() = default;

stats::BlandAltmanOptions BlandAltmanDialog::options() const
{
    stats::BlandAltmanOptions options;
    options.differences = stats::DifferenceScale(differencesBox->currentIndex());
    options.axis = stats::DifferenceAxis(axisBox->currentIndex());
    options.coverage = coverageBox->value();
    options.alpha = alphaBox->value();
    options.limitInterval = stats::LimitInterval(limitIntervalBox->currentIndex());
    return options;
}
