// The Hull-White model on the finite-difference grid: the grid holds the deviation x of the
// base currency's short rate from a deterministic shift phi, recomputed for every step from
// the base curve; x reverts to zero at speed meanrev with constant volatility.
#pragma once

#include <cstdint>
#include <expected>
#include <utility>

#include "model/model_error.hpp"
#include "qfd/crank.hpp"
#include "qfd/fd1f_params.hpp"

namespace velkor {

class HullWhiteCN final : public FDCN {
public:
    FD1FParams params;
    double meanrev;  // per year
    double vol;      // of the short rate

    HullWhiteCN(FD1FParams grid, double mean_reversion, double volatility)
        : params(std::move(grid)), meanrev(mean_reversion), vol(volatility) {}


    [[nodiscard]] const FD1FParams& grid_params() const override { return params; }
    // Grid point i holds the deviation max_x - i dx.
    [[nodiscard]] std::expected<FdState, ModelError> create_state_cn(
        const TimeTable& timetable) const override;
    // A zero meanrev makes phi, and with it every discount term, NaN.
    [[nodiscard]] std::expected<CnMatrices, ModelError> cn_coefficients(
        const FdState& state, std::int64_t ts) const override;
};

}  // namespace velkor
