#ifndef CONCORDA_BENCH_PEAKMEMORY_H
#define CONCORDA_BENCH_PEAKMEMORY_H

#include <QByteArray>
#include <QFile>

#include <benchmark/benchmark.h>

#include <cstdio>

#ifdef __GLIBC__
#include <malloc.h>
#endif

// Kilobytes of a "Vm..." line of /proc/self/status, or -1 where there is no such file.
inline double statusKilobytes(const char *field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray prefix = QByteArray(field) + ':';
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith(prefix))
            return line.mid(prefix.size()).trimmed().split(' ').first().toDouble();
    }
    return -1;
}

// Resets the peak resident memory to the current one (Linux 4.0 and later), so that each
// case reports its own peak instead of the largest one so far. The heap left over by the
// previous case goes back to the system first, or it would count as this case's baseline.
inline void resetPeakMemory()
{
#ifdef __GLIBC__
    malloc_trim(0);
#endif
    if (FILE *clearRefs = std::fopen("/proc/self/clear_refs", "w")) {
        std::fputs("5", clearRefs);
        std::fclose(clearRefs);
    }
}

// Wraps the timed loop of one case: the counters baseline_rss_MB (resident before the case)
// and peak_rss_MB (the process's peak while it ran).
class MemoryCounters
{
public:
    explicit MemoryCounters(benchmark::State &state)
        : m_state(state)
    {
        resetPeakMemory();
        m_baselineKilobytes = statusKilobytes("VmRSS");
    }
    ~MemoryCounters()
    {
        m_state.counters["baseline_rss_MB"] = m_baselineKilobytes / 1024.0;
        m_state.counters["peak_rss_MB"] = statusKilobytes("VmHWM") / 1024.0;
    }

private:
    benchmark::State &m_state;
    double m_baselineKilobytes;
};

#endif
