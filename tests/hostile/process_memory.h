// This process's memory as the kernel counts it: resident now and at its peak (VmRSS and
// VmHWM of /proc/self/status). Header-only, for the hostile, soak and comparison runs.
#pragma once

#include <cstdint>
#include <fstream>
#include <string>

namespace lumeno::harness {

// A "Name:   1234 kB" line of /proc/self/status, in bytes; 0 when it cannot be read.
inline std::uint64_t ProcessStatusBytes(const std::string& name) {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind(name + ":", 0) == 0) {
            return std::stoull(line.substr(name.size() + 1)) * 1024;
        }
    }
    return 0;
}

inline std::uint64_t ResidentBytes() {
    return ProcessStatusBytes("VmRSS");
}
inline std::uint64_t PeakResidentBytes() {
    return ProcessStatusBytes("VmHWM");
}

// Starts the peak afresh from the present resident memory ("5" to clear_refs), so that the
// peak of one step is not hidden behind a higher one of an earlier step. False if the
// kernel refused; the peak then counts from the process's start.
inline bool ResetPeakResident() {
    std::ofstream clear("/proc/self/clear_refs");
    clear << "5";
    clear.flush();
    return static_cast<bool>(clear);
}

}  // namespace lumeno::harness
