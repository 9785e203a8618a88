#include "qmc/mc_model.hpp"

#include "core/vector_ops.hpp"
#include "model/dataset_value.hpp"
#include "model/forward_sweep.hpp"

namespace velkor {

std::expected<void, ModelError> MCModel::move_to(FwdModelStateGeneric& state, std::int64_t ts,
                                                 std::int64_t current) const {
    // Events at the model's current time see it where it is: no step, no call.
    if (ts <= current) return {};
    return advance(state, ts);
}

std::expected<ValueVector, ModelError> MCModel::asset_value(const FwdModelStateGeneric& state,
                                                            const ValueVector& quantity,
                                                            std::string_view name,
                                                            std::int64_t ts) const {
    auto own = get_model_val_mc(state, name);
    if (!own) return std::unexpected(std::move(own.error()));
    if (*own) {
        auto value = multiply(quantity, **own);
        if (!value)
            return std::unexpected(ModelError::Message{
                "Values of '" + std::string(name) + "' have " +
                std::to_string(value.error().right) + " entries where 1 or " +
                std::to_string(value.error().left) + " were expected"});
        return std::move(*value);
    }
    return dataset_asset_value(assets(), quantity, name, ts, pricing_ts());
}

std::expected<Ledger, ModelError> MCModel::calculate(const TimeTable& timetable) const {
    return calculate_forward(*this, timetable);
}

std::expected<double, ModelError> MCModel::price(const Ledger& ledger) const {
    auto pv = ledger.pv_vec(0);
    if (!pv) return std::unexpected(ModelError(std::move(pv.error())));
    if (pv->get().empty()) return std::unexpected(ModelError::Message{"Empty PV Vector"});
    return mean(pv->get());
}

}  // namespace velkor
