// Resident memory of this process, for the benchmarks.
#pragma once

#include <fstream>
#include <string>

/// VmRSS in KiB, 0 where /proc is not there.
inline long ResidentKiB()
{
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmRSS:", 0) == 0)
            return std::stol(line.substr(6));
    return 0;
}
