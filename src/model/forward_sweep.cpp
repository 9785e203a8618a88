#include "model/forward_sweep.hpp"

namespace velkor::detail {

std::expected<void, ModelError> check_fits(const ValueVector& value, std::size_t size,
                                           std::string_view kind, std::string_view name) {
    if (value.size() == 1 || value.size() == size) return {};
    return std::unexpected(ModelError::Message{
        std::string(kind) + " '" + std::string(name) + "' has " + std::to_string(value.size()) + " entries where 1 or " +
        std::to_string(size) + " were expected"});
}

std::expected<ValueVector, ModelError> scaled_value(const ValueVector& quantity,
                                                    const ValueVector& value, std::size_t size,
                                                    std::string_view kind, std::string_view name) {
    if (auto fits = check_fits(value, size, kind, name); !fits)
        return std::unexpected(std::move(fits.error()));
    auto product = multiply(quantity, value);
    // The discounted quantity has 1 or `size` entries too, so the product always exists.
    return std::move(*product);
}

}  // namespace velkor::detail
