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

OptionsForm::OptionsForm(const QVector<stats::OptionDeclaration> &declarations, QFormLayout *form, QObject *parent)
    : QObject(parent)
    , declarations(declarations)
{
    for (const stats::OptionDeclaration &declaration : declarations) {
        if (!declaration.shorthandFor.isEmpty())
            continue;
        QWidget *widget = makeField(declaration);
        widget->setToolTip(declaration.toolTip);
        fields.insert(declaration.name, widget);
        if (declaration.type == stats::OptionType::Flag) {
            form->addRow(QString(), widget);
            continue;
        }
        if (!declaration.alternatives.isEmpty()) {
            auto *choice = new QComboBox;
            choice->addItem(tr("a number:"));
            for (const stats::OptionChoice &alternative : declaration.alternatives)
                choice->addItem(alternative.label);
            choice->setToolTip(declaration.toolTip);
            connect(choice, SIGNAL(currentIndexChanged(int)), this, SLOT(onFieldChanged()));
            alternatives.insert(declaration.name, choice);
            auto *row = new QHBoxLayout;
            row->addWidget(choice);
            row->addWidget(widget, 1);
            form->addRow(declaration.label, row);
            continue;
        }
        form->addRow(declaration.label, widget);
        if (declaration.type == stats::OptionType::NumberList) {
            auto *note = new QLabel;
            note->setStyleSheet(QStringLiteral("color: #b22222;"));
            note->setVisible(false);
            form->addRow(QString(), note);
            listNotes.insert(declaration.name, note);
        }
    }
    onFieldChanged();
}

OptionsForm::~OptionsForm() = default;

QWidget *OptionsForm::makeField(const stats::OptionDeclaration &declaration)
{
    switch (declaration.type) {
    case stats::OptionType::Number: {
        auto *box = new QDoubleSpinBox;
        box->setDecimals(declaration.decimals);
        setFieldRange(box, declaration.range, declaration.decimals);
        box->setSingleStep(declaration.step);
        box->setValue(declaration.defaultValue.toDouble());
        connect(box, SIGNAL(valueChanged(double)), this, SLOT(onFieldChanged()));
        return box;
    }
    case stats::OptionType::Choice: {
        auto *box = new QComboBox;
        for (const stats::OptionChoice &choice : declaration.choices)
            box->addItem(choice.label);
        box->setCurrentIndex(declaration.defaultValue.toInt());
        connect(box, SIGNAL(currentIndexChanged(int)), this, SLOT(onFieldChanged()));
        return box;
    }
    case stats::OptionType::NumberList: {
        auto *line = new QLineEdit;
        line->setPlaceholderText(declaration.placeholder);
        connect(line, SIGNAL(textChanged(QString)), this, SLOT(onFieldChanged()));
        return line;
    }
    case stats::OptionType::Flag:
        break;
    }
    auto *box = new QCheckBox(declaration.label);
    box->setChecked(declaration.defaultValue.toBool());
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
    for (const stats::OptionDeclaration &declaration : declarations) {
        QWidget *widget = fields.value(declaration.name);
        if (!widget) {
            values.set(declaration.name, declaration.defaultValue);
            continue;
        }
        switch (declaration.type) {
        case stats::OptionType::Number: {
            const QComboBox *choice = alternatives.value(declaration.name);
            if (choice && choice->currentIndex() > 0)
                values.set(declaration.name, declaration.alternatives.value(choice->currentIndex() - 1).name);
            else
                values.set(declaration.name, static_cast<QDoubleSpinBox *>(widget)->value());
            break;
        }
        case stats::OptionType::Choice:
            values.set(declaration.name, static_cast<QComboBox *>(widget)->currentIndex());
            break;
        case stats::OptionType::NumberList: {
            QVector<double> numbers;
            QString bad;
            stats::parseNumberList(static_cast<QLineEdit *>(widget)->text(), &numbers, &bad);
            values.set(declaration.name, QVariant::fromValue(numbers));
            break;
        }
        case stats::OptionType::Flag:
            values.set(declaration.name, static_cast<QCheckBox *>(widget)->isChecked());
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
    for (const stats::OptionDeclaration &declaration : declarations) {
        if (!fields.contains(declaration.name))
            continue;
        const bool applies = stats::optionApplies(declaration, declarations, chosen);
        QComboBox *choice = alternatives.value(declaration.name);
        if (choice)
            choice->setEnabled(applies);
        fields.value(declaration.name)->setEnabled(applies && (!choice || choice->currentIndex() == 0));
    }
}
