// Piecewise-linear interpolation over strictly rising x values, without extrapolation: a
// query outside [x_0, x_{n-1}] (both ends included) or NaN has no value. Holds n >= 2 points.
#pragma once

#include <expected>
#include <optional>
#include <string>

#include "core/value_vector.hpp"

namespace velkor {

class LinearInterpolator {
public:
    // Checks, in this order, the number of points, the strict rise of xs and the equal
    // lengths; a failure is the builder's message.
    [[nodiscard]] static std::expected<LinearInterpolator, std::string> build(ValueVector xs,
                                                                              ValueVector ys);

    // The value at x, or nothing when x is outside the data. O(log n).
    [[nodiscard]] std::optional<double> at(double x) const;

private:
    LinearInterpolator(ValueVector xs, ValueVector ys) : xs_(std::move(xs)), ys_(std::move(ys)) {}

    ValueVector xs_;
    ValueVector ys_;
    // The segment of the previous query: engines ask for rising times, which mostly stay in
    // one segment. Only a search hint; a curve belongs to one valuation on one thread.
    mutable std::size_t last_segment_ = 0;
};

}  // namespace velkor
