#include "qfd/crank/black_scholes.hpp"

#include <gtest/gtest.h>

#include <cmath>

#include "contract.hpp"
#include "fake_model.hpp"

namespace velkor {
namespace {

constexpr std::int64_t P = 1'700'000'000'000;
constexpr std::int64_t year = 31'536'000'000;

// USD: zero rate 3% up to 2 years; EQ: spot 100 growing at 5% a year up to 2 years.
Assets market() {
    CurveMap curves;
    curves.emplace(
        "USD", AssetLogFwd::create(ValueVector{2.0}, ValueVector{0.06}, FwdBase::Base{}).value());
    curves.emplace("EQ", AssetLogFwd::create(ValueVector{0.0, 2.0},
                                             ValueVector{std::log(100.0), std::log(100.0) + 0.1},
                                             FwdBase::InBase{})
                             .value());
    return Assets("USD", std::move(curves));
}

// n_x = 2, max_x = 1: dx = 0.5.
BlackScholesCN model(const char* asset = "EQ", double vol = 0.2) {
    return BlackScholesCN(test::grid_params(market(), 2, 0.01, P), asset, vol);
}

// The grid as create_state_cn builds it, at any time.
FdState state_at(std::int64_t ts) {
    FdState state = FdState::create(2, 1.0, ts);
    for (double& x : state.grid) x += std::log(100.0);
    return state;
}

TEST(BlackScholesCN, GridIsCentredOnTheLogSpot) {
    const BlackScholesCN bs = model();
    const test::Contract contract({test::Row{P + year, "A", "+", 1.0, "EQ"}});
    const auto state = bs.create_state_cn(contract.timetable());
    ASSERT_TRUE(state) << state.error().message();
    EXPECT_EQ(state->ts, P + year);
    EXPECT_EQ(state->grid[2], std::log(100.0));
    EXPECT_NEAR(state->grid[0], std::log(100.0) + 1.0, 1e-15);
    EXPECT_NEAR(state->grid[4], std::log(100.0) - 1.0, 1e-15);
    EXPECT_EQ(state->dx, 0.5);
}

TEST(BlackScholesCN, CarriesItsOwnAssetAsTheSpotOnTheGrid) {
    const BlackScholesCN bs = model();
    const FdState state = state_at(P);
    const auto spot = bs.get_model_val_cn(state, "EQ");
    ASSERT_TRUE(spot && spot->has_value());
    for (std::size_t i = 0; i < 5; ++i) EXPECT_EQ((**spot)[i], std::exp(state.grid[i]));
    EXPECT_FALSE(bs.get_model_val_cn(state, "USD")->has_value());
    EXPECT_FALSE(bs.get_model_val_cn(state, "eq")->has_value());
}

// From 1 year back to half a year: r = 3%, mu = 5%, sigma = 0.2, Delta = 0.5, dx = 0.5, so
// A = 0.04 * 0.125 / 0.25 = 0.02, B = (0.05 - 0.02) * 0.125 / 0.5 = 0.0075,
// D = 0.25 * 0.03 = 0.0075. The curve rates carry rounding: 1e-15 on entries of about 1.
TEST(BlackScholesCN, CoefficientsOfOneStep) {
    const BlackScholesCN bs = model();
    const auto m = bs.cn_coefficients(state_at(P + year), P + year / 2);
    ASSERT_TRUE(m) << m.error().message();
    const Tridiagonal& e = m->explicit_m;
    constexpr double tolerance = 1e-15;
    EXPECT_NEAR(e.diag[0], -1.0 - 0.015 + 0.0075, tolerance);
    EXPECT_NEAR(e.upper[0], 0.015, tolerance);
    for (std::size_t i = 1; i <= 3; ++i) {
        EXPECT_NEAR(e.lower[i], -0.0275, tolerance);
        EXPECT_NEAR(e.diag[i], -0.9525, tolerance);
        EXPECT_NEAR(e.upper[i], -0.0125, tolerance);
    }
    EXPECT_NEAR(e.lower[4], -0.015, tolerance);
    EXPECT_NEAR(e.diag[4], -1.0 + 0.015 + 0.0075, tolerance);
    EXPECT_NEAR(m->implicit_m.diag[2], -2.0 + 0.9525, tolerance);
}

TEST(BlackScholesCN, StepBeyondTheCurvesFails) {
    const BlackScholesCN bs = model();
    const auto m = bs.cn_coefficients(state_at(P + 3 * year), P + 5 * year / 2);
    ASSERT_FALSE(m);
    EXPECT_EQ(m.error().message(),
              "Error in 'discount' rate from time 2.5 to 3, caused by \n'Error: Interpolation out "
              "of range at time 3.\n Perhaps the time range in forwards/discount data is too "
              "short.'");
}

TEST(BlackScholesCN, UnknownAssetFailsWhenTheGridIsBuilt) {
    const BlackScholesCN bs = model("XYZ");
    const test::Contract contract({test::Row{P + year, "A", "+", 1.0, "USD"}});
    const auto state = bs.create_state_cn(contract.timetable());
    ASSERT_FALSE(state);
    EXPECT_EQ(state.error().message(),
              "Asset 'XYZ' not found in snaps, expressions, or in dataset[ASSETS]");
}

}  // namespace
}  // namespace velkor
