#ifndef CONCORDA_STATS_OPTIONDECLARATION_H
#define CONCORDA_STATS_OPTIONDECLARATION_H

#include "namedfields.h"

#include <QHash>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVector>

#include <limits>

// The options of an analysis, declared once: what each is called on the command line and in
// the dialog, its type, range and default, and when it applies. The dialog's form, the batch
// tool's options and help, the refusals of a value and the options written with the results
// are all made from these declarations.
namespace stats {

// Who reads a message about an option: the user of the dialog, who knows its fields ("CP
// Allowance"), or the user of the batch tool, who knows its options ("--cp-allowance") and
// is also told the value given.
enum class OptionNames { Dialog, CommandLine };

enum class OptionType {
    Number,     // a double within a range
    Choice,     // one of named values
    NumberList, // finite numbers, as many as the user gives (none too)
    Flag,       // on or off
};

// One value of a choice: its name on the command line and in the outputs, and its text in
// the dialog.
struct OptionChoice
{
    QString name;
    QString label;
};

// The values a number may take: from minimum to maximum, each end included unless it is
// open. Infinite ends leave that side unbounded, though the number must still be finite.
struct NumberRange
{
    double minimum = -std::numeric_limits<double>::infinity();
    double maximum = std::numeric_limits<double>::infinity();
    bool openMinimum = false;
    bool openMaximum = false;

    bool contains(double value) const;
};

NumberRange openInterval(double minimum, double maximum);
NumberRange closedInterval(double minimum, double maximum);

struct OptionDeclaration
{
    QString name;      // the command line's --name; with '_' for '-' the key in the outputs
    QString label;     // the dialog's label; for a flag, the text of its check box
    QString help;      // the batch tool's help text
    QString valueName; // the batch tool's help shows the value as this ("P", "L", "X1,X2,...")
    OptionType type = OptionType::Number;
    QVariant defaultValue; // a double, a choice's index, a flag's bool; lists start empty
    NumberRange range;     // numbers, and each number of a list
    bool integer = false;  // only whole numbers (a count, a seed)
    int decimals = 3;      // the dialog's number field
    double step = 0.01;    // the dialog's number field
    QVector<OptionChoice> choices;
    // The option applies only while the choice option `appliesWith` holds one of these
    // choices (indices); with no `appliesWith` it always applies.
    QString appliesWith;
    QVector<int> appliesToChoices;
    // It changes the plots and nothing else, so the outputs do not record it.
    bool plotOnly = false;
    // Whether it applies with a subject column or without one: an option of replicates
    // only with one (and the outputs of an analysis without one do not record it), an
    // option of single readings only without one.
    enum class SubjectUse { Always, WithSubject, WithoutSubject };
    SubjectUse subjectUse = SubjectUse::Always;
    // A number option may also take one of these named values instead of a number
    // ("replicates" for an error ratio estimated from the data); the value is then the
    // name, a text.
    QVector<OptionChoice> alternatives;
    // A command-line shorthand that sets these options at once (one TDI allowance for every
    // level); each of them given on its own wins. The dialog shows the options themselves,
    // and the outputs record them, not the shorthand.
    QStringList shorthandFor;
    QString toolTip;
    QString placeholder; // a list's dialog field shows it while empty

    QString key() const;
};

OptionDeclaration numberOption(const QString &name, const QString &label, const QString &help,
                        const QString &valueName, double defaultValue, const NumberRange &range,
                        int decimals, double step);
OptionDeclaration choiceOption(const QString &name, const QString &label, const QString &help,
                        const QVector<OptionChoice> &choices, int defaultChoice = 0);
OptionDeclaration flagOption(const QString &name, const QString &label, const QString &help,
                      bool defaultValue = false);
OptionDeclaration numberListOption(const QString &name, const QString &label, const QString &help,
                            const QString &valueName, const QString &placeholder);

// The chosen values of an analysis's options, by option name, and whether a subject column
// is chosen with them (some options apply only then).
class OptionValues
{
public:
    void setSubjectColumn(bool chosen);
    bool subjectColumn() const;

    void set(const QString &name, const QVariant &value);
    QVariant value(const QString &name) const;
    bool contains(const QString &name) const;

    double number(const QString &name) const;
    int choice(const QString &name) const;
    bool flag(const QString &name) const;
    QVector<double> numbers(const QString &name) const;
    // The named value a number option holds instead of a number, or an empty text.
    QString alternative(const QString &name) const;

private:
    QHash<QString, QVariant> values;
    bool subject = false;
};

OptionValues defaultOptionValues(const QVector<OptionDeclaration> &declarations);

// The declaration of that name, or null.
const OptionDeclaration *findOption(const QVector<OptionDeclaration> &declarations, const QString &name);

// Whether the option applies with the other values chosen (lambda only for the Deming
// methods, say) and the subject column (the options of replicates only with one).
bool optionApplies(const OptionDeclaration &declaration, const QVector<OptionDeclaration> &declarations,
                   const OptionValues &values);

// The option as its reader knows it: "--alpha" or "Alpha".
QString optionTitle(const OptionDeclaration &declaration, OptionNames names);

// Why `value` is not a value the option takes (out of its range, not finite), worded from
// the declaration; empty when it is fine.
QString optionValueProblem(const OptionDeclaration &declaration, const QVariant &value, OptionNames names);

// The first problem of any applicable option, in the order of the declarations; empty when every
// value is fine.
QString optionValuesProblem(const QVector<OptionDeclaration> &declarations, const OptionValues &values,
                            OptionNames names);

// Reads an option's value as the command line gives it: numbers with a decimal point and
// no group separator, whatever the user's locale; a list with commas between its numbers;
// a choice by its name. On failure *error says what the option takes.
bool readCommandLineValue(const OptionDeclaration &declaration, const QString &text, QVariant *value,
                          QString *error);

// Numbers as a user types them into a dialog: separated by semicolons or white space, a
// decimal comma read as a point ("7,0; 11.1" gives 7 and 11.1). An empty text gives none.
// On a text that is not a finite number, returns false and puts it into *bad.
bool parseNumberList(const QString &text, QVector<double> *numbers, QString *bad);

// "passing-bablok, deming or weighted-deming".
QString choiceNames(const OptionDeclaration &declaration, const QVector<int> &choices = QVector<int>());

// The options as the outputs record them: every option that is not plotOnly (nor one of
// replicates without a subject column), under its key, in the order of the declarations; one that
// does not apply is absent.
Record optionsRecord(const QVector<OptionDeclaration> &declarations, const OptionValues &values);

} // namespace stats

#endif
