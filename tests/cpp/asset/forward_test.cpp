#include "asset/forward.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <optional>
#include <vector>

namespace velkor {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

AssetLogFwd curve(std::vector<double> times, std::vector<double> values) {
    auto built = AssetLogFwd::create(ValueVector(std::span<const double>(times)),
                                     ValueVector(std::span<const double>(values)),
                                     FwdBase::InBase{});
    EXPECT_TRUE(built.has_value()) << built.error().message();
    return std::move(*built);
}

struct BuildCase {
    const char* name;
    std::vector<double> times;
    std::vector<double> values;
    const char* message;
};

class BuildFailure : public testing::TestWithParam<BuildCase> {};

TEST_P(BuildFailure, ReportsTheFirstFailedCheck) {
    const BuildCase& c = GetParam();
    auto built = AssetLogFwd::create(ValueVector(std::span<const double>(c.times)),
                                     ValueVector(std::span<const double>(c.values)),
                                     FwdBase::Base{});
    ASSERT_FALSE(built.has_value());
    EXPECT_EQ(built.error().message(), c.message);
}

const char* const kTooFew =
    "BuilderError The chosen Interpolation strategy needs at least 2 data points";
const char* const kNotRising =
    "BuilderError Values in the x axis need to be strictly monotonic rising";

INSTANTIATE_TEST_SUITE_P(
    Curves, BuildFailure,
    testing::Values(
        BuildCase{"no_points", {}, {}, "BuilderError A curve needs at least one data point"},
        BuildCase{"one_value_two_times", {0.0, 1.0}, {0.1}, kTooFew},
        // The count is judged before the order of the times, the order before the lengths.
        BuildCase{"count_before_order", {1.0, 1.0}, {0.1}, kTooFew},
        BuildCase{"order_before_lengths", {1.0, 1.0, 2.0}, {0.1, 0.2}, kNotRising},
        BuildCase{"equal_times", {0.0, 1.0, 1.0}, {0.1, 0.2, 0.3}, kNotRising},
        BuildCase{"falling_times", {2.0, 1.0}, {0.1, 0.2}, kNotRising},
        BuildCase{"nan_time", {0.0, kNaN, 2.0}, {0.1, 0.2, 0.3}, kNotRising},
        BuildCase{"lengths", {0.0, 1.0, 2.0}, {0.1, 0.2},
                  "BuilderError Lengths of x and data axis need to match. Got x: 3, data: 2"},
        BuildCase{"one_time_two_values", {1.0}, {0.1, 0.2},
                  "BuilderError Lengths of x and data axis need to match. Got x: 1, data: 2"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(AssetLogFwd, KeepsValuesThatAreNotFinite) {
    // A zero forward has no finite logarithm; it is carried, not refused.
    const AssetLogFwd c = curve({1.0, 2.0}, {-INFINITY, 0.0});
    EXPECT_EQ(c.log_value(1.0).value(), -INFINITY);
    EXPECT_TRUE(std::isnan(c.log_value(2.0).value()));
}

struct ValueCase {
    const char* name;
    std::vector<double> times;
    std::vector<double> values;
    double t;
    std::optional<double> expected;  // none: OutOfRange at t
};

class LogValue : public testing::TestWithParam<ValueCase> {};

TEST_P(LogValue, InterpolatesOrRefuses) {
    const ValueCase& c = GetParam();
    const AssetLogFwd fwd = curve(c.times, c.values);
    auto y = fwd.log_value(c.t);
    if (c.expected) {
        ASSERT_TRUE(y.has_value()) << y.error().message();
        // Exact operations on short decimals: a few ulps cover the rounding.
        EXPECT_NEAR(*y, *c.expected, 1e-15);
    } else {
        ASSERT_FALSE(y.has_value()) << *y;
        const auto* out = std::get_if<AssetError::OutOfRange>(&y.error().value);
        ASSERT_NE(out, nullptr) << y.error().message();
        EXPECT_TRUE(out->time == c.t || (std::isnan(out->time) && std::isnan(c.t)));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Curves, LogValue,
    testing::Values(
        // One point after 0: the line through the origin up to it, nothing after.
        ValueCase{"one_point_before", {2.0}, {0.1}, 1.0, 0.05},
        ValueCase{"one_point_at", {2.0}, {0.1}, 2.0, 0.1},
        ValueCase{"one_point_negative_time", {2.0}, {0.1}, -1.0, -0.05},
        ValueCase{"one_point_after", {2.0}, {0.1}, 2.5, std::nullopt},
        // One point at 0: no line through the origin and no interpolator.
        ValueCase{"one_point_at_zero", {0.0}, {0.1}, 0.0, std::nullopt},
        ValueCase{"one_point_at_zero_before", {0.0}, {0.1}, -1.0, std::nullopt},
        // Data from 0: both ends inclusive, nothing outside.
        ValueCase{"from_zero_left_end", {0.0, 1.0}, {0.2, 0.4}, 0.0, 0.2},
        ValueCase{"from_zero_right_end", {0.0, 1.0}, {0.2, 0.4}, 1.0, 0.4},
        ValueCase{"from_zero_middle", {0.0, 1.0}, {0.2, 0.4}, 0.25, 0.25},
        ValueCase{"from_zero_after", {0.0, 1.0}, {0.2, 0.4}, 1.5, std::nullopt},
        ValueCase{"from_zero_before", {0.0, 1.0}, {0.2, 0.4}, -0.5, std::nullopt},
        // Data from later than 0: pinned to Y(0) = 0, then the segments.
        ValueCase{"late_start_origin", {1.0, 2.0, 4.0}, {0.1, 0.3, 0.2}, 0.0, 0.0},
        ValueCase{"late_start_before", {1.0, 2.0, 4.0}, {0.1, 0.3, 0.2}, 0.5, 0.05},
        ValueCase{"late_start_first_segment", {1.0, 2.0, 4.0}, {0.1, 0.3, 0.2}, 1.5, 0.2},
        ValueCase{"late_start_inner_point", {1.0, 2.0, 4.0}, {0.1, 0.3, 0.2}, 2.0, 0.3},
        ValueCase{"late_start_last_segment", {1.0, 2.0, 4.0}, {0.1, 0.3, 0.2}, 3.0, 0.25},
        ValueCase{"late_start_last_point", {1.0, 2.0, 4.0}, {0.1, 0.3, 0.2}, 4.0, 0.2},
        ValueCase{"late_start_after", {1.0, 2.0, 4.0}, {0.1, 0.3, 0.2}, 4.5, std::nullopt},
        ValueCase{"nan_time", {1.0, 2.0, 4.0}, {0.1, 0.3, 0.2}, kNaN, std::nullopt},
        // Data from before 0: no pinning, the data holds.
        ValueCase{"negative_start_zero", {-1.0, 1.0}, {0.2, 0.4}, 0.0, 0.3},
        ValueCase{"negative_start_before", {-1.0, 1.0}, {0.2, 0.4}, -2.0, std::nullopt}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(AssetLogFwd, FindsTheBracketingSegmentOnUnevenData) {
    // Times crowd at the start and spread at the end; every query is checked against a
    // straight scan for the segment.
    std::vector<double> times, values;
    for (int i = 0; i < 200; ++i) {
        times.push_back(0.001 * i * i);
        values.push_back(std::sin(0.1 * i));
    }
    const AssetLogFwd fwd = curve(times, values);
    for (double t = 0.0; t <= times.back(); t += 0.0137) {
        std::size_t i = 0;
        while (!(times[i] <= t && t <= times[i + 1])) ++i;
        const double expected =
            values[i] + (t - times[i]) * (values[i + 1] - values[i]) / (times[i + 1] - times[i]);
        EXPECT_DOUBLE_EQ(fwd.log_value(t).value(), expected) << "t = " << t;
    }
    EXPECT_DOUBLE_EQ(fwd.log_value(times.back()).value(), values.back());
}

TEST(AssetLogFwd, RateIsTheSlopeBetweenTwoTimesInEitherOrder) {
    const AssetLogFwd fwd = curve({1.0, 2.0, 4.0}, {0.1, 0.3, 0.2});
    EXPECT_NEAR(fwd.rate(1.0, 4.0).value(), (0.1 - 0.2) / (1.0 - 4.0), 1e-15);
    EXPECT_EQ(fwd.rate(4.0, 1.0).value(), fwd.rate(1.0, 4.0).value());
    // Before the first point the line through the origin gives the first zero rate.
    EXPECT_NEAR(fwd.rate(0.0, 0.5).value(), 0.1, 1e-15);
}

TEST(AssetLogFwd, RateOfEqualTimesIsDivideByZeroBeforeAnyLookup) {
    const AssetLogFwd fwd = curve({1.0, 2.0}, {0.1, 0.3});
    for (double t : {1.5, 100.0}) {
        auto rate = fwd.rate(t, t);
        ASSERT_FALSE(rate.has_value());
        EXPECT_EQ(rate.error().message(), "Error: Divide by zero");
    }
}

TEST(AssetLogFwd, RateReportsTheFirstTimeOutOfRangeFirst) {
    const AssetLogFwd fwd = curve({1.0, 2.0}, {0.1, 0.3});
    auto rate = fwd.rate(3.0, 5.0);
    ASSERT_FALSE(rate.has_value());
    EXPECT_EQ(std::get<AssetError::OutOfRange>(rate.error().value).time, 3.0);
    rate = fwd.rate(1.5, 5.0);
    ASSERT_FALSE(rate.has_value());
    EXPECT_EQ(std::get<AssetError::OutOfRange>(rate.error().value).time, 5.0);
}

}  // namespace
}  // namespace velkor
