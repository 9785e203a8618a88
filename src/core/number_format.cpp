#include "core/number_format.hpp"

#include <charconv>
#include <cmath>

namespace velkor {

std::string format_number(double value) {
    if (std::isnan(value)) return "NaN";
    // Fixed notation of DBL_MAX needs 309 digits plus sign.
    char buffer[400];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed);
    return std::string(buffer, result.ptr);
}

}  // namespace velkor
