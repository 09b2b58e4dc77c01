#ifndef CONCORDA_FUZZ_FUZZINPUT_H
#define CONCORDA_FUZZ_FUZZINPUT_H

#include <QChar>

#include <cstdint>

// The delimiter a fuzz input's first byte picks: comma, semicolon, space or tab.
inline QChar fuzzDelimiter(std::uint8_t byte)
{
    static const QChar delimiters[] = {QLatin1Char(','), QLatin1Char(';'), QLatin1Char(' '),
                                       QLatin1Char('\t')};
    return delimiters[byte % 4];
}

#endif
