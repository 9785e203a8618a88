// Binding of a fast call's arguments to an entry function's parameters, with the
// interpreter's own wording for missing, surplus, duplicated and unexpected arguments, and
// the checked conversions of single arguments.
#pragma once

#include <array>
#include <expected>
#include <span>
#include <string_view>

#include "python_module/py_ref.hpp"
#include "python_module/python_exception.hpp"

namespace velkor::py {

// Fills slots (one per parameter name, all required) from the positional arguments and the
// keyword names; every slot is a borrowed reference valid for the call.
[[nodiscard]] std::expected<void, PythonException> bind_arguments(
    std::string_view function, std::span<const char* const> names, std::span<PyObject*> slots,
    PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames);

template <std::size_t N>
[[nodiscard]] std::expected<std::array<PyObject*, N>, PythonException> bind_arguments(
    std::string_view function, const std::array<const char*, N>& names, PyObject* const* args,
    Py_ssize_t nargs, PyObject* kwnames) {
    std::array<PyObject*, N> slots{};
    if (auto bound = bind_arguments(function, names, slots, args, nargs, kwnames); !bound)
        return std::unexpected(std::move(bound.error()));
    return slots;
}

// The argument itself if it is a dict (or a subclass).
[[nodiscard]] std::expected<PyObject*, PythonException> dict_argument(std::string_view name,
                                                                      PyObject* value);
// The argument itself if it is a str (or a subclass).
[[nodiscard]] std::expected<PyObject*, PythonException> str_argument(std::string_view name,
                                                                     PyObject* value);

// A failed conversion of the named argument: a TypeError becomes
// "argument '{name}': {message}" keeping its cause; other exceptions pass unchanged.
[[nodiscard]] PythonException argument_error(std::string_view name, PythonException error);

}  // namespace velkor::py
