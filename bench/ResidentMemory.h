#pragma once
// Memory figures the benchmarks print, in MiB.

#include <fstream>
#include <string>

#include <sys/resource.h>
#include <unistd.h>

// Resident now, from /proc/self/statm.
inline double residentMegabytes()
{
    long pages = 0;
    long resident = 0;
    std::ifstream statm("/proc/self/statm");
    statm >> pages >> resident;
    return double(resident) * double(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

// The most ever resident (ru_maxrss is in KiB on Linux).
inline double peakResidentMegabytes()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_maxrss) / 1024.0;
}

// Starts the peak over from what is resident now, so one process can
// measure several runs (Linux: VmHWM; ru_maxrss cannot be reset).
inline void resetPeakResident()
{
    std::ofstream("/proc/self/clear_refs") << "5";
}

// The most resident since the last reset (VmHWM, in MiB).
inline double peakResidentSinceResetMegabytes()
{
    std::ifstream status("/proc/self/status");
    std::string word;
    while (status >> word)
        if (word == "VmHWM:") {
            double kib = 0;
            status >> kib;
            return kib / 1024.0;
        }
    return 0;
}
