// Memory figures of the running process, for benchmarks that report them.
#pragma once

#include <fstream>
#include <string>

namespace benchmem
{

// A "Key:" value of /proc/self/status (VmRSS, VmHWM: KiB), -1 when absent.
inline long statusValue(const char *key)
{
    std::ifstream status("/proc/self/status");
    std::string line;
    const std::string prefix = std::string(key) + ":";
    while (std::getline(status, line))
        if (line.compare(0, prefix.size(), prefix) == 0)
            return std::stol(line.substr(prefix.size()));
    return -1;
}

// Starts the peak (VmHWM) again from the current resident size.
inline bool resetPeak()
{
    std::ofstream clear("/proc/self/clear_refs");
    clear << "5";
    return bool(clear.flush());
}

} // namespace benchmem
