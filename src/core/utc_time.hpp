// Millisecond time stamps written as UTC date-times, e.g. 2024-03-29T12:00:00.250Z.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace velkor {

// Milliseconds in a 365-day year: the unit of every year fraction.
inline constexpr double kMillisPerYear = 31536000000.0;

// Years from `from` to `ts`: the integer difference converted to double, then divided by
// the milliseconds of a 365-day year. The difference is taken in 128 bits, so no pair of
// 64-bit time stamps overflows.
[[nodiscard]] constexpr double year_fraction(std::int64_t ts, std::int64_t from) {
    __extension__ using Wide = __int128;
    return static_cast<double>(static_cast<Wide>(ts) - static_cast<Wide>(from)) / kMillisPerYear;
}

// Years -262144 to 262143 are representable; outside them there is no text.
// Years outside 0..9999 carry a sign and at least four digits (+10000, -0001).
[[nodiscard]] std::optional<std::string> format_utc_millis(std::int64_t millis);

}  // namespace velkor
