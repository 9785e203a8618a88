#include "qfd/fd1f_model.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "support/expect_values.hpp"
#include "contract.hpp"
#include "fake_model.hpp"
#include "qfd/grid_time.hpp"

namespace velkor {
namespace {

using test::Contract;
using test::FakeModel;
using test::Row;
using test::same_values;
using test::Step;

constexpr std::int64_t P = 1'700'000'000'000;  // pricing time
constexpr std::int64_t h = 86'400'000;          // one day

// The smallest timestep in years whose lattice step is exactly `millis`.
double years_for(std::int64_t millis) {
    double years = static_cast<double>(millis) / kMillisPerYear;
    while (timestep_millis(years) < millis) years = std::nextafter(years, 1.0);
    return years;
}

FakeModel model_at(std::int64_t pricing_ts, std::uint32_t flags = 0) {
    return FakeModel(test::grid_params(test::usd_only(), 2, years_for(h), pricing_ts, flags));
}

Row pay(std::int64_t ts, double quantity = 1.0, const char* op = "+") {
    return Row{ts, "A", op, quantity, "USD"};
}

struct WalkCase {
    const char* name;
    friend void PrintTo(const WalkCase& c, std::ostream* os) { *os << c.name; }
    std::int64_t pricing_ts;
    std::vector<std::int64_t> event_times;  // in row order
    std::vector<Step> steps;                // the steps taken, latest first
};

class LatticeWalk : public testing::TestWithParam<WalkCase> {};

TEST_P(LatticeWalk, StepsToRegularAndEventTimes) {
    const auto& c = GetParam();
    std::vector<Row> rows;
    for (std::int64_t ts : c.event_times) rows.push_back(pay(ts));
    const Contract contract(rows);
    const FakeModel model = model_at(c.pricing_ts);
    const auto ledger = calculate_fd(model, contract.timetable());
    ASSERT_TRUE(ledger) << ledger.error().message();
    EXPECT_EQ(model.steps, c.steps);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LatticeWalk,
    testing::Values(
        // Regular times are T - k h; an event between two is stepped to and the lattice goes
        // on; one on a regular time is reached once; the walk stops one step after P when P
        // is on the lattice.
        WalkCase{"events_on_and_off_lattice",
                 P,
                 {P + 5 * h / 2, P + 5 * h, P + 5 * h, P + 10 * h},
                 {{P + 10 * h, P + 9 * h},
                  {P + 9 * h, P + 8 * h},
                  {P + 8 * h, P + 7 * h},
                  {P + 7 * h, P + 6 * h},
                  {P + 6 * h, P + 5 * h},
                  {P + 5 * h, P + 4 * h},
                  {P + 4 * h, P + 3 * h},
                  {P + 3 * h, P + 5 * h / 2},
                  {P + 5 * h / 2, P + 2 * h},
                  {P + 2 * h, P + h}}},
        // P off the lattice: the walk ends at the first regular time after it.
        WalkCase{"pricing_off_lattice",
                 P + h / 2,
                 {P + 3 * h},
                 {{P + 3 * h, P + 2 * h}, {P + 2 * h, P + h}}},
        // A first event before P: stepped to through the regular times, and nothing after.
        WalkCase{"first_event_before_pricing",
                 P,
                 {P - 3 * h / 2, P + 2 * h},
                 {{P + 2 * h, P + h}, {P + h, P}, {P, P - h}, {P - h, P - 3 * h / 2}}},
        WalkCase{"only_event_at_pricing", P, {P}, {}},
        // Rows out of time order: the later event is settled where the walk is, never forward.
        WalkCase{"later_row_earlier", P, {P + 3 * h, P + 2 * h}, {{P + 2 * h, P + h}}}));

TEST(CalculateFd, SettlesEventsAtTheSameTimeFromTheLastRow) {
    // Row 1 pays 3 first; row 0 then offers 5 against it. The other order would give 8.
    const Contract contract({pay(P + h, 5.0, ">"), pay(P + h, 3.0)});
    const FakeModel model = model_at(P);
    const auto ledger = calculate_fd(model, contract.timetable());
    ASSERT_TRUE(ledger) << ledger.error().message();
    EXPECT_EQ(price_fd(model, *ledger).value(), 5.0);
}

TEST(CalculateFd, SettlesTrackAndAssetUnitsOnTheGrid) {
    // Track B pays 2 units of the model's grid quantity (10 + i at point i); track A holds
    // 3 times B's value, then another 1.5 units of USD (the base currency, worth 1).
    const Contract contract({
        Row{P + h, "A", "+", 1.5, "USD"},
        Row{P + h, "A", "+", 3.0, "B"},
        Row{P + h, "B", "+", 2.0, "GRID"},
    });
    const FakeModel model = model_at(P, stat_flags::cashflow);
    const auto ledger = calculate_fd(model, contract.timetable());
    ASSERT_TRUE(ledger) << ledger.error().message();
    EXPECT_TRUE(same_values(ledger->pv_vec(1)->get(), {20, 22, 24, 26, 28}));
    EXPECT_TRUE(same_values(ledger->pv_vec(0)->get(), {61.5, 67.5, 73.5, 79.5, 85.5}));
    EXPECT_EQ(price_fd(model, *ledger).value(), 73.5);
}

TEST(CalculateFd, StepsDiscountTheTracks) {
    // With only D = 0.01 per step, each step multiplies by (-1 + D) / (-1 - D); from P + 3h the
    // walk takes two steps, to P + 2h and P + h.
    const Contract contract({pay(P + 3 * h)});
    FakeModel model = model_at(P);
    model.d = 0.01;
    const auto ledger = calculate_fd(model, contract.timetable());
    ASSERT_TRUE(ledger);
    const double once = ((-1.0 + 0.01) * 1.0) / (-1.0 - 0.01);
    EXPECT_EQ(price_fd(model, *ledger).value(), ((-1.0 + 0.01) * once) / (-1.0 - 0.01));
}

struct SettleErrorCase {
    const char* name;
    friend void PrintTo(const SettleErrorCase& c, std::ostream* os) { *os << c.name; }
    Row row;
    std::string cause;
};

class SettleError : public testing::TestWithParam<SettleErrorCase> {};

// Event 1 fails. It is settled before event 0, so track B (key 0) has no value yet.
TEST_P(SettleError, IsReportedAtItsEvent) {
    const auto& c = GetParam();
    Expressions expressions;
    expressions.snappers.emplace("snapper",
                                 Snapper{{"snapped"}, std::make_unique<test::NamePhrase>()});
    expressions.phrases.emplace("phrase", std::make_unique<test::NamePhrase>());
    const Contract contract({Row{P, "B", "+", 1.0, "USD"}, c.row}, std::move(expressions));
    const auto ledger = calculate_fd(model_at(P), contract.timetable());
    ASSERT_FALSE(ledger);
    EXPECT_EQ(ledger.error().message(), "Error at event:\n  " +
                                            contract.timetable().event_desc(1) +
                                            ", caused by \n" + c.cause);
}

Row on_a(test::Text unit, test::Text track = "A", test::Text op = "+") {
    return Row{P + h, std::move(track), std::move(op), 1.0, std::move(unit)};
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SettleError,
    testing::Values(
        SettleErrorCase{"snapper", on_a("snapper"),
                        "Feature Not Implemented: `Snapper in FD: snapper`"},
        SettleErrorCase{"snap", on_a("snapped"), "Feature Not Implemented: `Snap in FD: snapped`"},
        SettleErrorCase{"phrase", on_a("phrase"),
                        "Feature Not Implemented: `Phrase in FD: phrase`"},
        SettleErrorCase{"null_unit_value", on_a(test::null_value),
                        "Error in Event Specs: Unknown Unit"},
        SettleErrorCase{"no_unit", on_a(std::nullopt), "Error in Event Specs: Missing Unit Name"},
        SettleErrorCase{"no_track", on_a("USD", std::nullopt), "No track specified at event#1"},
        SettleErrorCase{"condition_op", on_a("USD", "A", "when"),
                        "Error in Op, caused by \nUnknown Op 'when'"},
        SettleErrorCase{"unsettled_track", on_a("B"), "Track 0 not found"},
        SettleErrorCase{"missing_asset", on_a("EQ"),
                        "Asset 'EQ' not found in snaps, expressions, or in dataset[ASSETS]"}));

TEST(CalculateFd, RefusesAnEmptyTimetable) {
    const Contract contract({});
    const auto ledger = calculate_fd(model_at(P), contract.timetable());
    ASSERT_FALSE(ledger);
    EXPECT_EQ(ledger.error().message(), "No events to value: the timetable is empty");
}

TEST(CalculateFd, RefusesATimeStepUnderOneMillisecond) {
    const Contract contract({pay(P + h)});
    for (double timestep : {0.0, -0.01, std::nan(""), 0.5 / kMillisPerYear}) {
        const FakeModel model(test::grid_params(test::usd_only(), 2, timestep, P));
        const auto ledger = calculate_fd(model, contract.timetable());
        ASSERT_FALSE(ledger) << timestep;
        EXPECT_TRUE(ledger.error().message().ends_with("years is shorter than one millisecond"));
    }
}

TEST(CalculateFd, PassesStepErrorsOnWithoutEventContext) {
    const Contract contract({pay(P + 2 * h)});
    FakeModel model = model_at(P);
    model.failure = "no curve";
    const auto ledger = calculate_fd(model, contract.timetable());
    ASSERT_FALSE(ledger);
    EXPECT_EQ(ledger.error().message(), "no curve");
}

TEST(PriceFd, NeedsTrackZero) {
    const FakeModel model = model_at(P);
    const auto price = price_fd(model, Ledger(5));
    ASSERT_FALSE(price);
    EXPECT_EQ(price.error().message(), "Track 0 not found");
}

TEST(AssetValue, ForwardValueOfAnAssetOffTheGrid) {
    CurveMap curves;
    curves.emplace("EQ", AssetLogFwd::create(ValueVector{1.0}, ValueVector{std::log(110.0)},
                                             FwdBase::InBase{})
                             .value());
    const FakeModel model(test::grid_params(Assets("USD", std::move(curves)), 2, 0.01, P));
    const FdState state = FdState::create(2, 1.0, P);
    // Half a year: the forward curve through the origin gives exp(log(110) / 2).
    const auto v = asset_value(model, state, test::values({2.0, 3.0}), "EQ",
                               P + static_cast<std::int64_t>(kMillisPerYear / 2));
    ASSERT_TRUE(v);
    const double forward = std::exp(0.5 * std::log(110.0));
    EXPECT_TRUE(same_values(*v, {2.0 * forward, 3.0 * forward}));
}

}  // namespace
}  // namespace velkor
