// The regular lattice of step times on the finite-difference grid. Extreme time stamps never
// overflow: the walk down the lattice saturates at the earliest representable time.
#pragma once

#include <cmath>
#include <cstdint>
#include <limits>

#include "core/utc_time.hpp"

namespace velkor {

// The lattice step in milliseconds: timestep years truncated toward zero, saturating at the
// limits of the type; NaN gives 0.
[[nodiscard]] inline std::int64_t timestep_millis(double timestep) {
    const double millis = timestep * kMillisPerYear;
    if (std::isnan(millis)) return 0;
    // 2^63 is exact as a double; every double below it converts without overflow.
    constexpr double limit = 9223372036854775808.0;
    if (millis >= limit) return std::numeric_limits<std::int64_t>::max();
    if (millis <= -limit) return std::numeric_limits<std::int64_t>::min();
    return static_cast<std::int64_t>(millis);
}

// The lattice time one step h before ts; the earliest representable time when that would
// be earlier still, so a walk down the lattice always ends.
[[nodiscard]] inline std::int64_t step_earlier(std::int64_t ts, std::int64_t h) {
    std::int64_t earlier;
    if (__builtin_sub_overflow(ts, h, &earlier)) return std::numeric_limits<std::int64_t>::min();
    return earlier;
}

}  // namespace velkor
