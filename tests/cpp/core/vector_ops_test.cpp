#include "core/vector_ops.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <ostream>
#include <string>
#include <vector>

namespace velkor {
namespace {

constexpr double nan = std::numeric_limits<double>::quiet_NaN();

std::vector<double> as_vector(const ValueVector& v) { return {v.begin(), v.end()}; }

bool same(double a, double b) { return a == b || (std::isnan(a) && std::isnan(b)); }

struct SumCase {
    const char* name;
    friend void PrintTo(const SumCase& c, std::ostream* os) { *os << c.name; }
    std::vector<double> a;
    std::vector<double> b;
    std::vector<double> sum;
};

class Broadcasting : public testing::TestWithParam<SumCase> {};

TEST_P(Broadcasting, CombineAndCombineIntoAgree) {
    const auto& c = GetParam();
    const ValueVector a{std::span<const double>(c.a)};
    const ValueVector b{std::span<const double>(c.b)};
    auto sum = combine(a, b, plus);
    ASSERT_TRUE(sum);
    EXPECT_EQ(as_vector(*sum), c.sum);
    ValueVector target = a;
    ASSERT_TRUE(combine_into(target, b, plus));
    EXPECT_EQ(as_vector(target), c.sum);
}

INSTANTIATE_TEST_SUITE_P(
    Lengths, Broadcasting,
    testing::Values(SumCase{"equal", {1, 2}, {10, 20}, {11, 22}},
                    SumCase{"right_single", {1, 2, 3}, {10}, {11, 12, 13}},
                    SumCase{"left_single", {1}, {10, 20}, {11, 21}},
                    SumCase{"both_single", {1}, {10}, {11}},
                    SumCase{"single_with_empty", {1}, {}, {}},
                    SumCase{"empty_with_single", {}, {1}, {}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Broadcasting, RefusesLengthsThatCannotCombineAndLeavesTargetAlone) {
    ValueVector target{1, 2};
    const ValueVector v{1, 2, 3};
    const auto refused = combine_into(target, v, plus);
    ASSERT_FALSE(refused);
    EXPECT_EQ(refused.error().left, 2u);
    EXPECT_EQ(refused.error().right, 3u);
    EXPECT_EQ(as_vector(target), (std::vector<double>{1, 2}));
    EXPECT_FALSE(combine(ValueVector{}, v, plus));
}

TEST(ForEachBroadcast, ReadsSingleEntriesAtEveryPosition) {
    std::vector<double> seen(3);
    ASSERT_TRUE(for_each_broadcast(3, ValueVector{1, 2, 3}, ValueVector{10},
                                   [&](std::size_t i, double a, double b) { seen[i] = a + b; }));
    EXPECT_EQ(seen, (std::vector<double>{11, 12, 13}));
    ASSERT_TRUE(
        for_each_broadcast(3, ValueVector{4}, [&](std::size_t i, double a) { seen[i] = a; }));
    EXPECT_EQ(seen, (std::vector<double>{4, 4, 4}));
}

TEST(ForEachBroadcast, RefusesOperandsOfAnotherLengthWithoutVisiting) {
    int visits = 0;
    const auto refused = for_each_broadcast(2, ValueVector{1, 2}, ValueVector{1, 2, 3},
                                            [&](std::size_t, double, double) { ++visits; });
    ASSERT_FALSE(refused);
    EXPECT_EQ(refused.error().right, 3u);
    EXPECT_FALSE(for_each_broadcast(1, ValueVector{}, [&](std::size_t, double) { ++visits; }));
    EXPECT_EQ(visits, 0);
}

TEST(BroadcastTo, RepeatsOneEntryAndRefusesOtherLengths) {
    EXPECT_EQ(as_vector(*broadcast_to(ValueVector{7}, 3)), (std::vector<double>{7, 7, 7}));
    EXPECT_EQ(as_vector(*broadcast_to(ValueVector{1, 2}, 2)), (std::vector<double>{1, 2}));
    EXPECT_FALSE(broadcast_to(ValueVector{1, 2}, 3));
}

struct ExtremumCase {
    double t;
    double v;
    double max;
    double min;
};

class IgnoringNan : public testing::TestWithParam<ExtremumCase> {};

TEST_P(IgnoringNan, KeepsTheOtherOperand) {
    const auto& c = GetParam();
    EXPECT_PRED2(same, max_ignoring_nan(c.t, c.v), c.max);
    EXPECT_PRED2(same, min_ignoring_nan(c.t, c.v), c.min);
}

INSTANTIATE_TEST_SUITE_P(Operands, IgnoringNan,
                         testing::Values(ExtremumCase{1, 2, 2, 1}, ExtremumCase{2, 1, 2, 1},
                                         ExtremumCase{nan, 2, 2, 2}, ExtremumCase{2, nan, 2, 2},
                                         ExtremumCase{nan, nan, nan, nan}));

}  // namespace
}  // namespace velkor
