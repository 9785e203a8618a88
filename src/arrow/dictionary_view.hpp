// Read-only view of a validated dictionary column with int64 indices: per-row indices and
// validity shifted to the column's first row, and the dictionary itself as a column. Indices
// are not known to lie inside the dictionary until check_indices() has passed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <expected>
#include <span>
#include <string_view>

#include "arrow/arrow_error.hpp"
#include "arrow/c_data_interface.hpp"
#include "arrow/validity.hpp"

namespace velkor::arrow {

class Column;

class DictionaryView {
public:
    DictionaryView(std::string_view name, std::span<const std::int64_t> indices,
                   ValidityBitmap validity, const ArrowSchema* dictionary_schema,
                   const ArrowArray* dictionary_array) noexcept
        : name_(name),
          indices_(indices),
          validity_(validity),
          dictionary_schema_(dictionary_schema),
          dictionary_array_(dictionary_array) {}

    [[nodiscard]] std::int64_t size() const noexcept {
        return static_cast<std::int64_t>(indices_.size());
    }
    // The stored index, also for a null slot.
    [[nodiscard]] std::int64_t index(std::int64_t row) const noexcept {
        return indices_[static_cast<std::size_t>(row)];
    }
    [[nodiscard]] bool is_null(std::int64_t row) const noexcept { return validity_.is_null(row); }
    [[nodiscard]] std::span<const std::int64_t> indices() const noexcept { return indices_; }

    [[nodiscard]] std::int64_t dictionary_size() const noexcept {
        return dictionary_array_->length;
    }
    // The dictionary values, as a column of their own.
    [[nodiscard]] Column values() const;

    // One pass over the rows: the first non-null index that is negative or not below
    // dictionary_size().
    [[nodiscard]] std::expected<void, IndexOutOfRange> check_indices() const;

private:
    std::string_view name_;
    std::span<const std::int64_t> indices_;
    ValidityBitmap validity_;
    const ArrowSchema* dictionary_schema_;
    const ArrowArray* dictionary_array_;
};

}  // namespace velkor::arrow
