// Read-only view of a validated fixed-width column (timestamps in milliseconds as int64,
// float64): values and validity already shifted to the column's first row.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "arrow/validity.hpp"

namespace velkor::arrow {

template <class T>
class PrimitiveView {
public:
    PrimitiveView(std::span<const T> values, ValidityBitmap validity) noexcept
        : values_(values), validity_(validity) {}

    [[nodiscard]] std::int64_t size() const noexcept {
        return static_cast<std::int64_t>(values_.size());
    }
    // The stored value, also for a null slot.
    [[nodiscard]] T value(std::int64_t row) const noexcept {
        return values_[static_cast<std::size_t>(row)];
    }
    [[nodiscard]] bool is_null(std::int64_t row) const noexcept { return validity_.is_null(row); }
    [[nodiscard]] std::span<const T> values() const noexcept { return values_; }

private:
    std::span<const T> values_;
    ValidityBitmap validity_;
};

// Milliseconds since 1970-01-01T00:00:00 UTC.
using TimestampView = PrimitiveView<std::int64_t>;
using Float64View = PrimitiveView<double>;

}  // namespace velkor::arrow
