// Numbers as they appear in messages: the shortest decimal that reads back to the same
// double, never with an exponent (2.0 as "2", 0.25 as "0.25"), NaN as "NaN".
#pragma once

#include <string>

namespace velkor {

[[nodiscard]] std::string format_number(double value);

}  // namespace velkor
