#include "timetable/unit.hpp"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "event_batch.hpp"

namespace velkor {
namespace {

using namespace testing_support;

// One row per unit value, so every unit dictionary entry is in use.
BuiltBatch batch_with(const Texts& tracks, const Texts& units) {
    EventColumns c;
    for (std::size_t i = 0; i < units.size(); ++i) {
        c.times.push_back(0);
        c.track_keys.push_back(0);
        c.op_keys.push_back(0);
        c.quantities.push_back(1.0);
        c.unit_keys.push_back(static_cast<std::int64_t>(i));
    }
    c.tracks = tracks;
    c.ops = {"+"};
    c.units = units;
    return build(event_fields(c));
}

std::expected<std::vector<Unit>, TimeTableError> units_of(const Texts& tracks, const Texts& units,
                                                         const Expressions& e) {
    const BuiltBatch built = batch_with(tracks, units);
    auto events = Events::create(built.batch);
    EXPECT_TRUE(events);
    return create_units_map(e, *events);
}

struct UnitsCase {
    const char* name;
    friend void PrintTo(const UnitsCase& c, std::ostream* os) { *os << c.name; }
    Texts tracks;
    Texts units;
    std::vector<std::string> phrases;
    std::vector<SnapperSpec> snappers;
    std::vector<Unit> expected;
};

class CreateUnitsMap : public testing::TestWithParam<UnitsCase> {};

TEST_P(CreateUnitsMap, RecognisesNamesWithTheirPrecedence) {
    const auto& c = GetParam();
    const auto units = units_of(c.tracks, c.units, expressions(c.phrases, c.snappers));
    ASSERT_TRUE(units) << units.error().message();
    EXPECT_EQ(*units, c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CreateUnitsMap,
    testing::Values(
        UnitsCase{"assets_and_null", {"A"}, {"USD", std::nullopt, "EUR"}, {}, {},
                  {Unit::Asset{"USD"}, Unit::None{}, Unit::Asset{"EUR"}}},
        UnitsCase{"track_name_gives_its_dictionary_position",
                  {"A", "unused", "B"}, {"B", "USD", "unused"}, {}, {},
                  {Unit::Track{2}, Unit::Asset{"USD"}, Unit::Track{1}}},
        UnitsCase{"first_equal_unit_value_wins", {"A"}, {"X", "A", "A"}, {}, {},
                  {Unit::Asset{"X"}, Unit::Track{0}, Unit::Asset{"A"}}},
        UnitsCase{"comparison_is_exact", {"A"}, {"a", " A", "A "}, {"P"}, {{"S", {"s"}}},
                  {Unit::Asset{"a"}, Unit::Asset{" A"}, Unit::Asset{"A "}}},
        UnitsCase{"empty_track_name_does_not_match_a_null_unit", {""}, {std::nullopt, ""}, {}, {},
                  {Unit::None{}, Unit::Track{0}}},
        UnitsCase{"snapper_and_its_outputs", {"A"}, {"S", "x", "y", "USD"}, {},
                  {{"S", {"y", "x", "unmentioned"}}},
                  {Unit::Snapper{"S"}, Unit::Snap{"x"}, Unit::Snap{"y"}, Unit::Asset{"USD"}}},
        UnitsCase{"phrase_beats_track", {"A", "P"}, {"P", "A"}, {"P"}, {},
                  {Unit::Phrase{"P"}, Unit::Track{0}}},
        UnitsCase{"snapper_and_snap_beat_track", {"S", "x"}, {"S", "x"}, {}, {{"S", {"x"}}},
                  {Unit::Snapper{"S"}, Unit::Snap{"x"}}},
        UnitsCase{"phrase_beats_snapper_and_snap", {"A"}, {"S", "x"}, {"S", "x"},
                  {{"S", {"x"}}}, {Unit::Phrase{"S"}, Unit::Phrase{"x"}}},
        UnitsCase{"expression_names_without_units_change_nothing", {"A"}, {"USD"}, {"P"},
                  {{"S", {"x"}}}, {Unit::Asset{"USD"}}}),
    [](const auto& info) { return std::string(info.param.name); });

struct FailureCase {
    const char* name;
    friend void PrintTo(const FailureCase& c, std::ostream* os) { *os << c.name; }
    const char* track_format;
    Texts tracks;
    const char* unit_format;
    const char* message;
};

class CreateUnitsMapFailure : public testing::TestWithParam<FailureCase> {};

TEST_P(CreateUnitsMapFailure, ReportsTheFirstBadDictionary) {
    const auto& c = GetParam();
    EventColumns columns{{0}, {}, {0}, c.tracks, {0}, {"+"}, {1.0}, {0}, {"USD"}};
    auto fields = event_fields(columns);
    fields[1] = arrow::testing::named("track", dictionary({0}, c.tracks, c.track_format));
    fields[4] = arrow::testing::named("unit", dictionary({0}, {"USD"}, c.unit_format));
    const BuiltBatch built = build(std::move(fields));
    const auto events = Events::create(built.batch);
    ASSERT_TRUE(events);
    const auto units = create_units_map(expressions({}), *events);
    ASSERT_FALSE(units);
    EXPECT_EQ(units.error().message(), c.message);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CreateUnitsMapFailure,
    testing::Values(
        FailureCase{"units_large_strings_first", "U", {"A"}, "U",
                    "Error in units column, expected strings"},
        FailureCase{"tracks_large_strings", "U", {"A"}, "u",
                    "Error in tracks column, expected strings"},
        FailureCase{"null_track_name_even_if_unused", "u", {"A", std::nullopt}, "u",
                    "Missing Track Value"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(IdentifyTracks, RefusesAUnitListOfAnotherLength) {
    const BuiltBatch built = batch_with({"A"}, {"A", "B"});
    const auto events = Events::create(built.batch);
    ASSERT_TRUE(events);
    std::vector<Unit> units{Unit::None{}};
    const auto identified = identify_tracks(*events, units);
    ASSERT_FALSE(identified);
    EXPECT_EQ(identified.error().message(),
              "Expected 2 units, one per unit dictionary value, got 1");
    EXPECT_EQ(units, std::vector<Unit>{Unit::None{}});
}

TEST(UnitDescription, NamesTheKindAndItsPayload) {
    EXPECT_EQ(Unit(Unit::Track{12}).description(), "Track(12)");
    EXPECT_EQ(Unit(Unit::Asset{"USD"}).description(), "Asset(USD)");
    EXPECT_EQ(Unit(Unit::None{}).description(), "<none>");
    EXPECT_EQ(Unit(Unit::Snapper{"S"}).description(), "Snapper(S)");
    EXPECT_EQ(Unit(Unit::Snap{"x"}).description(), "Snap(x)");
    EXPECT_EQ(Unit(Unit::Phrase{"P"}).description(), "Phrase(P)");
}

}  // namespace
}  // namespace velkor
