// A one-factor model for testing the engine without market data: constant coefficients A, B
// and D for every step (A = B = D = 0 leaves every vector unchanged), every step it is asked
// for recorded, an optional failure, and a named quantity "GRID" carried on its grid.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "asset/assets.hpp"
#include "qfd/crank.hpp"
#include "qfd/fd1f_model.hpp"

namespace velkor::test {

struct Step {
    std::int64_t from;
    std::int64_t to;
    friend bool operator==(const Step&, const Step&) = default;
};

// The base currency USD with a flat zero curve, and no other asset.
inline Assets usd_only() {
    CurveMap curves;
    curves.emplace("USD", AssetLogFwd::create(ValueVector{1.0}, ValueVector{0.02},
                                              FwdBase::Base{})
                              .value());
    return Assets("USD", std::move(curves));
}

inline FD1FParams grid_params(Assets assets, std::size_t n_x, double timestep,
                              std::int64_t pricing_ts, std::uint32_t flags = 0) {
    return FD1FParams{std::move(assets), n_x, 1.0, 2 * n_x + 1, timestep, pricing_ts, flags};
}

class FakeModel final : public FDCN {
public:
    explicit FakeModel(FD1FParams params) : params_(std::move(params)) {}

    double a = 0.0;
    double b = 0.0;
    double d = 0.0;
    std::optional<std::string> failure;  // cn_coefficients fails with this message
    mutable std::vector<Step> steps;

    const FD1FParams& grid_params() const override { return params_; }

    std::expected<FdState, ModelError> create_state_cn(const TimeTable& timetable) const override {
        return state_at_last_event(params_, timetable);
    }

    std::expected<CnMatrices, ModelError> cn_coefficients(const FdState& state,
                                                          std::int64_t ts) const override {
        if (failure) return std::unexpected(ModelError::Message{*failure});
        steps.push_back({state.ts, ts});
        return cn_rows(a, ValueVector{b}, ValueVector{d}, state.n_grid);
    }

    // "GRID": 10 + i at point i.
    std::expected<std::optional<ValueVector>, ModelError> get_model_val_cn(
        const FdState& state, std::string_view name) const override {
        if (name != "GRID") return std::nullopt;
        ValueVector v(state.n_grid);
        for (std::size_t i = 0; i < v.size(); ++i) v[i] = 10.0 + static_cast<double>(i);
        return v;
    }

private:
    FD1FParams params_;
};

}  // namespace velkor::test
