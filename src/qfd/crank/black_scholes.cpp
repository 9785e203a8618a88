#include "qfd/crank/black_scholes.hpp"

#include <cmath>

#include "model/pricing_model.hpp"
#include "qfd/fd1f_model.hpp"
#include "qfd/grid_time.hpp"

namespace velkor {

static_assert(PricingModel<BlackScholesCN>);

std::expected<FdState, ModelError> BlackScholesCN::create_state_cn(
    const TimeTable& timetable) const {
    auto state = state_at_last_event(params, timetable);
    if (!state) return state;
    auto spot = params.assets.asset_value(asset, 0.0);
    if (!spot) return std::unexpected(ModelError(std::move(spot.error())));
    const double log_spot = std::log(*spot);
    for (double& x : state->grid) x = x + log_spot;
    return state;
}

std::expected<CnMatrices, ModelError> BlackScholesCN::cn_coefficients(const FdState& state,
                                                                      std::int64_t ts) const {
    const double tau_s = year_fraction(state.ts, params.pricing_ts);
    const double tau_t = year_fraction(ts, params.pricing_ts);
    const double delta = year_fraction(state.ts, ts);
    const double dx = state.dx;
    auto r = params.assets.discount_rate(tau_s, tau_t);
    if (!r) return std::unexpected(ModelError(std::move(r.error())));
    auto mu = params.assets.asset_rate(asset, tau_s, tau_t);
    if (!mu) return std::unexpected(ModelError(std::move(mu.error())));
    const double variance = vol * vol;
    const double a = variance * (0.25 * delta) / (dx * dx);
    const double b = (*mu - 0.5 * variance) * (0.25 * delta) / dx;
    const double d = (delta * 0.5) * *r;
    return cn_rows(a, ValueVector{b}, ValueVector{d}, state.n_grid);
}

std::expected<std::optional<ValueVector>, ModelError> BlackScholesCN::get_model_val_cn(
    const FdState& state, std::string_view name) const {
    if (name != asset) return std::nullopt;
    ValueVector spot = ValueVector::uninitialized(state.grid.size());
    for (std::size_t i = 0; i < spot.size(); ++i) spot[i] = std::exp(state.grid[i]);
    return spot;
}

}  // namespace velkor
