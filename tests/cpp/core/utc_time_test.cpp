#include "core/utc_time.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <optional>
#include <ostream>
#include <string>

namespace velkor {
namespace {

struct TimeCase {
    const char* name;
    friend void PrintTo(const TimeCase& c, std::ostream* os) { *os << c.name; }
    std::int64_t millis;
    std::optional<std::string> text;
};

class FormatUtcMillis : public testing::TestWithParam<TimeCase> {};

TEST_P(FormatUtcMillis, WritesTheCalendarDateTime) {
    EXPECT_EQ(format_utc_millis(GetParam().millis), GetParam().text);
}

constexpr std::int64_t kLastMillisecond = 8'210'298'412'799'999;   // +262143-12-31, last ms
constexpr std::int64_t kFirstMillisecond = -8'334'632'851'200'000; // -262144-01-01T00:00:00

INSTANTIATE_TEST_SUITE_P(
    Cases, FormatUtcMillis,
    testing::Values(
        TimeCase{"epoch", 0, "1970-01-01T00:00:00Z"},
        TimeCase{"milliseconds_shown_when_not_zero", 1'711'713'600'250,
                 "2024-03-29T12:00:00.250Z"},
        TimeCase{"single_millisecond_keeps_three_digits", 1'711'713'600'001,
                 "2024-03-29T12:00:00.001Z"},
        TimeCase{"whole_seconds_have_no_fraction", 1'711'713'600'000, "2024-03-29T12:00:00Z"},
        TimeCase{"leap_day", 951'782'400'000, "2000-02-29T00:00:00Z"},
        TimeCase{"one_before_epoch", -1, "1969-12-31T23:59:59.999Z"},
        TimeCase{"before_1970_rounds_down_to_the_day", -2'203'973'876'996,
                 "1900-02-28T01:02:03.004Z"},
        TimeCase{"year_zero_has_four_digits", -62'167'219'200'000, "0000-01-01T00:00:00Z"},
        TimeCase{"negative_year_carries_its_sign", -62'167'219'200'001,
                 "-0001-12-31T23:59:59.999Z"},
        TimeCase{"year_beyond_9999_carries_a_plus", 253'402'300'800'000,
                 "+10000-01-01T00:00:00Z"},
        TimeCase{"last_representable", kLastMillisecond, "+262143-12-31T23:59:59.999Z"},
        TimeCase{"first_representable", kFirstMillisecond, "-262144-01-01T00:00:00Z"},
        TimeCase{"after_the_calendar", kLastMillisecond + 1, std::nullopt},
        TimeCase{"before_the_calendar", kFirstMillisecond - 1, std::nullopt},
        TimeCase{"int64_max", std::numeric_limits<std::int64_t>::max(), std::nullopt},
        TimeCase{"int64_min", std::numeric_limits<std::int64_t>::min(), std::nullopt}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace velkor

namespace velkor {
namespace {

TEST(YearFraction, IsExactForOrdinaryStampsAndNeverOverflows) {
    EXPECT_EQ(year_fraction(1'700'000'000'000 + 31'536'000'000, 1'700'000'000'000), 1.0);
    EXPECT_EQ(year_fraction(0, 15'768'000'000), -0.5);
    constexpr auto lowest = std::numeric_limits<std::int64_t>::min();
    constexpr auto highest = std::numeric_limits<std::int64_t>::max();
    // 2^64 - 1 milliseconds, rounded to a double once and divided once.
    EXPECT_EQ(year_fraction(highest, lowest), 18446744073709551615.0 / 31536000000.0);
    EXPECT_EQ(year_fraction(lowest, highest), -18446744073709551615.0 / 31536000000.0);
}

}  // namespace
}  // namespace velkor
