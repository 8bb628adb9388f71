// The clock of the player's --timestamps: QueryPerformanceCounter. Under Wine
// it counts CLOCK_MONOTONIC_RAW, the clock tavix-device stamps its lines with,
// so the two programs' stamps of one event compare directly.
#pragma once

#include <cstdint>

namespace player {

// Microseconds of QueryPerformanceCounter.
std::int64_t performance_counter_us();

}  // namespace player
