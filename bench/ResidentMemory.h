#pragma once
// Memory figures the benchmarks print, in MiB.

#include <fstream>

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
