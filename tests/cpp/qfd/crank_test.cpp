#include "qfd/crank.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "support/expect_values.hpp"
#include "fake_model.hpp"
#include "timetable/op.hpp"

namespace velkor {
namespace {

using test::same_values;
using test::values;

TEST(FdState, GridDescendsFromMaxXToMinusMaxX) {
    const FdState state = FdState::create(2, 1.0, 123);
    EXPECT_TRUE(same_values(state.grid, {1.0, 0.5, 0.0, -0.5, -1.0}));
    EXPECT_EQ(state.dx, 0.5);
    EXPECT_EQ(state.n_grid, 5U);
    EXPECT_EQ(state.ledger.size(), 5U);
    EXPECT_EQ(state.ts, 123);
}

// Coefficients chosen as binary fractions so that every entry is exact.
TEST(CnRows, InteriorAndBoundaryRowsFollowTheLayout) {
    const auto m =
        cn_rows(0.5, values({0.25, 0.5, 0.125, 0.75}), values({0.0625, 0.125, 0.25, 0.5}), 4);
    ASSERT_TRUE(m.has_value());
    const Tridiagonal& e = m->explicit_m;
    const Tridiagonal& i = m->implicit_m;
    // Top row: diag -1 - 2B + D, upper 2B. Interior: -A - B, -1 + 2A + D, B - A.
    // Bottom row: lower -2B, diag -1 + 2B + D.
    EXPECT_EQ(e.diag[0], -1.4375);
    EXPECT_EQ(e.upper[0], 0.5);
    EXPECT_TRUE(same_values(values({e.lower[1], e.diag[1], e.upper[1]}), {-1.0, 0.125, 0.0}));
    EXPECT_TRUE(same_values(values({e.lower[2], e.diag[2], e.upper[2]}), {-0.625, 0.25, -0.375}));
    EXPECT_EQ(e.lower[3], -1.5);
    EXPECT_EQ(e.diag[3], 1.0);
    // The implicit matrix is (-lower, -2 - diag, -upper) of the explicit one in every row.
    for (std::size_t r = 0; r < 4; ++r) {
        EXPECT_EQ(i.lower[r], -e.lower[r]) << r;
        EXPECT_EQ(i.diag[r], -2.0 - e.diag[r]) << r;
        EXPECT_EQ(i.upper[r], -e.upper[r]) << r;
    }
}

TEST(CnRows, OneCoefficientStandsForTheWholeGrid) {
    const auto one = cn_rows(0.3, values({0.1}), values({0.02}), 5);
    const auto full = cn_rows(0.3, values(std::vector<double>(5, 0.1)),
                              values(std::vector<double>(5, 0.02)), 5);
    ASSERT_TRUE(one && full);
    EXPECT_EQ(one->explicit_m.diag, full->explicit_m.diag);
    EXPECT_EQ(one->explicit_m.lower, full->explicit_m.lower);
    EXPECT_EQ(one->implicit_m.upper, full->implicit_m.upper);
}

TEST(CnRows, RefusesCoefficientsOfAnotherLength) {
    const auto m = cn_rows(0.3, values({0.1, 0.2}), values({0.0}), 5);
    ASSERT_FALSE(m.has_value());
    EXPECT_EQ(m.error().message(),
              "Crank-Nicolson coefficients of 2 entries for a grid of 5 points");
}

class StepBack : public testing::Test {
protected:
    static constexpr std::int64_t t0 = 1'700'000'000'000;

    StepBack() : model(test::grid_params(Assets("USD", {}), 2, 0.01, 0)) {
        model.a = 0.3;
        model.d = 0.01;
        EXPECT_TRUE(state.ledger.one_track_event(Op::Add{}, 0, values({1, 2, 3, 4, 5}), 0, 0));
    }

    const ValueVector& track0() const { return state.ledger.pv_vec(0)->get(); }

    test::FakeModel model;
    FdState state = FdState::create(2, 1.0, t0);
};

// 1e-10 years is 3.1536 ms: a 3 ms step is skipped, a 4 ms one taken.
TEST_F(StepBack, SkipsStepsUnderTheMinimum) {
    for (std::int64_t to : {t0 - 3, t0, t0 + 5000}) {
        ASSERT_TRUE(step_back(model, state, to));
        EXPECT_EQ(state.ts, t0) << to;
    }
    EXPECT_TRUE(model.steps.empty());
    EXPECT_TRUE(same_values(track0(), {1, 2, 3, 4, 5}));
}

TEST_F(StepBack, CarriesOutAFourMillisecondStep) {
    const auto m = cn_rows(0.3, values({0.0}), values({0.01}), 5);
    const ValueVector expected = m->implicit_m.solve(m->explicit_m.product(track0().span()).span());
    ASSERT_TRUE(step_back(model, state, t0 - 4));
    EXPECT_EQ(state.ts, t0 - 4);
    EXPECT_EQ(model.steps, (std::vector<test::Step>{{t0, t0 - 4}}));
    EXPECT_EQ(track0(), expected);
}

TEST_F(StepBack, ModelErrorLeavesTheStateUntouched) {
    model.failure = "no curve";
    const auto stepped = step_back(model, state, t0 - 86'400'000);
    ASSERT_FALSE(stepped);
    EXPECT_EQ(stepped.error().message(), "no curve");
    EXPECT_EQ(state.ts, t0);
    EXPECT_TRUE(same_values(track0(), {1, 2, 3, 4, 5}));
}

// Without drift and discounting every row of the operator sums to zero, so a constant is kept:
// up to the rounding of one product and one solve, a few ulps of the constant.
TEST_F(StepBack, KeepsAConstantWithoutDriftAndDiscounting) {
    model.d = 0.0;
    Ledger& ledger = state.ledger;
    ASSERT_TRUE(ledger.one_track_event(Op::Add{}, 1, values({7.0}), 0, 0));
    for (int k = 1; k <= 10; ++k) ASSERT_TRUE(step_back(model, state, t0 - k * 86'400'000));
    for (double v : ledger.pv_vec(1)->get()) EXPECT_NEAR(v, 7.0, 1e-13);
}

}  // namespace
}  // namespace velkor
