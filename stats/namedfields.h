#ifndef CONCORDA_STATS_NAMEDFIELDS_H
#define CONCORDA_STATS_NAMEDFIELDS_H

#include <QByteArray>
#include <QString>
#include <QVector>

#include <vector>

// The figures of an analysis as named fields, the one form from which the machine-readable
// outputs are written: a JSON document keeps their nesting, a CSV row flattens it. A new
// figure is one more field; no writer changes.
namespace stats {

struct Field;
using Record = std::vector<Field>;

// One value: nothing (a figure that does not apply, or a limit that does not exist), a
// number, a count, a truth value, a text, a list of numbers, a nested record, or a list of
// records.
class FieldValue
{
public:
    enum class Kind { Absent, Number, Count, Truth, Text, Numbers, Nested, List };

    FieldValue();
    FieldValue(double number);
    FieldValue(bool truth);
    FieldValue(const QString &text);
    FieldValue(const char *text) = delete;
    static FieldValue count(qint64 count);
    static FieldValue numbers(const QVector<double> &numbers);
    static FieldValue nested(Record record);
    // A list of records. A CSV row names each record's fields after the list, the value of
    // its `keyField` and the field's own name; `mainField` goes without its own name
    // (bias_at_7, bias_at_7_lower, bias_at_7_upper).
    static FieldValue list(std::vector<Record> records, const QString &keyField,
                           const QString &mainField);
    // An absent value where `applies` is false.
    static FieldValue when(bool applies, const FieldValue &value);

    FieldValue(const FieldValue &other);
    FieldValue &operator=(const FieldValue &other);
    ~FieldValue();

    Kind kind() const;
    double number() const;
    qint64 countValue() const;
    bool truth() const;
    const QString &text() const;
    const QVector<double> &numberList() const;
    const Record &record() const;
    const std::vector<Record> &records() const;
    const QString &keyField() const;
    const QString &mainField() const;

private:
    Kind valueKind = Kind::Absent;
    double numberValue = 0;
    qint64 integerValue = 0;
    bool truthValue = false;
    QString textValue; // the text; for a list, its key field
    QString main;      // for a list, its main field
    QVector<double> numbersValue;
    std::vector<Field> nestedRecord;
    std::vector<Record> listRecords;
};

struct Field
{
    QString name;
    FieldValue value;
};

// A finished analysis as its machine-readable outputs show it.
struct FieldOutput
{
    QString analysis;  // the JSON document's "analysis"; none when empty
    Record options;    // the JSON document's "options"
    std::vector<Record> results; // one per compared variable
    Record rowSuffix;  // fields that every CSV row ends with, after the result's own
};

// A header line of the flattened field names of the first result, then one line per
// result; numbers unrounded, NaN and infinities as NaN, Inf and -Inf, an absent value as an
// empty field, texts quoted where they hold a comma, a quote or a line end.
QByteArray fieldsCsv(const FieldOutput &output);

// {"analysis": ..., "options": {...}, "results": [...]}, indented, keys in alphabetical
// order; a number that is not finite and an absent value as null.
QByteArray fieldsJson(const FieldOutput &output);

} // namespace stats

#endif
