// Read-only view of a validated Utf8 column (32-bit offsets): offsets already shifted to the
// column's first row, so value(i) spans data[offsets[i], offsets[i + 1]).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "arrow/validity.hpp"

namespace velkor::arrow {

class Utf8View {
public:
    // offsets holds size + 1 entries (none are read when size is 0); data is never null.
    Utf8View(const std::int32_t* offsets, const char* data, std::int64_t size,
             ValidityBitmap validity) noexcept
        : offsets_(offsets), data_(data), size_(size), validity_(validity) {}

    [[nodiscard]] std::int64_t size() const noexcept { return size_; }
    [[nodiscard]] bool is_null(std::int64_t i) const noexcept { return validity_.is_null(i); }
    // The bytes of slot i; a null slot gives what its offsets span (usually nothing).
    [[nodiscard]] std::string_view value(std::int64_t i) const noexcept {
        const std::int32_t begin = offsets_[i];
        return {data_ + begin, static_cast<std::size_t>(offsets_[i + 1] - begin)};
    }

private:
    const std::int32_t* offsets_;
    const char* data_;
    std::int64_t size_;
    ValidityBitmap validity_;
};

}  // namespace velkor::arrow
