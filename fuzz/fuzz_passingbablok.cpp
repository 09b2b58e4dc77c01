// libFuzzer target: Passing-Bablok's slope selection against the direct computation over
// all n(n - 1)/2 slopes (tests/stats/passingbablokoracle.h). Every figure must be the same
// double, or NaN on both sides.
//
// Input layout (bytes missing at the end read as 0):
//   header   bits 0-1 the normal quantile z (1.96, 2.58, 1, 0.5); bits 2-3 the kind of
//            readings: 0 quarters (a signed byte / 4), 1 hundredths (a signed 16-bit
//            integer / 100), 2 raw doubles (8 bytes; not finite or beyond 2^500 read as 1),
//            3 mixed (a selector byte before each reading, see `mixedReading`)
//   readings x and y in turn, pair by pair; at most 400 pairs
// The format is written out in fuzz/make_corpus.py, which makes the seed corpus.

#include "passingbablok.h"
#include "passingbablokoracle.h"

#include <QVector>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

class ByteReader
{
public:
    ByteReader(const uint8_t *data, size_t size) : m_data(data), m_size(size) {}

    bool atEnd() const { return m_position >= m_size; }

    uint8_t byte() { return m_position < m_size ? m_data[m_position++] : 0; }

    int8_t signedByte() { return int8_t(byte()); }

    int16_t signedShort()
    {
        const uint16_t low = byte();
        return int16_t(low | uint16_t(byte() << 8));
    }

    double raw()
    {
        uint64_t bits = 0;
        for (int k = 0; k < 8; ++k)
            bits |= uint64_t(byte()) << (8 * k);
        double value = 0;
        std::memcpy(&value, &bits, sizeof value);
        return std::fabs(value) <= 0x1p500 ? value : 1;
    }

private:
    const uint8_t *m_data;
    size_t m_size;
    size_t m_position = 0;
};

// One reading of the mixed kind: its selector byte picks a quarter, a hundredth, a raw
// double, the previous reading moved by a few units in the last place (near ties), or, for
// y, x plus or minus a number of tenths (slopes of 1 and -1 in decimals).
double mixedReading(ByteReader &reader, double previous, bool isY, double x)
{
    switch (reader.byte() % 5) {
    case 0:
        return reader.signedByte() / 4.0;
    case 1:
        return reader.signedShort() / 100.0;
    case 2:
        return reader.raw();
    case 3: {
        double value = previous;
        const int steps = reader.signedByte() % 8;
        for (int k = 0; k < std::abs(steps); ++k)
            value = std::nextafter(value, steps > 0 ? 1e300 : -1e300);
        return value;
    }
    default: {
        const int8_t offset = reader.signedByte();
        if (!isY)
            return offset / 10.0;
        return (offset % 2 == 0 ? x : -x) + offset / 10.0;
    }
    }
}

bool same(double a, double b)
{
    return a == b || (std::isnan(a) && std::isnan(b));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    ByteReader reader(data, size);
    const uint8_t header = reader.byte();
    static const double quantiles[] = {1.959963984540054, 2.5758293035489, 1.0, 0.5};
    const double z = quantiles[header & 3];
    const int kind = (header >> 2) & 3;

    QVector<double> x;
    QVector<double> y;
    double previous = 0;
    while (!reader.atEnd() && x.size() < 400) {
        for (bool isY : {false, true}) {
            double value = 0;
            switch (kind) {
            case 0: value = reader.signedByte() / 4.0; break;
            case 1: value = reader.signedShort() / 100.0; break;
            case 2: value = reader.raw(); break;
            default: value = mixedReading(reader, previous, isY, isY ? x.last() : 0); break;
            }
            (isY ? y : x).append(value);
            previous = value;
        }
    }

    if (x.isEmpty()) // the direct computation takes the median of nothing
        return 0;
    const stats::PassingBablokFit fast = stats::passingBablokFit(x, y, z);
    const stats::PassingBablokFit direct = oracle::passingBablokFit(x, y, z);
    if (fast.stopped || !same(fast.line.slope, direct.line.slope)
        || !same(fast.slopeLower, direct.slopeLower) || !same(fast.slopeUpper, direct.slopeUpper)
        || !same(fast.line.intercept, direct.line.intercept)
        || !same(fast.interceptLower, direct.interceptLower)
        || !same(fast.interceptUpper, direct.interceptUpper))
        std::abort();
    return 0;
}
