#include "player/win/stamp_clock.h"

#include <windows.h>

namespace player {

std::int64_t performance_counter_us() {
    static const std::int64_t frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return static_cast<std::int64_t>(f.QuadPart);
    }();
    LARGE_INTEGER c;
    QueryPerformanceCounter(&c);
    const std::int64_t ticks = c.QuadPart;
    // Whole seconds apart from the rest: ticks * 1000000 would overflow
    // after some days of uptime at a 10 MHz counter.
    return ticks / frequency * 1000000 + ticks % frequency * 1000000 / frequency;
}

}  // namespace player
