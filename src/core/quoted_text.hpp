// Text shown inside double quotes in event descriptions: quotes and backslashes escaped,
// control characters written as escapes (\n, \u{1b}) and bytes that are not UTF-8 as \x{ff},
// so a description is always one readable line of valid UTF-8.
#pragma once

#include <string>
#include <string_view>

namespace velkor {

[[nodiscard]] std::string quoted_text(std::string_view text);

}  // namespace velkor
