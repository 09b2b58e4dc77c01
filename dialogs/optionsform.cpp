#include "optionsform.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>

#include <cmath>

namespace {

// The largest magnitude a number field offers where the option itself has no bound.
constexpr double widestField = 1e9;

// The bounds of a number field: an open end moves in by the field's smallest step.
void setFieldRange(QDoubleSpinBox *box, const stats::NumberRange &range, int decimals)
{
    const double smallestStep = std::pow(10.0, -decimals);
    double minimum = std::isfinite(range.minimum) ? range.minimum : -widestField;
    double maximum = std::isfinite(range.maximum) ? range.maximum : widestField;
    if (range.openMinimum)
        minimum += smallestStep;
    if (range.openMaximum)
        maximum -= smallestStep;
    box->setRange(minimum, maximum);
}

} // namespace

OptionsForm::OptionsForm(const QVector<stats::OptionSpec> &specs, QFormLayout *form, QObject *parent)
    : QObject(parent)
    , specs(specs)
{
    for (const stats::OptionSpec &spec : specs) {
        if (!spec.shorthandFor.isEmpty())
            continue;
        QWidget *widget = makeField(spec);
        widget->setToolTip(spec.toolTip);
        fields.insert(spec.name, widget);
        if (spec.type == stats::OptionType::Flag) {
            form->addRow(QString(), widget);
            continue;
        }
        if (!spec.alternatives.isEmpty()) {
            auto *choice = new QComboBox;
            choice->addItem(tr("a number:"));
            for (const stats::OptionChoice &alternative : spec.alternatives)
                choice->addItem(alternative.label);
            choice->setToolTip(spec.toolTip);
            connect(choice, SIGNAL(currentIndexChanged(int)), this, SLOT(onFieldChanged()));
            alternatives.insert(spec.name, choice);
            auto *row = new QHBoxLayout;
            row->addWidget(choice);
            row->addWidget(widget, 1);
            form->addRow(spec.label, row);
            continue;
        }
        form->addRow(spec.label, widget);
        if (spec.type == stats::OptionType::NumberList) {
            auto *note = new QLabel;
            note->setStyleSheet(QStringLiteral("color: #b22222;"));
            note->setVisible(false);
            form->addRow(QString(), note);
            listNotes.insert(spec.name, note);
        }
    }
    onFieldChanged();
}

OptionsForm::~OptionsForm() = default;

QWidget *OptionsForm::makeField(const stats::OptionSpec &spec)
{
    switch (spec.type) {
    case stats::OptionType::Number: {
        auto *box = new QDoubleSpinBox;
        box->setDecimals(spec.decimals);
        setFieldRange(box, spec.range, spec.decimals);
        box->setSingleStep(spec.step);
        box->setValue(spec.defaultValue.toDouble());
        connect(box, SIGNAL(valueChanged(double)), this, SLOT(onFieldChanged()));
        return box;
    }
    case stats::OptionType::Choice: {
        auto *box = new QComboBox;
        for (const stats::OptionChoice &choice : spec.choices)
            box->addItem(choice.label);
        box->setCurrentIndex(spec.defaultValue.toInt());
        connect(box, SIGNAL(currentIndexChanged(int)), this, SLOT(onFieldChanged()));
        return box;
    }
    case stats::OptionType::NumberList: {
        auto *line = new QLineEdit;
        line->setPlaceholderText(spec.placeholder);
        connect(line, SIGNAL(textChanged(QString)), this, SLOT(onFieldChanged()));
        return line;
    }
    case stats::OptionType::Flag:
        break;
    }
    auto *box = new QCheckBox(spec.label);
    box->setChecked(spec.defaultValue.toBool());
    connect(box, SIGNAL(toggled(bool)), this, SLOT(onFieldChanged()));
    return box;
}

QWidget *OptionsForm::field(const QString &name) const
{
    return fields.value(name);
}

QComboBox *OptionsForm::alternativesField(const QString &name) const
{
    return alternatives.value(name);
}

// The dialog calls this whenever its lists change, so it only updates the fields: the
// dialog already knows that something changed.
void OptionsForm::setSubjectColumn(bool chosen)
{
    if (chosen == subjectColumn)
        return;
    subjectColumn = chosen;
    updateFields();
}

stats::OptionValues OptionsForm::values() const
{
    stats::OptionValues values;
    values.setSubjectColumn(subjectColumn);
    for (const stats::OptionSpec &spec : specs) {
        QWidget *widget = fields.value(spec.name);
        if (!widget) {
            values.set(spec.name, spec.defaultValue);
            continue;
        }
        switch (spec.type) {
        case stats::OptionType::Number: {
            const QComboBox *choice = alternatives.value(spec.name);
            if (choice && choice->currentIndex() > 0)
                values.set(spec.name, spec.alternatives.value(choice->currentIndex() - 1).name);
            else
                values.set(spec.name, static_cast<QDoubleSpinBox *>(widget)->value());
            break;
        }
        case stats::OptionType::Choice:
            values.set(spec.name, static_cast<QComboBox *>(widget)->currentIndex());
            break;
        case stats::OptionType::NumberList: {
            QVector<double> numbers;
            QString bad;
            stats::parseNumberList(static_cast<QLineEdit *>(widget)->text(), &numbers, &bad);
            values.set(spec.name, QVariant::fromValue(numbers));
            break;
        }
        case stats::OptionType::Flag:
            values.set(spec.name, static_cast<QCheckBox *>(widget)->isChecked());
            break;
        }
    }
    return values;
}

bool OptionsForm::acceptable() const
{
    for (auto note = listNotes.cbegin(); note != listNotes.cend(); ++note) {
        if (!note.value()->text().isEmpty())
            return false;
    }
    return true;
}

void OptionsForm::onFieldChanged()
{
    updateFields();
    emit sChanged();
}

// Lists of numbers say at once what does not read; options that do not apply with the
// other values are disabled.
void OptionsForm::updateFields()
{
    for (auto note = listNotes.begin(); note != listNotes.end(); ++note) {
        QVector<double> numbers;
        QString bad;
        const bool readable =
            stats::parseNumberList(static_cast<QLineEdit *>(fields.value(note.key()))->text(), &numbers, &bad);
        note.value()->setText(readable ? QString() : tr("“%1” is not a number").arg(bad));
        note.value()->setVisible(!readable);
    }
    const stats::OptionValues chosen = values();
    for (const stats::OptionSpec &spec : specs) {
        if (!fields.contains(spec.name))
            continue;
        const bool applies = stats::optionApplies(spec, specs, chosen);
        QComboBox *choice = alternatives.value(spec.name);
        if (choice)
            choice->setEnabled(applies);
        fields.value(spec.name)->setEnabled(applies && (!choice || choice->currentIndex() == 0));
    }
}
