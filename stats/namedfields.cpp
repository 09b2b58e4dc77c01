#include "namedfields.h"

#include "reportnumbers.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringList>

#include <cmath>

namespace stats {

FieldValue::FieldValue() = default;

FieldValue::FieldValue(double number)
    : valueKind(Kind::Number)
    , numberValue(number)
{
}

FieldValue::FieldValue(bool truth)
    : valueKind(Kind::Truth)
    , truthValue(truth)
{
}

FieldValue::FieldValue(const QString &text)
    : valueKind(Kind::Text)
    , textValue(text)
{
}

FieldValue FieldValue::count(qint64 count)
{
    FieldValue value;
    value.valueKind = Kind::Count;
    value.integerValue = count;
    return value;
}

FieldValue FieldValue::numbers(const QVector<double> &numbers)
{
    FieldValue value;
    value.valueKind = Kind::Numbers;
    value.numbersValue = numbers;
    return value;
}

FieldValue FieldValue::nested(Record record)
{
    FieldValue value;
    value.valueKind = Kind::Nested;
    value.nestedRecord = std::move(record);
    return value;
}

FieldValue FieldValue::list(std::vector<Record> records, const QString &keyField,
                            const QString &mainField)
{
    FieldValue value;
    value.valueKind = Kind::List;
    value.listRecords = std::move(records);
    value.textValue = keyField;
    value.main = mainField;
    return value;
}

FieldValue FieldValue::when(bool applies, const FieldValue &value)
{
    return applies ? value : FieldValue();
}

FieldValue::FieldValue(const FieldValue &other) = default;
FieldValue &FieldValue::operator=(const FieldValue &other) = default;
FieldValue::~FieldValue() = default;

FieldValue::Kind FieldValue::kind() const
{
    return valueKind;
}

double FieldValue::number() const
{
    return numberValue;
}

qint64 FieldValue::countValue() const
{
    return integerValue;
}

bool FieldValue::truth() const
{
    return truthValue;
}

const QString &FieldValue::text() const
{
    return textValue;
}

const QVector<double> &FieldValue::numberList() const
{
    return numbersValue;
}

const Record &FieldValue::record() const
{
    return nestedRecord;
}

const std::vector<Record> &FieldValue::records() const
{
    return listRecords;
}

const QString &FieldValue::keyField() const
{
    return textValue;
}

const QString &FieldValue::mainField() const
{
    return main;
}

namespace {

QString csvField(const QString &text)
{
    if (!text.contains(QLatin1Char(',')) && !text.contains(QLatin1Char('"'))
        && !text.contains(QLatin1Char('\n')) && !text.contains(QLatin1Char('\r')))
        return text;
    QString escaped = text;
    escaped.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + escaped + QLatin1Char('"');
}

// The text a single value takes in a CSV field.
QString csvText(const FieldValue &value)
{
    switch (value.kind()) {
    case FieldValue::Kind::Number:
        return csvNumber(value.number());
    case FieldValue::Kind::Count:
        return QString::number(value.countValue());
    case FieldValue::Kind::Truth:
        return value.truth() ? QStringLiteral("true") : QStringLiteral("false");
    case FieldValue::Kind::Text:
        return csvField(value.text());
    case FieldValue::Kind::Numbers: {
        QStringList numbers;
        for (double number : value.numberList())
            numbers.append(csvNumber(number));
        return numbers.join(QLatin1Char(';'));
    }
    case FieldValue::Kind::Absent:
    case FieldValue::Kind::Nested:
    case FieldValue::Kind::List:
        break;
    }
    return QString();
}

const FieldValue *fieldNamed(const Record &record, const QString &name)
{
    for (const Field &field : record) {
        if (field.name == name)
            return &field.value;
    }
    return nullptr;
}

// Each value with its column name: nested records and lists spread into columns of their
// own, named after the field that holds them.
void flatten(const QString &prefix, const Record &record, QStringList *names, QStringList *texts)
{
    for (const Field &field : record) {
        const QString name = prefix.isEmpty() ? field.name : prefix + QLatin1Char('_') + field.name;
        const FieldValue &value = field.value;
        if (value.kind() == FieldValue::Kind::Nested) {
            flatten(name, value.record(), names, texts);
            continue;
        }
        if (value.kind() != FieldValue::Kind::List) {
            names->append(name);
            texts->append(csvText(value));
            continue;
        }
        for (const Record &item : value.records()) {
            const FieldValue *key = fieldNamed(item, value.keyField());
            const QString itemName = name + QLatin1Char('_') + (key ? csvText(*key) : QString());
            for (const Field &itemField : item) {
                if (itemField.name == value.keyField())
                    continue;
                if (itemField.name == value.mainField()) {
                    names->append(itemName);
                    texts->append(csvText(itemField.value));
                    continue;
                }
                flatten(itemName, Record{itemField}, names, texts);
            }
        }
    }
}

QJsonValue jsonValue(const FieldValue &value);

QJsonObject jsonObject(const Record &record)
{
    QJsonObject object;
    for (const Field &field : record)
        object.insert(field.name, jsonValue(field.value));
    return object;
}

QJsonValue jsonValue(const FieldValue &value)
{
    switch (value.kind()) {
    case FieldValue::Kind::Number:
        return std::isfinite(value.number()) ? QJsonValue(value.number())
                                             : QJsonValue(QJsonValue::Null);
    case FieldValue::Kind::Count:
        return QJsonValue(value.countValue());
    case FieldValue::Kind::Truth:
        return QJsonValue(value.truth());
    case FieldValue::Kind::Text:
        return QJsonValue(value.text());
    case FieldValue::Kind::Numbers: {
        QJsonArray array;
        for (double number : value.numberList())
            array.append(number);
        return array;
    }
    case FieldValue::Kind::Nested:
        return jsonObject(value.record());
    case FieldValue::Kind::List: {
        QJsonArray array;
        for (const Record &item : value.records())
            array.append(jsonObject(item));
        return array;
    }
    case FieldValue::Kind::Absent:
        break;
    }
    return QJsonValue(QJsonValue::Null);
}

} // namespace

QByteArray fieldsCsv(const FieldOutput &output)
{
    QString text;
    for (std::size_t i = 0; i < output.results.size(); ++i) {
        QStringList names;
        QStringList texts;
        flatten(QString(), output.results.at(i), &names, &texts);
        flatten(QString(), output.rowSuffix, &names, &texts);
        if (i == 0)
            text += names.join(QLatin1Char(',')) + QLatin1Char('\n');
        text += texts.join(QLatin1Char(',')) + QLatin1Char('\n');
    }
    return text.toUtf8();
}

QByteArray fieldsJson(const FieldOutput &output)
{
    QJsonArray results;
    for (const Record &result : output.results)
        results.append(jsonObject(result));
    QJsonObject document{{QStringLiteral("options"), jsonObject(output.options)},
                         {QStringLiteral("results"), results}};
    if (!output.analysis.isEmpty())
        document.insert(QStringLiteral("analysis"), output.analysis);
    return QJsonDocument(document).toJson(QJsonDocument::Indented);
}

} // namespace stats
