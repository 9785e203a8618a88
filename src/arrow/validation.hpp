// The one-time check of an imported array against its schema, recursively over children and
// dictionaries: after it passes, views may read every buffer they use without looking again.
#pragma once

#include <cstdint>
#include <expected>
#include <string>

#include "arrow/arrow_error.hpp"
#include "arrow/c_data_interface.hpp"

namespace velkor::arrow {

// path names the array in errors (empty for the batch itself). Formats the layer does not
// know get only the generic checks: lengths, counts, pointers, release callbacks.
[[nodiscard]] std::expected<void, ArrowError> validate_array(const ArrowSchema& schema,
                                                             const ArrowArray& array,
                                                             const std::string& path);

// The path of child index of parent in errors: its name, or "[index]" when it has none.
[[nodiscard]] std::string field_path(const std::string& parent, const ArrowSchema& field,
                                     std::int64_t index);

}  // namespace velkor::arrow
