#include "core/utc_time.hpp"

#include <cstdio>

namespace velkor {
namespace {

constexpr std::int64_t kMillisPerDay = 86'400'000;
constexpr std::int64_t kMinYear = -262'144;
constexpr std::int64_t kMaxYear = 262'143;

struct CivilDate {
    std::int64_t year;
    unsigned month;
    unsigned day;
};

// Proleptic Gregorian date of a day count since 1970-01-01 (H. Hinnant's algorithm).
CivilDate civil_from_days(std::int64_t z) {
    z += 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const auto doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::int64_t y = static_cast<std::int64_t>(yoe) + era * 400;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    const unsigned d = doy - (153 * mp + 2) / 5 + 1;
    const unsigned m = mp < 10 ? mp + 3 : mp - 9;
    return {y + (m <= 2), m, d};
}


}  // namespace

std::optional<std::string> format_utc_millis(std::int64_t millis) {
    // Floor division without forming days * kMillisPerDay, which overflows near the int64 ends.
    std::int64_t days = millis / kMillisPerDay;
    std::int64_t in_day = millis % kMillisPerDay;
    if (in_day < 0) {
        in_day += kMillisPerDay;
        --days;
    }
    const CivilDate date = civil_from_days(days);
    if (date.year < kMinYear || date.year > kMaxYear) return std::nullopt;

    const auto ms = static_cast<unsigned>(in_day % 1000);
    const auto seconds = static_cast<unsigned>(in_day / 1000);
    char buffer[64];
    const char* year_format = (date.year >= 0 && date.year <= 9999) ? "%04lld" : "%+05lld";
    int n = std::snprintf(buffer, sizeof buffer, year_format, static_cast<long long>(date.year));
    n += std::snprintf(buffer + n, sizeof buffer - n, "-%02u-%02uT%02u:%02u:%02u", date.month,
                       date.day, seconds / 3600, seconds / 60 % 60, seconds % 60);
    if (ms != 0) n += std::snprintf(buffer + n, sizeof buffer - n, ".%03u", ms);
    std::snprintf(buffer + n, sizeof buffer - n, "Z");
    return std::string(buffer);
}

}  // namespace velkor
