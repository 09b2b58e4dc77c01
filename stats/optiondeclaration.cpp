#include "optiondeclaration.h"

#include <QCoreApplication>
#include <QLocale>
#include <QRegularExpression>
#include <QStringList>

#include <cmath>

namespace stats {

namespace {

class Options
{
    Q_DECLARE_TR_FUNCTIONS(Options)
};

// Numbers on the command line are written the same way whatever the user's locale is. A
// group separator is refused, or "1,000" would read as a thousand.
bool readNumber(const QString &text, double *value)
{
    QLocale c = QLocale::c();
    c.setNumberOptions(QLocale::RejectGroupSeparator);
    bool ok = false;
    *value = c.toDouble(text, &ok);
    return ok;
}

// What the range asks of a number, for a message: "strictly between 0 and 1".
QString rangeText(const NumberRange &range)
{
    const bool low = std::isfinite(range.minimum);
    const bool high = std::isfinite(range.maximum);
    const QString minimum = QString::number(range.minimum, 'g', 10);
    const QString maximum = QString::number(range.maximum, 'g', 10);
    if (low && high) {
        if (range.openMinimum && range.openMaximum)
            return Options::tr("lie strictly between %1 and %2").arg(minimum, maximum);
        if (!range.openMinimum && !range.openMaximum)
            return Options::tr("lie between %1 and %2").arg(minimum, maximum);
        return Options::tr("lie between %1 (%2) and %3 (%4)")
            .arg(minimum,
                 range.openMinimum ? Options::tr("excluded") : Options::tr("included"), maximum,
                 range.openMaximum ? Options::tr("excluded") : Options::tr("included"));
    }
    if (low)
        return range.openMinimum ? Options::tr("be greater than %1").arg(minimum)
                                 : Options::tr("be at least %1").arg(minimum);
    if (high)
        return range.openMaximum ? Options::tr("be less than %1").arg(maximum)
                                 : Options::tr("be at most %1").arg(maximum);
    return Options::tr("be a finite number");
}

// ", not 2" for the batch tool's user, who is told the value given.
QString given(double value, OptionNames names)
{
    return names == OptionNames::Dialog ? QString() : Options::tr(", not %1").arg(value);
}

} // namespace

bool NumberRange::contains(double value) const
{
    if (!std::isfinite(value))
        return false;
    const bool aboveMinimum = openMinimum ? value > minimum : value >= minimum;
    const bool belowMaximum = openMaximum ? value < maximum : value <= maximum;
    return aboveMinimum && belowMaximum;
}

NumberRange openInterval(double minimum, double maximum)
{
    return {minimum, maximum, true, true};
}

NumberRange closedInterval(double minimum, double maximum)
{
    return {minimum, maximum, false, false};
}

QString OptionDeclaration::key() const
{
    return QString(name).replace(QLatin1Char('-'), QLatin1Char('_'));
}

// The parts every kind of option has.
static OptionDeclaration declared(const QString &name, const QString &label, const QString &help,
                           OptionType type)
{
    OptionDeclaration declaration;
    declaration.name = name;
    declaration.label = label;
    declaration.help = help;
    declaration.type = type;
    return declaration;
}

OptionDeclaration numberOption(const QString &name, const QString &label, const QString &help,
                        const QString &valueName, double defaultValue, const NumberRange &range,
                        int decimals, double step)
{
    OptionDeclaration declaration = declared(name, label, help, OptionType::Number);
    declaration.valueName = valueName;
    declaration.defaultValue = defaultValue;
    declaration.range = range;
    declaration.decimals = decimals;
    declaration.step = step;
    return declaration;
}

OptionDeclaration choiceOption(const QString &name, const QString &label, const QString &help,
                        const QVector<OptionChoice> &choices, int defaultChoice)
{
    OptionDeclaration declaration = declared(name, label, help, OptionType::Choice);
    declaration.choices = choices;
    declaration.defaultValue = defaultChoice;
    QStringList names;
    for (const OptionChoice &choice : choices)
        names.append(choice.name);
    declaration.valueName = names.join(QLatin1Char('|'));
    return declaration;
}

OptionDeclaration flagOption(const QString &name, const QString &label, const QString &help,
                      bool defaultValue)
{
    OptionDeclaration declaration = declared(name, label, help, OptionType::Flag);
    declaration.defaultValue = defaultValue;
    return declaration;
}

OptionDeclaration numberListOption(const QString &name, const QString &label, const QString &help,
                            const QString &valueName, const QString &placeholder)
{
    OptionDeclaration declaration = declared(name, label, help, OptionType::NumberList);
    declaration.valueName = valueName;
    declaration.defaultValue = QVariant::fromValue(QVector<double>());
    declaration.placeholder = placeholder;
    return declaration;
}

void OptionValues::setSubjectColumn(bool chosen)
{
    subject = chosen;
}

bool OptionValues::subjectColumn() const
{
    return subject;
}

QString OptionValues::alternative(const QString &name) const
{
    const QVariant value = values.value(name);
    return value.userType() == QMetaType::QString ? value.toString() : QString();
}

void OptionValues::set(const QString &name, const QVariant &value)
{
    values.insert(name, value);
}

QVariant OptionValues::value(const QString &name) const
{
    return values.value(name);
}

bool OptionValues::contains(const QString &name) const
{
    return values.contains(name);
}

double OptionValues::number(const QString &name) const
{
    return values.value(name).toDouble();
}

int OptionValues::choice(const QString &name) const
{
    return values.value(name).toInt();
}

bool OptionValues::flag(const QString &name) const
{
    return values.value(name).toBool();
}

QVector<double> OptionValues::numbers(const QString &name) const
{
    return values.value(name).value<QVector<double>>();
}

OptionValues defaultOptionValues(const QVector<OptionDeclaration> &declarations)
{
    OptionValues values;
    for (const OptionDeclaration &declaration : declarations)
        values.set(declaration.name, declaration.defaultValue);
    return values;
}

const OptionDeclaration *findOption(const QVector<OptionDeclaration> &declarations, const QString &name)
{
    for (const OptionDeclaration &declaration : declarations) {
        if (declaration.name == name)
            return &declaration;
    }
    return nullptr;
}

bool optionApplies(const OptionDeclaration &declaration, const QVector<OptionDeclaration> &declarations,
                   const OptionValues &values)
{
    if (declaration.subjectUse == OptionDeclaration::SubjectUse::WithSubject && !values.subjectColumn())
        return false;
    if (declaration.subjectUse == OptionDeclaration::SubjectUse::WithoutSubject && values.subjectColumn())
        return false;
    if (declaration.appliesWith.isEmpty())
        return true;
    const OptionDeclaration *choice = findOption(declarations, declaration.appliesWith);
    return choice && declaration.appliesToChoices.contains(values.choice(choice->name));
}

QString optionTitle(const OptionDeclaration &declaration, OptionNames names)
{
    return names == OptionNames::Dialog ? declaration.label : QStringLiteral("--") + declaration.name;
}

// Written so that NaN fails every check.
QString optionValueProblem(const OptionDeclaration &declaration, const QVariant &value, OptionNames names)
{
    const QString title = optionTitle(declaration, names);
    switch (declaration.type) {
    case OptionType::Number: {
        for (const OptionChoice &alternative : declaration.alternatives) {
            if (value.userType() == QMetaType::QString && value.toString() == alternative.name)
                return QString();
        }
        const double number = value.toDouble();
        if (declaration.range.contains(number) && (!declaration.integer || number == std::floor(number)))
            return QString();
        if (declaration.integer)
            return Options::tr("%1 must be a whole number and %2%3")
                .arg(title, rangeText(declaration.range), given(number, names));
        return Options::tr("%1 must %2%3").arg(title, rangeText(declaration.range), given(number, names));
    }
    case OptionType::NumberList:
        for (double number : value.value<QVector<double>>()) {
            if (declaration.range.contains(number))
                continue;
            if (std::isinf(declaration.range.minimum) && std::isinf(declaration.range.maximum))
                return Options::tr("%1 must be finite numbers%2").arg(title, given(number, names));
            return Options::tr("each of %1 must %2%3")
                .arg(title, rangeText(declaration.range), given(number, names));
        }
        return QString();
    case OptionType::Choice: {
        const int choice = value.toInt();
        if (choice >= 0 && choice < declaration.choices.size())
            return QString();
        return Options::tr("%1 must be %2").arg(title, choiceNames(declaration));
    }
    case OptionType::Flag:
        break;
    }
    return QString();
}

QString optionValuesProblem(const QVector<OptionDeclaration> &declarations, const OptionValues &values,
                            OptionNames names)
{
    for (const OptionDeclaration &declaration : declarations) {
        if (!optionApplies(declaration, declarations, values))
            continue;
        const QString problem = optionValueProblem(declaration, values.value(declaration.name), names);
        if (!problem.isEmpty())
            return problem;
    }
    return QString();
}

bool readCommandLineValue(const OptionDeclaration &declaration, const QString &text, QVariant *value,
                          QString *error)
{
    const QString title = optionTitle(declaration, OptionNames::CommandLine);
    const QString quotedText = QLatin1Char('"') + text + QLatin1Char('"');
    switch (declaration.type) {
    case OptionType::Number: {
        double number = 0;
        for (const OptionChoice &alternative : declaration.alternatives) {
            if (text == alternative.name) {
                *value = alternative.name;
                return true;
            }
        }
        if (readNumber(text, &number)) {
            *value = number;
            return true;
        }
        QStringList forms{Options::tr("a number written with a decimal point")};
        for (const OptionChoice &alternative : declaration.alternatives)
            forms.append(alternative.name);
        const QString last = forms.takeLast();
        *error = Options::tr("%1 must be %2, not %3")
                     .arg(title,
                          forms.isEmpty() ? last : Options::tr("%1 or %2").arg(forms.join(QLatin1String(", ")), last),
                          quotedText);
        return false;
    }
    case OptionType::NumberList: {
        QVector<double> numbers;
        if (!text.isEmpty()) {
            for (const QString &part : text.split(QLatin1Char(','))) {
                double number = 0;
                if (!readNumber(part.trimmed(), &number)) {
                    *error = Options::tr("%1 must be numbers written with a decimal point and "
                                         "separated by commas, not %2")
                                 .arg(title, QLatin1Char('"') + part + QLatin1Char('"'));
                    return false;
                }
                numbers.append(number);
            }
        }
        *value = QVariant::fromValue(numbers);
        return true;
    }
    case OptionType::Choice:
        for (int i = 0; i < declaration.choices.size(); ++i) {
            if (declaration.choices.at(i).name == text) {
                *value = i;
                return true;
            }
        }
        *error = Options::tr("%1 must be %2, not %3").arg(title, choiceNames(declaration), quotedText);
        return false;
    case OptionType::Flag:
        *value = true;
        return true;
    }
    return false;
}

bool parseNumberList(const QString &text, QVector<double> *numbers, QString *bad)
{
    numbers->clear();
    const QStringList parts = text.split(QRegularExpression(QStringLiteral("[;\\s]+")), Qt::SkipEmptyParts);
    for (const QString &part : parts) {
        bool ok = false;
        const double number = QString(part).replace(QLatin1Char(','), QLatin1Char('.')).toDouble(&ok);
        if (!ok || !std::isfinite(number)) {
            *bad = part;
            return false;
        }
        numbers->append(number);
    }
    return true;
}

QString choiceNames(const OptionDeclaration &declaration, const QVector<int> &choices)
{
    QStringList names;
    for (int i = 0; i < declaration.choices.size(); ++i) {
        if (choices.isEmpty() || choices.contains(i))
            names.append(declaration.choices.at(i).name);
    }
    if (names.size() < 2)
        return names.value(0);
    const QString last = names.takeLast();
    return Options::tr("%1 or %2").arg(names.join(QLatin1String(", ")), last);
}

Record optionsRecord(const QVector<OptionDeclaration> &declarations, const OptionValues &values)
{
    Record record;
    for (const OptionDeclaration &declaration : declarations) {
        if (declaration.plotOnly || !declaration.shorthandFor.isEmpty()
            || (declaration.subjectUse == OptionDeclaration::SubjectUse::WithSubject && !values.subjectColumn()))
            continue;
        FieldValue value;
        if (optionApplies(declaration, declarations, values)) {
            switch (declaration.type) {
            case OptionType::Number:
                value = values.alternative(declaration.name).isEmpty()
                            ? FieldValue(values.number(declaration.name))
                            : FieldValue(values.alternative(declaration.name));
                break;
            case OptionType::Choice:
                value = FieldValue(declaration.choices.value(values.choice(declaration.name)).name);
                break;
            case OptionType::NumberList:
                value = FieldValue::numbers(values.numbers(declaration.name));
                break;
            case OptionType::Flag:
                value = FieldValue(values.flag(declaration.name));
                break;
            }
        }
        record.push_back({declaration.key(), value});
    }
    return record;
}

} // namespace stats
