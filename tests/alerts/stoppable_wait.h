// Sleeping until a moment unless a stop comes first, for the test doubles' worker threads.
#pragma once

#include <algorithm>
#include <chrono>
#include <stop_token>
#include <thread>

namespace lumeno::test {

// True when the moment came, false when stop was requested first (seen within 2 ms).
// Polls rather than registering a std::stop_callback: a callback's removal waits on an
// atomic that GCC 12's MinGW library can fail to wake (libstdc++ bug 106183), which hangs.
template <class Clock, class Duration>
bool WaitUntilUnlessStopped(std::chrono::time_point<Clock, Duration> when, std::stop_token stop) {
    constexpr auto kSlice = std::chrono::milliseconds(2);
    while (!stop.stop_requested()) {
        const auto now = Clock::now();
        if (now >= when) return true;
        std::this_thread::sleep_for(std::min<typename Clock::duration>(when - now, kSlice));
    }
    return false;
}

}  // namespace lumeno::test
