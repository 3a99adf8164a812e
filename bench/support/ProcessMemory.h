#pragma once

#include <QByteArray>
#include <QFile>

namespace kestrion::bench {

// This process's memory from /proc/self/status, in megabytes: a field such as "VmRSS" (now)
// or "VmHWM" (the peak since start or since resetPeakResident). 0 where there is no /proc.
inline double processMemoryMegabytes(const char* field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray prefix = QByteArray(field) + ':';
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith(prefix))
            return line.mid(prefix.size()).trimmed().split(' ').front().toDouble() / 1024.0;
    }
    return 0;
}

inline double residentMegabytes()
{
    return processMemoryMegabytes("VmRSS");
}

inline double peakResidentMegabytes()
{
    return processMemoryMegabytes("VmHWM");
}

// Starts the peak over from the present resident size, so that a benchmark reports its own
// peak and not that of one run before it.
inline void resetPeakResident()
{
    QFile refs(QStringLiteral("/proc/self/clear_refs"));
    if (refs.open(QIODevice::WriteOnly))
        refs.write("5");
}

} // namespace kestrion::bench
