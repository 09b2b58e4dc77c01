#ifndef CONCORDA_TESTS_RANDOMPAIRS_H
#define CONCORDA_TESTS_RANDOMPAIRS_H

#include "agreementreport.h"

#include <QString>
#include <QVariant>
#include <QVector>

#include <cmath>
#include <cstdint>
#include <random>

// Column pairs of many shapes for comparing whole report rows, made from a seed alone so
// that a file of figures can name a pair by its number. Readings are rounded to three
// decimals, as a laboratory export writes them, so that the pairs do not depend on the
// last bit of the platform's logarithm or cosine.
namespace randompairs {

struct Case
{
    QVector<QVariant> gold;
    QVector<QVariant> other;
    stats::AgreementOptions options; // everything but proportional and random
    double percentAllowance = 0;      // the bound under proportional, relative to the level
};

class Generator
{
public:
    explicit Generator(std::uint64_t seed) : m_engine(seed) {}

    // Uniform in [0, 1), from the top 53 bits of the engine, whose sequence the C++
    // standard fixes.
    double uniform() { return double(m_engine() >> 11) * 0x1p-53; }

    // Standard normal by the Box-Muller transform.
    double normal()
    {
        const double u = 1.0 - uniform();
        return std::sqrt(-2.0 * std::log(u)) * std::cos(6.283185307179586 * uniform());
    }

    int below(int limit) { return int(uniform() * limit); }

private:
    std::mt19937_64 m_engine;
};

inline double rounded(double value)
{
    return QString::number(value, 'f', 3).toDouble();
}

// The pair numbered `index`: a reference method around a level, a compared method with its
// own bias, slope and noise, now and then a missing reading, and analysis options chosen
// so that CP falls anywhere between about 0.2 and 1. Every reading is positive, so that
// each pair also serves proportional.
inline Case pair(int index)
{
    static const int sizes[] = {4, 5, 6, 7, 9, 12, 20, 35, 60, 150, 400, 1500, 6000};
    static const double levels[] = {12.0, 0.8, 150.0, 4000.0};
    Generator generator(0x5eed0000u + std::uint64_t(index));
    const int n = sizes[index % int(sizeof sizes / sizeof *sizes)];
    const double level = levels[(index / 3) % 4];
    const double spread = level * (0.05 + 0.15 * generator.uniform());
    const double noise = spread * (0.05 + 0.5 * generator.uniform());
    const double slope = 0.9 + 0.2 * generator.uniform();
    const double bias = noise * 2.0 * (generator.uniform() - 0.5);
    const bool gaps = index % 5 == 0;

    Case c;
    for (int i = 0; i < n; ++i) {
        const double truth = level + spread * generator.normal();
        const double reference = rounded(std::fabs(truth + noise * generator.normal()) + 1e-3);
        const double compared =
            rounded(std::fabs(slope * truth + bias + noise * generator.normal()) + 1e-3);
        const bool goldMissing = gaps && generator.below(20) == 0;
        const bool otherMissing = gaps && generator.below(20) == 0;
        c.gold.append(goldMissing ? QVariant() : QVariant(reference));
        c.other.append(otherMissing ? QVariant() : QVariant(compared));
    }
    static const double cpAllowances[] = {0.8, 0.9, 0.95};
    static const double alphas[] = {0.05, 0.01, 0.1, 0.05};
    const double bound = noise * (0.5 + 3.0 * generator.uniform());
    c.options.tdiAllowance = rounded(bound);
    c.percentAllowance = std::round(1000.0 * bound / level) / 10.0;
    c.options.cpAllowance = cpAllowances[index % 3];
    c.options.alpha = alphas[index % 4];
    c.options.sample = index % 2 == 0;
    return c;
}

// Pairs at the edges of what the engine computes, numbered from 0: the differences
// without spread, an exact linear relation, three and two pairs, a constant compared
// column, a reading whose square overflows, perfect agreement. Options are the defaults
// with a bound of 1. Returns false past the last shape.
inline bool degeneratePair(int index, Case *c)
{
    const QVector<double> reference{10.1, 12.3, 9.8, 15.2, 11.0, 13.4, 8.9, 14.1};
    *c = Case();
    c->options.tdiAllowance = 1.0;
    c->percentAllowance = 10.0;
    for (int i = 0; i < reference.size(); ++i) {
        const double x = reference.at(i);
        double y = 0;
        switch (index) {
        case 0: y = x + 0.5; break;
        case 1: y = 2.0 * x; break;
        case 2: if (i >= 3) return true; y = x + 0.1 * i; break;
        case 3: if (i >= 2) return true; y = x + 0.1 * i; break;
        case 4: y = 12.0; break;
        case 5: y = i == 4 ? 1e200 : x + 0.1 * (i % 3); break;
        case 6: y = x; break;
        default: return false;
        }
        c->gold.append(x);
        c->other.append(y);
    }
    return true;
}

// Under proportional the bound is a percentage of the reading.
inline stats::AgreementOptions options(const Case &c, bool proportional, bool random)
{
    stats::AgreementOptions options = c.options;
    options.proportional = proportional;
    options.random = random;
    if (proportional)
        options.tdiAllowance = c.percentAllowance;
    return options;
}

} // namespace randompairs

#endif
