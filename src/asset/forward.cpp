#include "asset/forward.hpp"

namespace velkor {

std::expected<AssetLogFwd, AssetError> AssetLogFwd::create(ValueVector times, ValueVector values,
                                                           FwdBase kind) {
    if (times.empty() || values.empty())
        return std::unexpected(AssetError::Builder{"A curve needs at least one data point"});
    const double first_time = times[0];
    const double first_value = values[0];
    if (times.size() == 1 && values.size() == 1)
        return AssetLogFwd(std::move(kind), std::nullopt, first_time, first_value);
    auto interp = LinearInterpolator::build(std::move(times), std::move(values));
    if (!interp) return std::unexpected(AssetError::Builder{std::move(interp.error())});
    return AssetLogFwd(std::move(kind), std::move(*interp), first_time, first_value);
}

std::expected<double, AssetError> AssetLogFwd::log_value(double t) const {
    // Pins Y(0) = 0 when the data starts later, so values at the pricing time are 1.
    if (first_time_ > 0.0 && t <= first_time_) return t * first_value_ / first_time_;
    if (!interp_) return std::unexpected(AssetError::OutOfRange{t});
    if (auto y = interp_->at(t)) return *y;
    return std::unexpected(AssetError::OutOfRange{t});
}

std::expected<double, AssetError> AssetLogFwd::rate(double t1, double t2) const {
    if (t1 == t2) return std::unexpected(AssetError::DivideByZero{});
    auto y1 = log_value(t1);
    if (!y1) return std::unexpected(std::move(y1.error()));
    auto y2 = log_value(t2);
    if (!y2) return std::unexpected(std::move(y2.error()));
    return (*y1 - *y2) / (t1 - t2);
}

}  // namespace velkor
