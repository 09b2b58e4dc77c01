// libFuzzer target: arbitrary columns and options through the agreement report.
//
// A run may end in a document or in an error of the statistics library
// (std::domain_error, std::overflow_error), for which the user's message is built as
// the program builds it. Any other exception escapes and counts as a crash.
//
// Input layout (bytes missing at the end read as 0):
//   flags      bit 0 proportional, bit 1 random, bit 2 population divisor,
//              bits 4-5 number of compared columns (0 to 3)
//   3 options  TDI Allowance, CP Allowance, Alpha; each one selector byte and its payload
//   rows       one byte
//   cells      row by row, the reference cell first, then the compared cells; each one
//              selector byte and its payload
// The format is written out in fuzz/make_corpus.py, which makes the seed corpus.

#include "agreementreport.h"
#include "diagnostics.h"

#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVector>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <stdexcept>

namespace {

constexpr double infinity = std::numeric_limits<double>::infinity();
constexpr double notANumber = std::numeric_limits<double>::quiet_NaN();

// Option values at the edges of the spin boxes and of the statistics' domains.
const double optionExtremes[] = {
    0.0, 0.01, 0.5, 0.99, 1.0, 99.99, -1.0, -100.0, 100.0, notANumber, infinity, -infinity,
    std::numeric_limits<double>::max(), std::numeric_limits<double>::denorm_min(), -0.0,
    1.0 - 1e-16, 1e-300,
};

// Readings a file can hold: "1e999" reads as infinity, "nan" as NaN, and magnitudes whose
// squares overflow or underflow.
const double cellExtremes[] = {
    0.0, -0.0, 1.0, -1.0, notANumber, infinity, -infinity,
    std::numeric_limits<double>::max(), -std::numeric_limits<double>::max(),
    std::numeric_limits<double>::min(), std::numeric_limits<double>::denorm_min(),
    1e-300, 1e300, 1e154, 1e-154, 0.5, 99.99, 1e15 + 0.5,
};

template<typename T, size_t N>
constexpr size_t countOf(const T (&)[N])
{
    return N;
}

class ByteReader
{
public:
    ByteReader(const uint8_t *data, size_t size) : data(data), size(size) {}

    uint8_t byte() { return position < size ? data[position++] : 0; }

    uint16_t word()
    {
        const uint16_t low = byte();
        return uint16_t(low | (byte() << 8));
    }

    double rawDouble()
    {
        uint8_t bytes[sizeof(double)] = {};
        for (uint8_t &b : bytes)
            b = byte();
        double value;
        std::memcpy(&value, bytes, sizeof value);
        return value;
    }

private:
    const uint8_t *data;
    size_t size;
    size_t position = 0;
};

double readOption(ByteReader &in, double defaultValue)
{
    switch (in.byte() % 4) {
    case 0: // a spin-box value: a multiple of 0.01 in [0, 99.99]
        return (in.word() % 10000) / 100.0;
    case 1:
        return optionExtremes[in.byte() % countOf(optionExtremes)];
    case 2:
        return in.rawDouble();
    default:
        return defaultValue;
    }
}

// One cell of a column. `previous` is the column's last value (for constant runs) and
// `reference` the reference cell of the same row (for identical or shifted columns).
QVariant readCell(ByteReader &in, const QVariant &previous, const QVariant &reference)
{
    switch (in.byte() % 8) {
    case 0:
        return QVariant(); // missing: empty or not a number
    case 1:
        return QVariant(double(int8_t(in.byte())));
    case 2:
        return QVariant(in.rawDouble());
    case 3:
        return QVariant(cellExtremes[in.byte() % countOf(cellExtremes)]);
    case 4:
        return previous;
    case 5:
        return reference;
    case 6: {
        const double shift = int8_t(in.byte());
        return reference.isValid() ? QVariant(reference.toDouble() + shift) : QVariant();
    }
    default:
        return QVariant(int16_t(in.word()) / 100.0);
    }
}

// The user's message for an error that ended the report at `column`.
void explain(const std::exception &error, int column, const QVector<QVector<QVariant>> &others,
             const QVector<QVariant> &gold, const QStringList &names,
             const stats::AgreementOptions &options)
{
    if (column < 0 || column >= others.size())
        std::abort();
    stats::agreementErrorMessage(error, names.at(column), others.at(column), gold, options);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    // A diagnostic line per random-mode CP estimate would cost more than the estimate.
    quietDiagnostics();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    ByteReader in(data, size);
    const uint8_t flags = in.byte();
    stats::AgreementOptions options;
    options.proportional = flags & 0x01;
    options.random = flags & 0x02;
    options.sample = !(flags & 0x04);
    const int compared = (flags >> 4) & 0x03;
    options.tdiAllowance = readOption(in, options.tdiAllowance);
    options.cpAllowance = readOption(in, options.cpAllowance);
    options.alpha = readOption(in, options.alpha);
    const int rows = in.byte();

    QVector<QVariant> gold;
    QVector<QVector<QVariant>> others(compared);
    QStringList names;
    for (int c = 0; c < compared; ++c)
        names << QStringLiteral("M%1").arg(c);
    for (int row = 0; row < rows; ++row) {
        const QVariant reference = readCell(in, gold.value(row - 1), QVariant());
        gold << reference;
        for (QVector<QVariant> &column : others)
            column << readCell(in, column.value(row - 1), reference);
    }

    // Only the two errors of the statistics library may end a report; any other exception
    // escapes and counts as a crash.
    int failedColumn = -1;
    try {
        const QString html =
            stats::agreementDocument(others, gold, names, options, &failedColumn);
        if (!html.endsWith(QLatin1String("</table> </body> </html>"))
            || html.count(QLatin1String("</tr>")) != compared + 1)
            std::abort();
    } catch (const std::domain_error &error) {
        explain(error, failedColumn, others, gold, names, options);
    } catch (const std::overflow_error &error) {
        explain(error, failedColumn, others, gold, names, options);
    }
    return 0;
}
