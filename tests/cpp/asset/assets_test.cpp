#include "asset/assets.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <vector>

namespace velkor {
namespace {

AssetLogFwd curve(std::vector<double> times, std::vector<double> values, FwdBase kind) {
    auto built = AssetLogFwd::create(ValueVector(std::span<const double>(times)),
                                     ValueVector(std::span<const double>(values)),
                                     std::move(kind));
    EXPECT_TRUE(built.has_value()) << built.error().message();
    return std::move(*built);
}

// USD: zero rates 2% at 0.5 and 3% at 1.5 years; EQ: forwards 100 at 1 year, 121 at 3;
// ODD: quoted in EUR.
Assets market() {
    CurveMap curves;
    curves.emplace("USD", curve({0.5, 1.5}, {0.5 * 0.02, 1.5 * 0.03}, FwdBase::Base{}));
    curves.emplace("EQ", curve({1.0, 3.0}, {std::log(100.0), std::log(121.0)}, FwdBase::InBase{}));
    curves.emplace("ODD", curve({1.0, 2.0}, {0.0, 0.1}, FwdBase::NonStandard{"EUR"}));
    return Assets("USD", std::move(curves));
}

TEST(Assets, BaseAssetIsWorthOneAtAnyTime) {
    const Assets assets = market();
    for (double t : {0.0, 1.0, 99.0}) EXPECT_EQ(assets.asset_value("USD", t).value(), 1.0);
}

TEST(Assets, ForwardsInterpolateGeometrically) {
    const Assets assets = market();
    // At the data times the forwards come back up to the rounding of exp(log(F)).
    EXPECT_NEAR(assets.asset_value("EQ", 1.0).value(), 100.0, 1e-12);
    EXPECT_NEAR(assets.asset_value("EQ", 3.0).value(), 121.0, 1e-12);
    // Half-way: F_0 * (F_1 / F_0)^0.5 = 110; before the data, pinned to 1 at time 0.
    EXPECT_NEAR(assets.asset_value("EQ", 2.0).value(), 110.0, 1e-12);
    EXPECT_NEAR(assets.asset_value("EQ", 0.5).value(), 10.0, 1e-12);
    EXPECT_EQ(assets.asset_value("EQ", 0.0).value(), 1.0);
}

TEST(Assets, DiscountsWithTheBaseZeroRates) {
    const Assets assets = market();
    EXPECT_EQ(assets.discount_factor(0.0).value(), 1.0);
    // Before the first point the first zero rate holds flat.
    EXPECT_NEAR(assets.discount_factor(0.25).value(), std::exp(-0.02 * 0.25), 1e-15);
    EXPECT_NEAR(assets.discount_factor(1.5).value(), std::exp(-0.045), 1e-15);
    // Between the points r*t is linear: 0.01 + 0.5 * (0.045 - 0.01) at 1 year.
    EXPECT_NEAR(assets.discount_factor(1.0).value(), std::exp(-0.0275), 1e-15);
    EXPECT_NEAR(assets.discount_rate(0.5, 1.5).value(), 0.035, 1e-15);
    EXPECT_EQ(assets.asset_rate("USD", 0.5, 1.5).value(), assets.discount_rate(0.5, 1.5).value());
    EXPECT_NEAR(assets.asset_rate("EQ", 1.0, 3.0).value(), std::log(1.21) / 2.0, 1e-15);
}

TEST(Assets, DiscountRateDoesNotCheckTheKindOfTheBaseCurve) {
    CurveMap curves;
    curves.emplace("USD", curve({1.0, 2.0}, {0.1, 0.3}, FwdBase::InBase{}));
    const Assets assets("USD", std::move(curves));
    EXPECT_NEAR(assets.discount_rate(1.0, 2.0).value(), 0.2, 1e-15);
}

using Query = std::function<std::expected<double, AssetError>(const Assets&)>;

struct MessageCase {
    const char* name;
    std::function<Assets()> make;
    Query query;
    const char* message;
};

Assets without_base() {
    CurveMap curves;
    curves.emplace("EQ", curve({1.0}, {0.1}, FwdBase::InBase{}));
    return Assets("USD", std::move(curves));
}

Assets base_not_of_base_kind() {
    CurveMap curves;
    curves.emplace("USD", curve({1.0}, {0.1}, FwdBase::InBase{}));
    return Assets("USD", std::move(curves));
}

class AssetMessages : public testing::TestWithParam<MessageCase> {};

TEST_P(AssetMessages, WrapOrPassOnAsStated) {
    const MessageCase& c = GetParam();
    const Assets assets = c.make();
    auto result = c.query(assets);
    ASSERT_FALSE(result.has_value()) << *result;
    EXPECT_EQ(result.error().message(), c.message);
}

#define OUT_OF_RANGE(t) \
    "Error: Interpolation out of range at time " t \
    ".\n Perhaps the time range in forwards/discount data is too short."

INSTANTIATE_TEST_SUITE_P(
    Operations, AssetMessages,
    testing::Values(
        MessageCase{"value_not_found", market,
                    [](const Assets& a) { return a.asset_value("XYZ", 1.0); },
                    "Asset 'XYZ' not found in snaps, expressions, or in dataset[ASSETS]"},
        MessageCase{"value_out_of_range_unwrapped", market,
                    [](const Assets& a) { return a.asset_value("EQ", 3.5); }, OUT_OF_RANGE("3.5")},
        MessageCase{"value_non_standard", market,
                    [](const Assets& a) { return a.asset_value("ODD", 1.0); },
                    "Feature Not Implemented: `Asset ODD forwards are in a non-standard base: "
                    "EUR`"},
        MessageCase{"discount_factor_out_of_range", market,
                    [](const Assets& a) { return a.discount_factor(2.5); },
                    "Error in 'discount factor' value at 2.5, caused by \n'" OUT_OF_RANGE(
                        "2.5") "'"},
        MessageCase{"discount_factor_no_base", without_base,
                    [](const Assets& a) { return a.discount_factor(1.0); },
                    "Asset 'USD' not found in snaps, expressions, or in dataset[ASSETS]"},
        MessageCase{"discount_factor_base_kind", base_not_of_base_kind,
                    [](const Assets& a) { return a.discount_factor(1.0); },
                    "Feature Not Implemented: `Discount is only supported for base asset`"},
        // The later time is named first; t1 = 2.0 is evaluated, and fails, first.
        MessageCase{"discount_rate_out_of_range", market,
                    [](const Assets& a) { return a.discount_rate(2.0, 1.0); },
                    "Error in 'discount' rate from time 1 to 2, caused by \n'" OUT_OF_RANGE(
                        "2") "'"},
        MessageCase{"discount_rate_equal_times", market,
                    [](const Assets& a) { return a.discount_rate(1.0, 1.0); },
                    "Error in 'discount' rate from time 1 to 1, caused by \n'Error: Divide by "
                    "zero'"},
        MessageCase{"discount_rate_no_base", without_base,
                    [](const Assets& a) { return a.discount_rate(0.5, 1.0); },
                    "Asset 'USD' not found in snaps, expressions, or in dataset[ASSETS]"},
        MessageCase{"asset_rate_not_found_unwrapped", market,
                    [](const Assets& a) { return a.asset_rate("XYZ", 0.5, 1.0); },
                    "Asset 'XYZ' not found in snaps, expressions, or in dataset[ASSETS]"},
        MessageCase{"asset_rate_non_standard", market,
                    [](const Assets& a) { return a.asset_rate("ODD", 1.0, 2.0); },
                    "Error in 'ODD' rate from time 2 to 1, caused by \n'Feature Not Implemented: "
                    "`Asset ODD forwards are in a non-standard base: EUR`'"},
        MessageCase{"asset_rate_out_of_range", market,
                    [](const Assets& a) { return a.asset_rate("EQ", 0.25, 4.0); },
                    "Error in 'EQ' rate from time 4 to 0.25, caused by \n'" OUT_OF_RANGE(
                        "4") "'"},
        MessageCase{"asset_rate_equal_times", market,
                    [](const Assets& a) { return a.asset_rate("USD", 7.0, 7.0); },
                    "Error in 'USD' rate from time 7 to 7, caused by \n'Error: Divide by "
                    "zero'"}),
    [](const auto& info) { return std::string(info.param.name); });

#undef OUT_OF_RANGE

}  // namespace
}  // namespace velkor
