// Errors of the Python-facing layer: reading dictionaries (PyParseError), building the
// timetable (PyTimeTableError) and calling caller-supplied Python code (PyExecError), with
// their conversions and the exceptions the entry functions raise for them.
#pragma once

#include <string>
#include <string_view>
#include <variant>

#include "asset/asset_error.hpp"
#include "core/box.hpp"
#include "model/model_error.hpp"
#include "python_module/python_exception.hpp"
#include "timetable/expr/expr_error.hpp"
#include "timetable/timetable_error.hpp"

namespace velkor::py {

struct PyParseError {
    struct Python {
        PythonException exception;
    };
    struct Expr {
        std::string name;
        Box<PyParseError> cause;
    };
    struct InvalidValue {
        std::string key;
        std::string value;
    };
    struct MissingKey {
        std::string key;
    };
    struct WrongType {
        std::string key;
        std::string cause;
    };
    struct Message {
        std::string text;
    };

    // AssetError is the Asset case.
    std::variant<Python, AssetError, Expr, InvalidValue, MissingKey, WrongType, Message> value;

    template <class Case>
        requires std::is_constructible_v<decltype(value), Case&&>
    PyParseError(Case&& c) : value(std::forward<Case>(c)) {}

    [[nodiscard]] std::string message() const;
};

// The failure of reading the expression called name.
[[nodiscard]] PyParseError expr_err(std::string_view name, PyParseError cause);

struct PyTimeTableError {
    // PyParseError is the Parse case, TimeTableError the TimeTable case.
    std::variant<PyParseError, TimeTableError> value;

    template <class Case>
        requires std::is_constructible_v<decltype(value), Case&&>
    PyTimeTableError(Case&& c) : value(std::forward<Case>(c)) {}

    [[nodiscard]] std::string message() const;
};

struct PyExecError {
    struct Python {
        PythonException exception;
    };
    struct WrongType {
        std::string text;
    };
    struct Method {
        std::string name;
        PythonException exception;
    };
    struct Message {
        std::string text;
    };

    std::variant<Python, WrongType, Method, Message> value;

    template <class Case>
        requires std::is_constructible_v<decltype(value), Case&&>
    PyExecError(Case&& c) : value(std::forward<Case>(c)) {}

    [[nodiscard]] std::string message() const;
};

[[nodiscard]] ExprError to_expr_error(const PyExecError& error);
[[nodiscard]] ModelError to_model_error(const PyExecError& error);

// The exceptions of the entry functions: a RuntimeError carrying the whole message.
void raise_error(const PyTimeTableError& error);
void raise_error(const PyParseError& error);
void raise_error(const ModelError& error);

}  // namespace velkor::py
