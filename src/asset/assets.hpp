// The market data of one valuation: the base asset's name and one forward curve per asset,
// found by name. Built once per pricing call, then read-only.
#pragma once

#include <expected>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "asset/asset_error.hpp"
#include "asset/forward.hpp"
#include "core/name_map.hpp"

namespace velkor {

using CurveMap = NameMap<AssetLogFwd>;

class Assets {
public:
    Assets(std::string base, CurveMap curves)
        : base_(std::move(base)), curves_(std::move(curves)), base_curve_(find_base()) {
        if (curves_.size() <= kLinearSearchLimit)
            for (const auto& [name, curve] : curves_) few_curves_.push_back({name, &curve});
    }
    // The base curve and the search list point into the map: a copy builds its own.
    Assets(const Assets& other) : Assets(other.base_, other.curves_) {}
    Assets& operator=(const Assets& other) {
        if (this != &other) *this = Assets(other);
        return *this;
    }
    // Moving the map keeps its nodes, so the base curve stays where it is.
    Assets(Assets&&) noexcept = default;
    Assets& operator=(Assets&&) noexcept = default;

    [[nodiscard]] const std::string& base() const noexcept { return base_; }
    [[nodiscard]] const CurveMap& curves() const noexcept { return curves_; }

    [[nodiscard]] std::expected<std::reference_wrapper<const AssetLogFwd>, AssetError>
    asset_by_name(std::string_view name) const;

    // The forward value of one unit of the asset at t: 1 for the base asset, whatever t.
    // Curve failures come back unwrapped.
    [[nodiscard]] std::expected<double, AssetError> asset_value(std::string_view name,
                                                                double t) const;

    // exp(-Y(t)) of the base curve; curve failures wrapped as the "discount factor" spot.
    [[nodiscard]] std::expected<double, AssetError> discount_factor(double t) const;

    // Average rate of the base curve; failures wrapped as the "discount" rate.
    [[nodiscard]] std::expected<double, AssetError> discount_rate(double t1, double t2) const;

    // Average growth rate of the named curve; failures wrapped with the asset's name, except
    // a missing asset.
    [[nodiscard]] std::expected<double, AssetError> asset_rate(std::string_view name, double t1,
                                                               double t2) const;

private:
    [[nodiscard]] const AssetLogFwd* find_base() const {
        const auto found = curves_.find(base_);
        return found == curves_.end() ? nullptr : &found->second;
    }
    // The base curve, or NotFound naming the base.
    [[nodiscard]] std::expected<std::reference_wrapper<const AssetLogFwd>, AssetError> base_curve()
        const;

    // A dataset has a few assets, and comparing a few names costs less than hashing one.
    static constexpr std::size_t kLinearSearchLimit = 8;

    std::string base_;
    CurveMap curves_;
    const AssetLogFwd* base_curve_;  // into curves_, null when the base has no curve
    // Every curve with its name when there are at most kLinearSearchLimit, else empty.
    std::vector<std::pair<std::string_view, const AssetLogFwd*>> few_curves_;
};

}  // namespace velkor
