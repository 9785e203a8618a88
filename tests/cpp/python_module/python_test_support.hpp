// Helpers for tests that run Python snippets in the embedded interpreter.
#pragma once

#define PY_SSIZE_T_CLEAN
#include <Python.h>

#include <string>

#include "python_module/py_ref.hpp"

namespace velkor::py::testing_support {

// The value of a Python expression evaluated in a fresh namespace after running setup.
inline PyRef evaluate(const std::string& setup, const std::string& expression) {
    PyRef globals = PyRef::steal(PyDict_New());
    PyDict_SetItemString(globals.get(), "__builtins__", PyEval_GetBuiltins());
    PyRef ran = PyRef::steal(PyRun_String(setup.c_str(), Py_file_input, globals.get(), globals.get()));
    if (!ran) {
        PyErr_Print();
        return {};
    }
    PyRef value =
        PyRef::steal(PyRun_String(expression.c_str(), Py_eval_input, globals.get(), globals.get()));
    if (!value) PyErr_Print();
    return value;
}

}  // namespace velkor::py::testing_support
