// The value of an asset when a model has none of its own: its forward from the dataset's
// curves at the event's year fraction, times the quantity (every entry).
#pragma once

#include <cstdint>
#include <expected>
#include <string_view>

#include "asset/assets.hpp"
#include "core/value_vector.hpp"
#include "model/model_error.hpp"

namespace velkor {

[[nodiscard]] std::expected<ValueVector, ModelError> dataset_asset_value(
    const Assets& assets, const ValueVector& quantity, std::string_view name, std::int64_t ts,
    std::int64_t pricing_ts);

}  // namespace velkor
