// libFuzzer target: the batch tool's number reader against the data view's reading. Both
// read the same file bytes; the names and every column must agree, value for value (a
// missing value on both sides, or the same double with the same sign of zero).
//
// Input: the first byte picks the delimiter (comma, semicolon, space, tab); the rest are
// the bytes of the file, as for fuzz_import, whose seeds serve here too.

#include "csvtable.h"
#include "diagnostics.h"
#include "fuzzinput.h"
#include "numberreader.h"

#include <QByteArray>
#include <QString>
#include <QVariant>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    // One line per cell that is not a number would cost more than the code under test.
    quietDiagnostics();
    return 0;
}

namespace {

bool sameValue(double read, const QVariant &cell)
{
    if (!cell.isValid())
        return std::isnan(read);
    const double value = cell.toDouble();
    return std::memcmp(&read, &value, sizeof read) == 0;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    const QChar delimiter = fuzzDelimiter(data[0]);
    const QByteArray bytes =
        QByteArray::fromRawData(reinterpret_cast<const char *>(data + 1), int(size - 1));

    const CsvTable table = csv::parseTable(csv::decodeText(bytes), delimiter);
    const csv::NumberReader reader(bytes, delimiter);
    if (reader.names() != table.names)
        std::abort();
    QVector<int> columns;
    for (int column = 0; column < table.names.size(); ++column)
        columns.append(column);
    const QVector<QVector<double>> read = reader.columns(columns);
    for (int column = 0; column < table.names.size(); ++column) {
        const QVector<QVariant> cells = csv::tableColumnValues(table, column);
        if (read.at(column).size() != cells.size())
            std::abort();
        for (int row = 0; row < cells.size(); ++row) {
            if (!sameValue(read.at(column).at(row), cells.at(row)))
                std::abort();
        }
    }
    return 0;
}
