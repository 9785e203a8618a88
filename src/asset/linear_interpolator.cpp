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
    // First x_j > x, so x_{j-1} <= x < x_j; the right end belongs to the last segment.
    const auto upper = std::upper_bound(xs_.begin(), xs_.end(), x);
    const std::size_t j = std::min(static_cast<std::size_t>(upper - xs_.begin()), n - 1);
    const std::size_t i = j - 1;
    return ys_[i] + (x - xs_[i]) * (ys_[j] - ys_[i]) / (xs_[j] - xs_[i]);
}

}  // namespace velkor
