// Exact comparison of value vectors with expected entries, NaN equal to NaN.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <cstddef>
#include <vector>

#include "core/value_vector.hpp"

namespace velkor::test {

template <class T>
testing::AssertionResult same_values(const FlatVector<T>& actual, const std::vector<T>& expected) {
    if (actual.size() != expected.size())
        return testing::AssertionFailure()
               << "length " << actual.size() << " instead of " << expected.size();
    for (std::size_t i = 0; i < expected.size(); ++i) {
        const bool both_nan = std::isnan(static_cast<double>(actual[i])) &&
                              std::isnan(static_cast<double>(expected[i]));
        if (!(actual[i] == expected[i]) && !both_nan)
            return testing::AssertionFailure()
                   << "entry " << i << " is " << actual[i] << " instead of " << expected[i];
    }
    return testing::AssertionSuccess();
}

inline ValueVector values(const std::vector<double>& v) {
    return ValueVector{std::span<const double>(v)};
}

}  // namespace velkor::test
