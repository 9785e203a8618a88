#include "hist/historic.hpp"

#include "core/vector_ops.hpp"
#include "model/forward_sweep.hpp"

namespace velkor {

std::expected<FwdModelStateGeneric, ModelError> Historic::create_state(
    const TimeTable& timetable) const {
    return FwdModelStateGeneric::create(timetable, 1);
}

std::expected<ValueVector, ModelError> Historic::asset_value(const FwdModelStateGeneric&,
                                                             const ValueVector& quantity,
                                                             std::string_view name,
                                                             std::int64_t ts) const {
    auto value = series_->asset_value(name, ts);
    if (!value) return std::unexpected(std::move(value.error()));
    ValueVector result = quantity;
    scale(result, *value);
    return result;
}

std::expected<void, ModelError> Historic::evolve_assets_forward(
    FwdModelStateGeneric& state, const TimeTable& timetable) const {
    return sweep_forward(*this, state, timetable);
}

std::expected<Ledger, ModelError> Historic::calculate(const TimeTable& timetable) const {
    return calculate_forward(*this, timetable);
}

}  // namespace velkor
