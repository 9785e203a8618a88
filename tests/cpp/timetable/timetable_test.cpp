#include "timetable/timetable.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <iterator>
#include <limits>
#include <ostream>
#include <ranges>
#include <string>
#include <vector>

#include "event_batch.hpp"

namespace velkor {
namespace {

using namespace testing_support;

static_assert(std::ranges::forward_range<TsRange>);

TimeTable compile(const BuiltBatch& built, Expressions e = {}) {
    auto events = Events::create(built.batch);
    EXPECT_TRUE(events) << events.error().message();
    auto timetable = TimeTable::create(*events, std::move(e));
    EXPECT_TRUE(timetable) << timetable.error().message();
    return std::move(*timetable);
}

// Four events with a null in every column that may hold one. Row 1's time is null, stored 5.
EventColumns four_events() {
    return EventColumns{
        .times = {1'000, 5, 3'000, 3'000},
        .time_valid = {true, false, true, true},
        .track_keys = {0, std::nullopt, 2, 1},
        .tracks = {"A", "B", "C"},
        .op_keys = {0, 1, std::nullopt, 2},
        .ops = {"+", std::nullopt, "Exercise"},
        .quantities = {100.0, -0.5, 2.0, 1.0},
        .unit_keys = {0, 1, std::nullopt, 2},
        .units = {"USD", std::nullopt, "P"},
    };
}

class TimeTableLookups : public testing::Test {
protected:
    BuiltBatch built = build(event_fields(four_events()));
    TimeTable timetable = compile(built, expressions({"P"}, {{"S", {"x"}}}));
};

TEST_F(TimeTableLookups, ReadTimesAndQuantitiesInPlace) {
    EXPECT_EQ(timetable.size(), 4u);
    EXPECT_EQ(timetable.ts_at(0), 1'000);
    EXPECT_EQ(timetable.ts_at(1), 5);  // validity is not consulted
    EXPECT_EQ(timetable.quantity_at(1), -0.5);
    const std::vector<std::optional<std::int64_t>> times(timetable.ts_iter().begin(),
                                                         timetable.ts_iter().end());
    EXPECT_EQ(times, (std::vector<std::optional<std::int64_t>>{1'000, std::nullopt, 3'000, 3'000}));
}

TEST_F(TimeTableLookups, LendOpsAndUnitsByKey) {
    EXPECT_EQ(&timetable.op_at(0), &timetable.ops()[0]);
    EXPECT_EQ(timetable.op_at(0), Op(Op::Add{}));
    EXPECT_EQ(timetable.op_at(1), Op(Op::Empty{}));  // null dictionary value
    EXPECT_EQ(timetable.op_at(2), Op(Op::Empty{}));  // null index
    EXPECT_EQ(timetable.op_at(2).text(), "");
    EXPECT_EQ(timetable.op_at(3), Op(Op::Named{"Exercise"}));

    EXPECT_EQ(timetable.unit_key_at(1), 1u);
    EXPECT_EQ(timetable.unit_key_at(2), std::nullopt);
    EXPECT_EQ(&timetable.unit_by_key(2), &timetable.units()[2]);
    EXPECT_EQ(timetable.unit_by_key(0), Unit(Unit::Asset{"USD"}));
    EXPECT_EQ(timetable.unit_by_key(1), Unit(Unit::None{}));
    EXPECT_EQ(timetable.unit_by_key(2), Unit(Unit::Phrase{"P"}));
}

TEST_F(TimeTableLookups, GiveTrackKeysOrNameTheEventWithout) {
    EXPECT_EQ(timetable.track_key_at(2), 2u);
    const auto missing = timetable.track_key_at(1);
    ASSERT_FALSE(missing);
    EXPECT_EQ(missing.error().message(), "No track specified at event#1");
}

TEST_F(TimeTableLookups, FindExpressionsByName) {
    const EvalPhrase* phrase = timetable.get_phrase("P");
    ASSERT_NE(phrase, nullptr);
    EXPECT_EQ(phrase->iter_inp()[0], "P");
    EXPECT_EQ(timetable.get_phrase("S"), nullptr);
    EXPECT_EQ(timetable.get_phrase("p"), nullptr);
    EXPECT_EQ(timetable.snapper_by_name("S").out, std::vector<std::string>{"x"});
    EXPECT_THROW((void)timetable.snapper_by_name("P"), std::out_of_range);
}

TEST_F(TimeTableLookups, DescribeTracksAndUnitsByKey) {
    EXPECT_EQ(timetable.track_desc_at(0), "Track(0)");
    EXPECT_EQ(timetable.track_desc_at(2), "Track(2)");  // the position, not the name "C"
    EXPECT_EQ(timetable.track_desc_at(1), "<none>");
    EXPECT_EQ(timetable.unit_desc_at(0), "Asset(USD)");
    EXPECT_EQ(timetable.unit_desc_at(1), "<none>");  // null dictionary value
    EXPECT_EQ(timetable.unit_desc_at(2), "<none>");  // null index
    EXPECT_EQ(timetable.unit_desc_at(3), "Phrase(P)");
}

TEST(TimeTableSlice, ReadsFromTheBatchOffset) {
    const BuiltBatch built = build(event_fields(four_events()), 2);
    const TimeTable timetable = compile(built, expressions({"P"}));
    ASSERT_EQ(timetable.size(), 2u);
    EXPECT_EQ(timetable.ts_at(0), 3'000);
    EXPECT_EQ(timetable.quantity_at(1), 1.0);
    EXPECT_EQ(timetable.track_key_at(1), 1u);
    EXPECT_EQ(timetable.op_at(1), Op(Op::Named{"Exercise"}));
    EXPECT_EQ(timetable.unit_key_at(0), std::nullopt);
    EXPECT_EQ(*timetable.ts_iter().begin(), 3'000);
}

TEST(TimeTableEmpty, HasNoEvents) {
    const BuiltBatch built = build(event_fields(EventColumns{}));
    const TimeTable timetable = compile(built);
    EXPECT_EQ(timetable.size(), 0u);
    EXPECT_EQ(timetable.ts_iter().begin(), timetable.ts_iter().end());
}

constexpr double inf = std::numeric_limits<double>::infinity();

struct DescCase {
    const char* name;
    friend void PrintTo(const DescCase& c, std::ostream* os) { *os << c.name; }
    std::int64_t time;
    double quantity;
    std::optional<std::string> op;
    std::optional<std::string> unit;
    std::string description;
};

class EventDesc : public testing::TestWithParam<DescCase> {};

// Event 1 of two, on track key 1.
TEST_P(EventDesc, WritesOneLine) {
    const auto& c = GetParam();
    const BuiltBatch built = build(event_fields(EventColumns{
        .times = {0, c.time},
        .track_keys = {0, 1},
        .tracks = {"A", "B"},
        .op_keys = {0, 1},
        .ops = {"+", c.op},
        .quantities = {1.0, c.quantity},
        .unit_keys = {0, 1},
        .units = {"USD", c.unit},
    }));
    EXPECT_EQ(compile(built).event_desc(1), c.description);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, EventDesc,
    testing::Values(
        DescCase{"asset_payment", 1'711'670'400'000, 100.0, "+", "EUR",
                 R"q(#1: track: "Track(1)", time: Single(2024-03-29T00:00:00Z), )q"
                 R"q(op: +, qty: 100, unit: "Asset(EUR)")q"},
        DescCase{"milliseconds_and_fraction", 1'711'713'600'250, 0.25, "Exercise", "EUR",
                 R"q(#1: track: "Track(1)", time: Single(2024-03-29T12:00:00.250Z), )q"
                 R"q(op: Exercise, qty: 0.25, unit: "Asset(EUR)")q"},
        DescCase{"before_1970_nan_and_no_op", -1, std::nan(""), std::nullopt, std::nullopt,
                 R"q(#1: track: "Track(1)", time: Single(1969-12-31T23:59:59.999Z), )q"
                 R"q(op: , qty: NaN, unit: "<none>")q"},
        DescCase{"year_beyond_9999_and_inf", 253'402'300'800'000, inf, ">", "EUR",
                 R"q(#1: track: "Track(1)", time: Single(+10000-01-01T00:00:00Z), )q"
                 R"q(op: >, qty: inf, unit: "Asset(EUR)")q"},
        DescCase{"outside_the_calendar", std::numeric_limits<std::int64_t>::max(), -inf, "<",
                 "EUR",
                 R"q(#1: track: "Track(1)", time: None, )q"
                 R"q(op: <, qty: -inf, unit: "Asset(EUR)")q"},
        DescCase{"escapes_in_the_unit", 0, -2.5, "+", "say \"hi\"\\\n",
                 R"q(#1: track: "Track(1)", time: Single(1970-01-01T00:00:00Z), )q"
                 R"q(op: +, qty: -2.5, unit: "Asset(say \"hi\"\\\n)")q"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(EventDescNullTrack, ShowsNone) {
    EventColumns c = four_events();
    const BuiltBatch built = build(event_fields(c));
    EXPECT_EQ(compile(built, expressions({"P"})).event_desc(1),
              R"q(#1: track: "<none>", time: Single(1970-01-01T00:00:00.005Z), )q"
              R"q(op: , qty: -0.5, unit: "<none>")q");
}

struct CreateFailure {
    const char* name;
    friend void PrintTo(const CreateFailure& c, std::ostream* os) { *os << c.name; }
    EventColumns columns;
    const char* op_format;
    const char* message;
};

EventColumns one_event(Keys track_keys, Keys op_keys, Keys unit_keys, Texts tracks = {"A"}) {
    return EventColumns{.times = {0},
                        .track_keys = std::move(track_keys),
                        .tracks = std::move(tracks),
                        .op_keys = std::move(op_keys),
                        .ops = {"+"},
                        .quantities = {1.0},
                        .unit_keys = std::move(unit_keys),
                        .units = {"USD"}};
}

class TimeTableCreateFailure : public testing::TestWithParam<CreateFailure> {};

TEST_P(TimeTableCreateFailure, ReportsTheFirstProblem) {
    const auto& c = GetParam();
    auto fields = event_fields(c.columns);
    fields[2] = arrow::testing::named("op", dictionary(c.columns.op_keys, c.columns.ops,
                                                       c.op_format));
    const BuiltBatch built = build(std::move(fields));
    const auto events = Events::create(built.batch);
    ASSERT_TRUE(events);
    const auto timetable = TimeTable::create(*events, expressions({"P"}));
    ASSERT_FALSE(timetable);
    EXPECT_EQ(timetable.error().message(), c.message);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TimeTableCreateFailure,
    testing::Values(
        CreateFailure{"ops_large_strings", one_event({0}, {0}, {0}), "U",
                      "Error in ops column, expected strings"},
        CreateFailure{"missing_track_value_before_ops",
                      one_event({0}, {0}, {0}, {"A", std::nullopt}), "U", "Missing Track Value"},
        CreateFailure{"ops_before_indices", one_event({7}, {0}, {0}), "U",
                      "Error in ops column, expected strings"},
        CreateFailure{"track_index_past_the_end", one_event({1}, {0}, {0}), "u",
                      "Column 'track': dictionary index 1 at row 0 is outside the dictionary of "
                      "1 values"},
        CreateFailure{"track_before_op_and_unit", one_event({5}, {6}, {7}), "u",
                      "Column 'track': dictionary index 5 at row 0 is outside the dictionary of "
                      "1 values"},
        CreateFailure{"negative_op_index", one_event({0}, {-1}, {3}), "u",
                      "Column 'op': dictionary index -1 at row 0 is outside the dictionary of 1 "
                      "values"},
        CreateFailure{"unit_index", one_event({0}, {0}, {1}), "u",
                      "Column 'unit': dictionary index 1 at row 0 is outside the dictionary of "
                      "1 values"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(TimeTableCreate, IgnoresIndicesUnderNulls) {
    // dictionary() stores 99 under every null index.
    const BuiltBatch built =
        build(event_fields(one_event({std::nullopt}, {std::nullopt}, {std::nullopt})));
    const TimeTable timetable = compile(built);
    EXPECT_EQ(timetable.op_at(0), Op(Op::Empty{}));
}

}  // namespace
}  // namespace velkor
