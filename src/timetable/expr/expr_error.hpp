// Failure of evaluating an expression: already a finished text.
#pragma once

#include <string>

namespace velkor {

struct ExprError {
    std::string text;

    [[nodiscard]] const std::string& message() const { return text; }
};

}  // namespace velkor
