// The phrase that wraps a caller's Python function: it receives one list of 1-D float64
// NumPy arrays (one per input, taking over the input vectors' storage) and returns a list of
// numbers or arrays, each copied into a new value vector. Called with the interpreter lock held.
#pragma once

#define PY_SSIZE_T_CLEAN
#include <Python.h>

#include <expected>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "core/value_vector.hpp"
#include "python_module/py_ref.hpp"
#include "python_module/pyerror.hpp"
#include "timetable/expr/eval_phrase.hpp"

namespace velkor::py {

class PyPhrase final : public EvalPhrase {
public:
    PyPhrase(std::vector<std::string> inp, PyRef fn) : inp_(std::move(inp)), fn_(std::move(fn)) {}

    [[nodiscard]] std::span<const std::string> iter_inp() const override { return inp_; }

    // fn(list of arrays); any failure becomes the ExprError of its PyExecError.
    [[nodiscard]] std::expected<std::vector<ValueVector>, ExprError> eval(
        std::vector<ValueVector> inputs) const override;

    [[nodiscard]] PyObject* fn() const noexcept { return fn_.get(); }

private:
    std::vector<std::string> inp_;
    PyRef fn_;
};

// A PyPhrase from an expression's dictionary: "fn" (any object) and "inp" (a sequence of str).
[[nodiscard]] std::expected<std::unique_ptr<EvalPhrase>, PyParseError> create_phrase(
    PyObject* expression);

// One item of a phrase's result: a 1-D float64 array (any strides), a 1-D bool array (1.0 and
// 0.0), or anything float() accepts, a one-element array included, as a one-entry vector.
[[nodiscard]] std::expected<ValueVector, PyExecError> to_array1(PyObject* item);

}  // namespace velkor::py
