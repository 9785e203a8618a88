#include "model/dataset_value.hpp"

#include "core/utc_time.hpp"
#include "core/vector_ops.hpp"

namespace velkor {

std::expected<ValueVector, ModelError> dataset_asset_value(const Assets& assets,
                                                           const ValueVector& quantity,
                                                           std::string_view name,
                                                           std::int64_t ts,
                                                           std::int64_t pricing_ts) {
    auto forward = assets.asset_value(name, year_fraction(ts, pricing_ts));
    if (!forward) return std::unexpected(ModelError(std::move(forward.error())));
    ValueVector value = quantity;
    scale(value, *forward);
    return value;
}

}  // namespace velkor
