#include "qfd/crank/hull_white.hpp"

#include <gtest/gtest.h>

#include <cmath>

#include "contract.hpp"
#include "fake_model.hpp"

namespace velkor {
namespace {

constexpr std::int64_t P = 1'700'000'000'000;
constexpr std::int64_t year = 31'536'000'000;

// n_x = 2, max_x = 0.1: grid (0.1, 0.05, 0, -0.05, -0.1), dx = 0.05. USD: flat 2% zero rate.
HullWhiteCN model(double meanrev, double vol = 0.01, double max_x = 0.1) {
    FD1FParams params = test::grid_params(test::usd_only(), 2, 0.01, P);
    params.max_x = max_x;
    return HullWhiteCN(std::move(params), meanrev, vol);
}

// From 1 year back to half a year with a = 0.1 and sigma = 0.01: Delta = 0.5, so
// A = 1e-4 * 0.125 / 0.0025 = 0.005, B_i = -x_i * 0.1 * 0.125 / 0.05 = -0.25 x_i and
// D_i = (x_i + phi) * 0.25 with phi = sigma^2 / (2 a^2) (1 - e^(-a * 0.5))^2 + r.
TEST(HullWhiteCN, CoefficientsOfOneStep) {
    const HullWhiteCN hw = model(0.1);
    const FdState state = FdState::create(2, 0.1, P + year);
    const auto m = hw.cn_coefficients(state, P + year / 2);
    ASSERT_TRUE(m) << m.error().message();
    const double r = hw.params.assets.discount_rate(1.0, 0.5).value();
    const double phi = 0.005 * std::pow(1.0 - std::exp(-0.05), 2) + r;
    const double x[] = {0.1, 0.05, 0.0, -0.05, -0.1};
    auto b = [&](std::size_t i) { return -0.25 * x[i]; };
    auto d = [&](std::size_t i) { return (x[i] + phi) * 0.25; };
    const Tridiagonal& e = m->explicit_m;
    constexpr double tolerance = 1e-15;  // rounding of entries of about 1
    EXPECT_NEAR(e.diag[0], -1.0 - 2 * b(0) + d(0), tolerance);
    EXPECT_NEAR(e.upper[0], 2 * b(0), tolerance);
    for (std::size_t i = 1; i <= 3; ++i) {
        EXPECT_NEAR(e.lower[i], -0.005 - b(i), tolerance) << i;
        EXPECT_NEAR(e.diag[i], -1.0 + 0.01 + d(i), tolerance) << i;
        EXPECT_NEAR(e.upper[i], b(i) - 0.005, tolerance) << i;
    }
    EXPECT_NEAR(e.lower[4], -2 * b(4), tolerance);
    EXPECT_NEAR(e.diag[4], -1.0 + 2 * b(4) + d(4), tolerance);
}

// phi is evaluated as ((sigma^2 / ((a + a) a)) (1 - e)) (1 - e) + r. With sigma = 2, a = 0.13
// and dx = 1 the centre's diagonal (x = 0, D = phi / 4) shows the last bit in which the
// regrouping (sigma^2 / (2 a^2)) ((1 - e) (1 - e)) differs.
TEST(HullWhiteCN, ShiftKeepsItsOrderOfOperations) {
    const HullWhiteCN hw = model(0.13, 2.0, 2.0);
    const FdState state = FdState::create(2, 2.0, P + year);
    ASSERT_EQ(state.grid[2], 0.0);
    const auto m = hw.cn_coefficients(state, P + year / 2);
    ASSERT_TRUE(m) << m.error().message();
    const double r = hw.params.assets.discount_rate(1.0, 0.5).value();
    const double decay = 1.0 - std::exp(-0.13 * 0.5);
    const double phi = ((4.0 / ((0.13 + 0.13) * 0.13)) * decay) * decay + r;
    const double a = 4.0 * (0.25 * 0.5) / (1.0 * 1.0);
    EXPECT_EQ(m->explicit_m.diag[2], (-1.0 + 2.0 * a) + phi * (0.5 * 0.5));
}

TEST(HullWhiteCN, ZeroMeanReversionGivesNaNWithoutAnError) {
    const HullWhiteCN hw = model(0.0);
    const test::Contract contract({test::Row{P + year, "A", "+", 1.0, "USD"}});
    const auto ledger = hw.calculate(contract.timetable());
    ASSERT_TRUE(ledger) << ledger.error().message();
    for (double v : ledger->pv_vec(0)->get()) EXPECT_TRUE(std::isnan(v));
    EXPECT_TRUE(std::isnan(hw.price(*ledger).value()));
}

TEST(HullWhiteCN, ValuesAssetsByTheirForwardAsOneEntry) {
    const HullWhiteCN hw = model(0.1);
    const FdState state = FdState::create(2, 0.1, P);
    EXPECT_FALSE(hw.get_model_val_cn(state, "USD")->has_value());
    const auto v = asset_value(hw, state, ValueVector{2.5}, "USD", P + year);
    ASSERT_TRUE(v);
    EXPECT_EQ(*v, ValueVector{2.5});
}

}  // namespace
}  // namespace velkor
