#include "arrow/dictionary_view.hpp"

#include <string>

#include "arrow/column.hpp"

namespace velkor::arrow {

Column DictionaryView::values() const {
    return Column(dictionary_schema_, dictionary_array_, dictionary_array_->offset,
                  dictionary_array_->length);
}

std::expected<void, IndexOutOfRange> DictionaryView::check_indices() const {
    const auto bound = static_cast<std::uint64_t>(dictionary_size());
    const auto rows = size();
    for (std::int64_t row = 0; row < rows; ++row) {
        // A negative index wraps to a huge unsigned one: one comparison covers both ends.
        const std::int64_t index = indices_[static_cast<std::size_t>(row)];
        if (static_cast<std::uint64_t>(index) >= bound && !validity_.is_null(row))
            return std::unexpected(IndexOutOfRange{std::string(name_), row, index,
                                                   dictionary_size()});
    }
    return {};
}

}  // namespace velkor::arrow
