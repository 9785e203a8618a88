// Forward curves: Y(t), the logarithm of a growth factor, piecewise linear in the year
// fraction t, with the kind of the curve relative to the base asset. Built once, then read-only.
#pragma once

#include <expected>
#include <optional>
#include <string>
#include <type_traits>
#include <utility>
#include <variant>

#include "asset/asset_error.hpp"
#include "asset/linear_interpolator.hpp"
#include "core/value_vector.hpp"

namespace velkor {

// How a curve's values relate to the base asset.
struct FwdBase {
    // The base asset itself: Y(t) is the growth of one unit of base money, exp(-Y) discounts.
    struct Base {};
    // An asset quoted in the base asset: exp(Y) is its forward value.
    struct InBase {};
    // Quoted in another asset, named here; no operation supports it yet.
    struct NonStandard {
        std::string name;
    };

    std::variant<Base, InBase, NonStandard> value;

    template <class Case>
        requires std::is_constructible_v<decltype(value), Case&&>
    FwdBase(Case&& c) : value(std::forward<Case>(c)) {}
};

// At least one point; with two or more, strictly rising times.
class AssetLogFwd {
public:
    // Takes the points (times[i], values[i]); a one-point curve needs no interpolator.
    [[nodiscard]] static std::expected<AssetLogFwd, AssetError> create(ValueVector times,
                                                                       ValueVector values,
                                                                       FwdBase kind);

    [[nodiscard]] const FwdBase& kind() const noexcept { return kind_; }

    // Y(t): before a positive first time, the line through the origin and the first point;
    // then the interpolated data, both ends included; OutOfRange elsewhere.
    [[nodiscard]] std::expected<double, AssetError> log_value(double t) const;

    // (Y(t1) - Y(t2)) / (t1 - t2): the average rate between the two times.
    [[nodiscard]] std::expected<double, AssetError> rate(double t1, double t2) const;

private:
    AssetLogFwd(FwdBase kind, std::optional<LinearInterpolator> interp, double first_time,
                double first_value)
        : kind_(std::move(kind)),
          interp_(std::move(interp)),
          first_time_(first_time),
          first_value_(first_value) {}

    FwdBase kind_;
    std::optional<LinearInterpolator> interp_;  // present exactly when there are >= 2 points
    double first_time_;
    double first_value_;
};

}  // namespace velkor
