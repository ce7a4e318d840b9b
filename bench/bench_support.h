#pragma once
// What the timed drivers share: wall time since a point, and the peak resident memory.
#include <chrono>
#include <sys/resource.h>

namespace velmora::bench {

inline double Seconds(std::chrono::steady_clock::time_point since)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

// Peak resident set size of this process so far, in KiB.
inline long PeakKiB()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

} // namespace velmora::bench
