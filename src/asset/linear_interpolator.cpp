#include "asset/linear_interpolator.hpp"

#include <algorithm>

namespace velkor {

std::expected<LinearInterpolator, std::string> LinearInterpolator::build(ValueVector xs,
                                                                          ValueVector ys) {
    constexpr std::size_t kMinPoints = 2;
    if (ys.size() < kMinPoints)
        return std::unexpected("The chosen Interpolation strategy needs at least " +
                               std::to_string(kMinPoints) + " data points");
    // Written as "not greater" so that a NaN anywhere fails too.
    for (std::size_t i = 1; i < xs.size(); ++i)
        if (!(xs[i] > xs[i - 1]))
            return std::unexpected(
                std::string("Values in the x axis need to be strictly monotonic rising"));
    if (xs.size() != ys.size())
        return std::unexpected("Lengths of x and data axis need to match. Got x: " +
                               std::to_string(xs.size()) + ", data: " +
                               std::to_string(ys.size()));
    return LinearInterpolator(std::move(xs), std::move(ys));
}

std::optional<double> LinearInterpolator::at(double x) const {
    const std::size_t n = xs_.size();
    if (!(x >= xs_[0] && x <= xs_[n - 1])) return std::nullopt;
    // The segment with x_i <= x < x_{i+1}; the right end belongs to the last segment.
    std::size_t i = last_segment_;
    if (!(xs_[i] <= x && (x < xs_[i + 1] || i + 2 == n))) {
        const auto upper = std::upper_bound(xs_.begin(), xs_.end(), x);
        i = std::min(static_cast<std::size_t>(upper - xs_.begin()), n - 1) - 1;
        last_segment_ = i;
    }
    const std::size_t j = i + 1;
    return ys_[i] + (x - xs_[i]) * (ys_[j] - ys_[i]) / (xs_[j] - xs_[i]);
}

}  // namespace velkor
