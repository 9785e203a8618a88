#include "timetable/op.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "support/expect_values.hpp"

#include "event_batch.hpp"
#include "timetable/event.hpp"

namespace velkor {
namespace {

constexpr double nan = std::numeric_limits<double>::quiet_NaN();

using test::same_values;
ValueVector from(const std::vector<double>& v) { return test::values(v); }

struct TextCase {
    std::optional<std::string> text;
    Op op;
    const char* shown;
};

class OpText : public testing::TestWithParam<TextCase> {};

TEST_P(OpText, ReadsExactlyAndShowsItsText) {
    const auto& c = GetParam();
    const Op op = Op::from_text(c.text);
    EXPECT_EQ(op, c.op);
    EXPECT_EQ(op.text(), c.shown);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, OpText,
    testing::Values(TextCase{"+", Op::Add{}, "+"}, TextCase{">", Op::Max{}, ">"},
                    TextCase{"<", Op::Min{}, "<"}, TextCase{std::nullopt, Op::Empty{}, ""},
                    TextCase{"", Op::Named{""}, ""}, TextCase{" +", Op::Named{" +"}, " +"},
                    TextCase{"+ ", Op::Named{"+ "}, "+ "}, TextCase{">>", Op::Named{">>"}, ">>"},
                    TextCase{"Exercise", Op::Named{"Exercise"}, "Exercise"}));

struct ApplyCase {
    const char* name;
    friend void PrintTo(const ApplyCase& c, std::ostream* os) { *os << c.name; }
    const char* op;
    std::vector<double> target;
    std::vector<double> value;
    std::vector<double> result;
};

class OpApply : public testing::TestWithParam<ApplyCase> {};

TEST_P(OpApply, CombinesWithBroadcastingAndNanRules) {
    const auto& c = GetParam();
    ValueVector target = from(c.target);
    ASSERT_TRUE(Op::from_text(c.op).apply(target, from(c.value)));
    EXPECT_TRUE(same_values(target, c.result));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, OpApply,
    testing::Values(
        ApplyCase{"add_equal", "+", {1, 2}, {10, 20}, {11, 22}},
        ApplyCase{"add_single_value", "+", {1, 2}, {10}, {11, 12}},
        ApplyCase{"add_single_target_grows", "+", {5}, {1, 2, 3}, {6, 7, 8}},
        ApplyCase{"add_nan_stays", "+", {nan, 1}, {1}, {nan, 2}},
        ApplyCase{"max_nan_either_side", ">", {1, nan, 3}, {2, 2, nan}, {2, 2, 3}},
        ApplyCase{"min_nan_either_side", "<", {1, nan, 3}, {2, 2, nan}, {1, 2, 3}},
        ApplyCase{"max_single_value", ">", {1, 5, nan}, {3}, {3, 5, 3}},
        ApplyCase{"min_single_value", "<", {4, -1}, {0}, {0, -1}},
        ApplyCase{"max_both_nan", ">", {nan}, {nan}, {nan}}),
    [](const auto& info) { return std::string(info.param.name); });

struct FailureCase {
    const char* name;
    friend void PrintTo(const FailureCase& c, std::ostream* os) { *os << c.name; }
    Op op;
    std::vector<double> value;
    const char* message;
};

class OpApplyFailure : public testing::TestWithParam<FailureCase> {};

TEST_P(OpApplyFailure, ReportsAndLeavesTargetUnchanged) {
    const auto& c = GetParam();
    ValueVector target{1, 2};
    const auto failed = c.op.apply(target, from(c.value));
    ASSERT_FALSE(failed);
    EXPECT_EQ(failed.error().message(), c.message);
    EXPECT_TRUE(same_values(target, std::vector<double>{1, 2}));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, OpApplyFailure,
    testing::Values(
        FailureCase{"empty", Op::Empty{}, {1, 1}, "Unknown Op ''"},
        FailureCase{"empty_text", Op::Named{""}, {1, 1}, "Unknown Op ''"},
        FailureCase{"blank_plus", Op::Named{" +"}, {1}, "Unknown Op ' +'"},
        FailureCase{"condition", Op::Named{"Alive"}, {1}, "Unknown Op 'Alive'"},
        FailureCase{"add_longer", Op::Add{}, {1, 2, 3},
                    "Op '+' cannot combine a value of length 3 into one of length 2"},
        FailureCase{"max_empty", Op::Max{}, {},
                    "Op '>' cannot combine a value of length 0 into one of length 2"}),
    [](const auto& info) { return std::string(info.param.name); });

// An event table whose op dictionary holds values in the given format.
std::expected<std::vector<Op>, TimeTableError> ops_of(const testing_support::Texts& ops,
                                                      const char* format = "u") {
    using namespace testing_support;
    auto fields = event_fields(EventColumns{.times = {0},
                                            .track_keys = {0},
                                            .tracks = {"A"},
                                            .op_keys = {0},
                                            .quantities = {1.0},
                                            .unit_keys = {0},
                                            .units = {"USD"}});
    fields[2] = arrow::testing::named("op", dictionary({0}, ops, format));
    const BuiltBatch built = build(std::move(fields));
    const auto events = Events::create(built.batch);
    EXPECT_TRUE(events);
    return ops_map(*events);
}

TEST(OpsMap, OneOpPerDictionaryValueInOrder) {
    const auto ops = ops_of({"+", std::nullopt, ">", "<", "", " +", "Exercise", "+"});
    ASSERT_TRUE(ops);
    EXPECT_EQ(*ops, (std::vector<Op>{Op::Add{}, Op::Empty{}, Op::Max{}, Op::Min{}, Op::Named{""},
                                     Op::Named{" +"}, Op::Named{"Exercise"}, Op::Add{}}));
}

TEST(OpsMap, RefusesValuesThatAreNotUtf8) {
    for (const char* format : {"U", "vu"}) {
        const auto ops = ops_of({"+"}, format);
        ASSERT_FALSE(ops) << format;
        EXPECT_EQ(ops.error().message(), "Error in ops column, expected strings");
    }
}

}  // namespace
}  // namespace velkor
