#include "core/number_format.hpp"

#include <gtest/gtest.h>

#include <limits>

namespace velkor {
namespace {

struct NumberCase {
    double value;
    const char* text;
};

class NumberFormat : public testing::TestWithParam<NumberCase> {};

TEST_P(NumberFormat, WritesShortestRoundTripWithoutExponent) {
    EXPECT_EQ(format_number(GetParam().value), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, NumberFormat,
    testing::Values(NumberCase{2.0, "2"}, NumberCase{0.25, "0.25"}, NumberCase{-1.5, "-1.5"},
                    NumberCase{0.1 + 0.2, "0.30000000000000004"}, NumberCase{1e22, "10000000000000000000000"},
                    NumberCase{1e-7, "0.0000001"}, NumberCase{1.7e12, "1700000000000"},
                    NumberCase{std::numeric_limits<double>::quiet_NaN(), "NaN"},
                    NumberCase{std::numeric_limits<double>::infinity(), "inf"},
                    NumberCase{-std::numeric_limits<double>::infinity(), "-inf"}));

}  // namespace
}  // namespace velkor
