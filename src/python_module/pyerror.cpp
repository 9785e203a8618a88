#include "python_module/pyerror.hpp"

namespace velkor::py {

std::string PyParseError::message() const {
    return std::visit(
        [](const auto& c) -> std::string {
            using C = std::decay_t<decltype(c)>;
            if constexpr (std::is_same_v<C, Python>) {
                return c.exception.text();
            } else if constexpr (std::is_same_v<C, AssetError>) {
                return "Error while parsing Asset, caused by \n" + c.message();
            } else if constexpr (std::is_same_v<C, Expr>) {
                return "Error while parsing expression '" + c.name + "', caused by \n" +
                       c.cause->message();
            } else if constexpr (std::is_same_v<C, InvalidValue>) {
                return "Invalid value '" + c.value + "' for key '" + c.key + "'";
            } else if constexpr (std::is_same_v<C, MissingKey>) {
                return "Py Dictionary is missing key '" + c.key + "'";
            } else if constexpr (std::is_same_v<C, WrongType>) {
                return "Error in value of " + c.key + ", likely incorrect type. caused by \n" +
                       c.cause;
            } else {
                return c.text;
            }
        },
        value);
}

PyParseError expr_err(std::string_view name, PyParseError cause) {
    return PyParseError::Expr{std::string(name), Box<PyParseError>(std::move(cause))};
}

std::string PyTimeTableError::message() const {
    return std::visit(
        [](const auto& c) { return "Error while parsing Timetable, caused by \n" + c.message(); },
        value);
}

std::string PyExecError::message() const {
    return std::visit(
        [](const auto& c) -> std::string {
            using C = std::decay_t<decltype(c)>;
            if constexpr (std::is_same_v<C, Python>) {
                return c.exception.text();
            } else if constexpr (std::is_same_v<C, WrongType>) {
                return "Error in found value, likely incorrect type: " + c.text;
            } else if constexpr (std::is_same_v<C, Method>) {
                return "Error in Python method '" + c.name + "', caused by \n" +
                       c.exception.text();
            } else {
                return "Error in Python execution:\n" + c.text;
            }
        },
        value);
}

ExprError to_expr_error(const PyExecError& error) { return ExprError{error.message()}; }

ModelError to_model_error(const PyExecError& error) {
    return ModelError::Message{error.message()};
}

namespace {

void raise_runtime_error(const std::string& text) {
    PythonException::make(PyExc_RuntimeError, text).raise();
}

}  // namespace

void raise_error(const PyTimeTableError& error) { raise_runtime_error(error.message()); }

void raise_error(const PyParseError& error) {
    raise_runtime_error("Error while parsing Dataset, caused by\n" + error.message());
}

void raise_error(const ModelError& error) {
    raise_runtime_error("Error during model evaluation, caused by\n" + error.message());
}

}  // namespace velkor::py
