#include "qdt/fixed.hpp"

#include "core/utc_time.hpp"
#include "model/dataset_value.hpp"
#include "model/forward_sweep.hpp"

namespace velkor {

std::expected<FwdModelStateGeneric, ModelError> Fixed::create_state(
    const TimeTable& timetable) const {
    return FwdModelStateGeneric::create(timetable, 1);
}

std::expected<void, ModelError> Fixed::move_to(FwdModelStateGeneric& state, std::int64_t ts,
                                               std::int64_t) const {
    auto df = params.assets.discount_factor(year_fraction(ts, params.pricing_ts));
    if (!df) return std::unexpected(ModelError(std::move(df.error())));
    state.df = ValueVector{*df};
    return {};
}

std::expected<ValueVector, ModelError> Fixed::asset_value(const FwdModelStateGeneric&,
                                                          const ValueVector& quantity,
                                                          std::string_view name,
                                                          std::int64_t ts) const {
    return dataset_asset_value(params.assets, quantity, name, ts, params.pricing_ts);
}

std::expected<Ledger, ModelError> Fixed::calculate(const TimeTable& timetable) const {
    return calculate_forward(*this, timetable);
}

std::expected<double, ModelError> Fixed::price(const Ledger& ledger) const {
    auto pv = ledger.pv_vec(0);
    if (!pv) return std::unexpected(ModelError(std::move(pv.error())));
    return pv->get()[0];
}

}  // namespace velkor
