// A phrase: a function of named inputs that evaluates value vectors into value vectors. The
// engines resolve the inputs by name, in iter_inp order, and give them up to eval.
#pragma once

#include <expected>
#include <span>
#include <string>
#include <vector>

#include "core/value_vector.hpp"
#include "timetable/expr/expr_error.hpp"

namespace velkor {

class EvalPhrase {
public:
    EvalPhrase() = default;
    EvalPhrase(const EvalPhrase&) = delete;
    EvalPhrase& operator=(const EvalPhrase&) = delete;

    // The names of the inputs, in the order eval expects them.
    [[nodiscard]] virtual std::span<const std::string> iter_inp() const = 0;

    // One vector per input in iter_inp order; the outputs in order. Output lengths are not
    // checked here: the engines' element-wise operations refuse the ones they cannot use.
    [[nodiscard]] virtual std::expected<std::vector<ValueVector>, ExprError> eval(
        std::vector<ValueVector> inputs) const = 0;

    virtual ~EvalPhrase() = default;
};

}  // namespace velkor
