// The Black-Scholes model on the finite-difference grid: the log-spot of one asset with
// constant volatility, centred on the log of today's spot. Drift and discounting over a step
// are the average rates of the asset's and the base currency's curves over that step.
#pragma once

#include <cstdint>
#include <expected>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "model/model_error.hpp"
#include "qfd/crank.hpp"
#include "qfd/fd1f_params.hpp"

namespace velkor {

class BlackScholesCN final : public FDCN {
public:
    FD1FParams params;
    std::string asset;  // a name in params.assets
    double vol;         // per square-root year

    BlackScholesCN(FD1FParams grid, std::string asset_name, double volatility)
        : params(std::move(grid)), asset(std::move(asset_name)), vol(volatility) {}


    [[nodiscard]] const FD1FParams& grid_params() const override { return params; }
    // Grid point i holds ln S0 + max_x - i dx, S0 the asset's value at the pricing time.
    [[nodiscard]] std::expected<FdState, ModelError> create_state_cn(
        const TimeTable& timetable) const override;
    [[nodiscard]] std::expected<CnMatrices, ModelError> cn_coefficients(
        const FdState& state, std::int64_t ts) const override;
    // The spot exp(grid) for the modelled asset, none for any other name.
    [[nodiscard]] std::expected<std::optional<ValueVector>, ModelError> get_model_val_cn(
        const FdState& state, std::string_view name) const override;
};

}  // namespace velkor
