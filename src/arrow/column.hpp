// One column of a record batch: a field of its schema with the array that holds the rows,
// and where the rows start in that array (its own offset plus the parent struct's). Columns
// exist only inside a validated RecordBatch and borrow from it, so the typed views they hand
// out are trusted: a view factory fails only because the column has another type.
#pragma once

#include <cstdint>
#include <expected>
#include <string_view>

#include "arrow/arrow_error.hpp"
#include "arrow/c_data_interface.hpp"
#include "arrow/dictionary_view.hpp"
#include "arrow/primitive_view.hpp"
#include "arrow/utf8_view.hpp"

namespace velkor::arrow {

class Column {
public:
    // The field name; empty when the producer gave none.
    [[nodiscard]] std::string_view name() const noexcept;
    [[nodiscard]] std::string_view format() const noexcept { return schema_->format; }
    [[nodiscard]] std::int64_t length() const noexcept { return length_; }

    // Timestamp in milliseconds, any time zone or none ("tsm:...").
    [[nodiscard]] std::expected<TimestampView, WrongType> timestamp_ms() const;
    // Float64 ("g").
    [[nodiscard]] std::expected<Float64View, WrongType> float64() const;
    // Dictionary with int64 indices, whatever its values.
    [[nodiscard]] std::expected<DictionaryView, WrongType> dictionary() const;
    // Utf8 with 32-bit offsets ("u"); large strings and string views are another type.
    [[nodiscard]] std::expected<Utf8View, WrongType> utf8() const;

private:
    friend class RecordBatch;
    friend class DictionaryView;

    // The rows are array slots [first, first + length).
    Column(const ArrowSchema* schema, const ArrowArray* array, std::int64_t first,
           std::int64_t length) noexcept
        : schema_(schema), array_(array), first_(first), length_(length) {}

    [[nodiscard]] WrongType wrong_type(const char* expected) const;
    [[nodiscard]] ValidityBitmap validity() const noexcept;
    template <class T>
    [[nodiscard]] std::span<const T> values() const noexcept;

    const ArrowSchema* schema_;
    const ArrowArray* array_;
    std::int64_t first_;
    std::int64_t length_;
};

}  // namespace velkor::arrow
