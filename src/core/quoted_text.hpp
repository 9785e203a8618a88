// Text shown inside double quotes in event descriptions: quotes and backslashes escaped,
// control characters written as escapes, so a description is always one readable line.
#pragma once

#include <string>
#include <string_view>

namespace velkor {

[[nodiscard]] std::string quoted_text(std::string_view text);

}  // namespace velkor
