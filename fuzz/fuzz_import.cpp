// libFuzzer target: arbitrary file bytes through the import's reading steps (decode, split
// into names and rows) and back out column by column, as the analysis reads them. These
// are the steps the data view is filled from and the batch tool reads with; the grid
// itself only holds the texts.
//
// Input: the first byte picks the delimiter (comma, semicolon, space, tab); the rest are
// the bytes of the file.

#include "csvtable.h"
#include "diagnostics.h"
#include "fuzzinput.h"

#include <QByteArray>
#include <QString>

#include <algorithm>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    // One line per cell that is not a number would cost more than the code under test.
    quietDiagnostics();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    const QChar delimiter = fuzzDelimiter(data[0]);
    const QString text = csv::decodeText(
        QByteArray::fromRawData(reinterpret_cast<const char *>(data + 1), int(size - 1)));

    const CsvTable table = csv::parseTable(text, delimiter);
    if (table.names.isEmpty())
        std::abort();
    int expectedRows = table.rows.size();
    for (const QStringList &row : table.rows) {
        if (row.size() > table.names.size())
            std::abort();
    }
    if (expectedRows > 0 && std::all_of(table.rows.last().cbegin(), table.rows.last().cend(),
                                        [](const QString &field) { return field.isEmpty(); }))
        --expectedRows;
    for (int column = 0; column < table.names.size(); ++column) {
        if (csv::tableColumnValues(table, column).size() != expectedRows)
            std::abort();
    }
    return 0;
}
