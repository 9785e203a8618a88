#include "qfd/crank/hull_white.hpp"

#include <cmath>

#include "model/pricing_model.hpp"
#include "qfd/fd1f_model.hpp"
#include "qfd/grid_time.hpp"

namespace velkor {

static_assert(PricingModel<HullWhiteCN>);

std::expected<FdState, ModelError> HullWhiteCN::create_state_cn(
    const TimeTable& timetable) const {
    return state_at_last_event(params, timetable);
}

std::expected<CnMatrices, ModelError> HullWhiteCN::cn_coefficients(const FdState& state,
                                                                   std::int64_t ts) const {
    const double tau_s = year_fraction(state.ts, params.pricing_ts);
    const double tau_t = year_fraction(ts, params.pricing_ts);
    const double delta = year_fraction(state.ts, ts);
    const double dx = state.dx;
    auto r = params.assets.discount_rate(tau_s, tau_t);
    if (!r) return std::unexpected(ModelError(std::move(r.error())));
    const double a = meanrev;
    const double variance = vol * vol;
    // The convexity shift at the earlier end of the step.
    const double decay = 1.0 - std::exp(-a * tau_t);
    const double phi = ((variance / ((a + a) * a)) * decay) * decay + *r;
    const double diffusion = variance * (0.25 * delta) / (dx * dx);
    const double drift_scale = a * (0.25 * delta);
    const double half_step = delta * 0.5;
    const std::size_t points = state.grid.size();
    ValueVector b = ValueVector::uninitialized(points);
    ValueVector d = ValueVector::uninitialized(points);
    for (std::size_t i = 0; i < points; ++i) {
        const double x = state.grid[i];
        b[i] = -(x * drift_scale) / dx;
        d[i] = (x + phi) * half_step;
    }
    return cn_rows(diffusion, b, d, state.n_grid);
}

}  // namespace velkor
