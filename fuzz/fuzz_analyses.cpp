// libFuzzer target: every analysis of the registry on fuzzed data with fuzzed option values,
// through the one road every run takes (the checks, the analysis, the document, the plots,
// the named fields in CSV and JSON). An option value outside its declaration must be
// refused before the analysis sees it; whatever runs must finish without a fault, and its
// outputs must be whole: one CSV line per compared column after the header, JSON that
// parses, a document that ends.
//
// Input: byte 0 picks the analysis, byte 1 the delimiter and how many columns are compared
// (the high nibble, 1 to 4) and whether the last column names the subjects (bit 3); then,
// for each option of the analysis in the order it declares them, the bytes its value
// takes (below); the rest are the bytes of the CSV file, whose first column is the
// reference.
//
// A number option: one byte choosing among the declared default, the ends of the range and
// just beyond them, NaN, infinities and a few plain values, or (255) eight raw bytes of a
// double. A choice: one byte, its index (an index beyond the choices included). A flag:
// one byte, its lowest bit. A list: one byte, how many values (0 to 3), then one byte each
// as for a number.

#include "analysis.h"
#include "csvtable.h"
#include "diagnostics.h"
#include "fuzzinput.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QJsonDocument>
#include <QString>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    quietDiagnostics();
    return 0;
}

namespace {

class Input
{
public:
    Input(const std::uint8_t *data, size_t size)
        : data(data)
        , size(size)
    {
    }

    std::uint8_t byte()
    {
        return position < size ? data[position++] : 0;
    }

    double number(const stats::OptionDeclaration &declaration)
    {
        const stats::NumberRange &range = declaration.range;
        const double infinity = std::numeric_limits<double>::infinity();
        const double choices[] = {declaration.defaultValue.toDouble(),
                                  range.minimum,
                                  range.maximum,
                                  std::nextafter(range.minimum, -infinity),
                                  std::nextafter(range.maximum, infinity),
                                  std::numeric_limits<double>::quiet_NaN(),
                                  infinity,
                                  -infinity,
                                  0.0,
                                  0.5,
                                  1.0,
                                  -100.0,
                                  1e-300,
                                  1e300};
        const std::uint8_t which = byte();
        if (which == 255) {
            double value = 0;
            for (size_t i = 0; i < sizeof value; ++i)
                reinterpret_cast<std::uint8_t *>(&value)[i] = byte();
            return value;
        }
        return choices[which % (sizeof choices / sizeof *choices)];
    }

    QByteArray rest() const
    {
        return position < size ? QByteArray::fromRawData(reinterpret_cast<const char *>(data + position),
                                                         int(size - position))
                               : QByteArray();
    }

private:
    const std::uint8_t *data;
    size_t size;
    size_t position = 0;
};

stats::OptionValues fuzzedOptions(const QVector<stats::OptionDeclaration> &declarations, Input *input)
{
    stats::OptionValues values;
    for (const stats::OptionDeclaration &declaration : declarations) {
        switch (declaration.type) {
        case stats::OptionType::Number:
            values.set(declaration.name, input->number(declaration));
            break;
        case stats::OptionType::Choice:
            values.set(declaration.name, int(input->byte() % (declaration.choices.size() + 1)));
            break;
        case stats::OptionType::Flag:
            values.set(declaration.name, bool(input->byte() & 1));
            break;
        case stats::OptionType::NumberList: {
            QVector<double> numbers;
            for (int count = input->byte() % 4; count > 0; --count)
                numbers.append(input->number(declaration));
            values.set(declaration.name, QVariant::fromValue(numbers));
            break;
        }
        }
    }
    return values;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, size_t size)
{
    if (size < 2)
        return 0;
    Input input(data, size);
    const QVector<const stats::Analysis *> &all = stats::analyses();
    const stats::Analysis &analysis = *all.at(input.byte() % all.size());
    const std::uint8_t layout = input.byte();
    const QChar delimiter = fuzzDelimiter(layout);
    const int comparedCount = 1 + (layout >> 4) % 4;
    const bool withSubject = (layout & 0x08) && analysis.subjectColumn() != stats::SubjectColumn::None;

    stats::AnalysisInput run;
    run.options = fuzzedOptions(analysis.options(), &input);
    run.options.setSubjectColumn(withSubject);
    const bool optionsFine =
        stats::optionsProblem(analysis, run.options, stats::OptionNames::CommandLine).isEmpty();

    const CsvTable table = csv::parseTable(csv::decodeText(input.rest()), delimiter);
    const int columns = table.names.size();
    if (columns < 2)
        return 0;
    run.referenceName = table.names.at(0);
    run.reference = csv::tableColumnValues(table, 0);
    const int lastCompared = withSubject ? columns - 1 : columns;
    for (int column = 1; column < lastCompared && column <= comparedCount; ++column) {
        run.labels.append(table.names.at(column));
        run.names.append(csv::withoutFinalCarriageReturn(table.names.at(column)));
        run.compared.append(csv::tableColumnValues(table, column));
    }
    if (withSubject) {
        run.subjectName = table.names.at(columns - 1);
        for (int row = 0; row < run.reference.size(); ++row)
            run.subject.append(table.rows.at(row).value(columns - 1));
    }
    if (run.compared.isEmpty())
        return 0;
    // A run the fuzzed options make long (a million bootstrap resamples) is stopped after a
    // second, which tries the stopping too.
    QElapsedTimer clock;
    clock.start();
    run.progress = [&clock](double) { return clock.elapsed() < 1000; };

    stats::Problem problem;
    const std::unique_ptr<stats::AnalysisResult> result =
        stats::runAnalysis(analysis, run, stats::OptionNames::CommandLine, &problem);
    if (!optionsFine && result)
        std::abort(); // an option outside its declaration reached the analysis
    if (!result) {
        if (problem.isEmpty() && !problem.stopped)
            std::abort(); // refused without a reason
        return 0;
    }

    const QVector<stats::PlotModel> plots = result->plots();
    const QString html = result->document(QStringList());
    if (!html.endsWith(QLatin1String("</html>")))
        std::abort();
    const stats::FieldOutput fields = result->fields();
    if (int(fields.results.size()) != run.compared.size())
        std::abort();
    if (stats::fieldsCsv(fields).count('\n') < int(fields.results.size()) + 1)
        std::abort();
    QJsonParseError error;
    QJsonDocument::fromJson(stats::fieldsJson(fields), &error);
    if (error.error != QJsonParseError::NoError)
        std::abort();
    return 0;
}
