#include "arrow/column.hpp"

#include <string>

namespace velkor::arrow {
namespace {

// Stands in for the absent data buffer of a Utf8 array whose offsets are all zero.
constexpr char kNoData[1] = {};

}  // namespace

std::string_view Column::name() const noexcept {
    return schema_->name == nullptr ? std::string_view() : std::string_view(schema_->name);
}

WrongType Column::wrong_type(const char* expected) const {
    std::string found = "'" + std::string(format()) + "'";
    if (schema_->dictionary != nullptr)
        found += " with a dictionary of '" + std::string(schema_->dictionary->format) + "'";
    return WrongType{std::string(name()), std::move(found), expected};
}

ValidityBitmap Column::validity() const noexcept {
    // A null count of zero vouches for every slot, whatever the bitmap holds.
    if (array_->null_count == 0 || array_->n_buffers == 0) return {};
    return ValidityBitmap(static_cast<const std::uint8_t*>(array_->buffers[0]), first_);
}

template <class T>
std::span<const T> Column::values() const noexcept {
    if (length_ == 0) return {};
    return {static_cast<const T*>(array_->buffers[1]) + first_,
            static_cast<std::size_t>(length_)};
}

std::expected<TimestampView, WrongType> Column::timestamp_ms() const {
    if (schema_->dictionary != nullptr || !format().starts_with("tsm:"))
        return std::unexpected(wrong_type("timestamp in milliseconds ('tsm:')"));
    return TimestampView(values<std::int64_t>(), validity());
}

std::expected<Float64View, WrongType> Column::float64() const {
    if (schema_->dictionary != nullptr || format() != "g")
        return std::unexpected(wrong_type("float64 ('g')"));
    return Float64View(values<double>(), validity());
}

std::expected<DictionaryView, WrongType> Column::dictionary() const {
    if (schema_->dictionary == nullptr || format() != "l")
        return std::unexpected(wrong_type("a dictionary with int64 indices ('l')"));
    return DictionaryView(name(), values<std::int64_t>(), validity(), schema_->dictionary,
                          array_->dictionary);
}

std::expected<Utf8View, WrongType> Column::utf8() const {
    if (schema_->dictionary != nullptr || format() != "u")
        return std::unexpected(wrong_type("Utf8 strings ('u')"));
    if (length_ == 0) return Utf8View(nullptr, kNoData, 0, {});
    const auto* offsets = static_cast<const std::int32_t*>(array_->buffers[1]) + first_;
    const auto* data = static_cast<const char*>(array_->buffers[2]);
    return Utf8View(offsets, data == nullptr ? kNoData : data, length_, validity());
}

}  // namespace velkor::arrow
