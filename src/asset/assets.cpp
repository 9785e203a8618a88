#include "asset/assets.hpp"

#include <cmath>

namespace velkor {
namespace {

AssetError non_standard(std::string_view name, const FwdBase::NonStandard& kind) {
    return AssetError::NotImplemented{"Asset " + std::string(name) +
                                      " forwards are in a non-standard base: " + kind.name};
}

}  // namespace

std::expected<std::reference_wrapper<const AssetLogFwd>, AssetError> Assets::asset_by_name(
    std::string_view name) const {
    if (!few_curves_.empty() || curves_.empty()) {
        for (const auto& [curve_name, curve] : few_curves_)
            if (curve_name == name) return std::cref(*curve);
        return std::unexpected(AssetError::NotFound{std::string(name)});
    }
    const auto found = curves_.find(name);
    if (found == curves_.end()) return std::unexpected(AssetError::NotFound{std::string(name)});
    return std::cref(found->second);
}

std::expected<std::reference_wrapper<const AssetLogFwd>, AssetError> Assets::base_curve() const {
    if (base_curve_ == nullptr) return std::unexpected(AssetError::NotFound{base_});
    return std::cref(*base_curve_);
}

std::expected<double, AssetError> Assets::asset_value(std::string_view name, double t) const {
    auto found = asset_by_name(name);
    if (!found) return std::unexpected(std::move(found.error()));
    const AssetLogFwd& curve = *found;
    if (std::holds_alternative<FwdBase::Base>(curve.kind().value)) return 1.0;
    if (const auto* other = std::get_if<FwdBase::NonStandard>(&curve.kind().value))
        return std::unexpected(non_standard(name, *other));
    auto y = curve.log_value(t);
    if (!y) return std::unexpected(std::move(y.error()));
    return std::exp(*y);
}

std::expected<double, AssetError> Assets::discount_factor(double t) const {
    auto found = base_curve();
    if (!found) return std::unexpected(std::move(found.error()));
    const AssetLogFwd& curve = *found;
    if (!std::holds_alternative<FwdBase::Base>(curve.kind().value))
        return std::unexpected(
            AssetError::NotImplemented{"Discount is only supported for base asset"});
    auto y = curve.log_value(t);
    if (!y)
        return std::unexpected(AssetError::spot_error("discount factor", t, std::move(y.error())));
    return std::exp(-*y);
}

std::expected<double, AssetError> Assets::discount_rate(double t1, double t2) const {
    auto found = base_curve();
    if (!found) return std::unexpected(std::move(found.error()));
    auto rate = found->get().rate(t1, t2);
    if (!rate)
        return std::unexpected(
            AssetError::rate_error("discount", t1, t2, std::move(rate.error())));
    return *rate;
}

std::expected<double, AssetError> Assets::asset_rate(std::string_view name, double t1,
                                                     double t2) const {
    auto found = asset_by_name(name);
    if (!found) return std::unexpected(std::move(found.error()));
    const AssetLogFwd& curve = *found;
    if (const auto* other = std::get_if<FwdBase::NonStandard>(&curve.kind().value))
        return std::unexpected(AssetError::rate_error(name, t1, t2, non_standard(name, *other)));
    auto rate = curve.rate(t1, t2);
    if (!rate)
        return std::unexpected(AssetError::rate_error(name, t1, t2, std::move(rate.error())));
    return *rate;
}

}  // namespace velkor
