// A Python exception held as a value: taken from the interpreter when a call fails, or made
// here, and raised again only at the boundary of an entry function.
#pragma once

#include <string>
#include <string_view>

#include "python_module/py_ref.hpp"

namespace velkor::py {

class PythonException {
public:
    // Takes the pending exception; a missing one becomes a SystemError, so an error value
    // always carries an exception.
    [[nodiscard]] static PythonException fetch();
    [[nodiscard]] static PythonException make(PyObject* type, std::string_view text);
    [[nodiscard]] static PythonException type_error(std::string_view text) {
        return make(PyExc_TypeError, text);
    }

    [[nodiscard]] PyObject* object() const noexcept { return value_.get(); }
    [[nodiscard]] bool is_instance(PyObject* type) const;

    // "{qualified type name}: {str(exception)}", with "<exception str() failed>" for the
    // str part when str itself raises.
    [[nodiscard]] std::string text() const;
    // The str() of the exception alone.
    [[nodiscard]] std::string str() const;

    // Makes this the pending exception.
    void raise() const;

private:
    explicit PythonException(PyRef value) : value_(std::move(value)) {}
    PyRef value_;
};

// "'{type name}' object cannot be converted to '{target}'": the text of a failed type check.
[[nodiscard]] std::string cannot_convert(PyObject* object, std::string_view target);

// The __name__ of an object's type.
[[nodiscard]] std::string type_name(PyObject* object);

}  // namespace velkor::py
