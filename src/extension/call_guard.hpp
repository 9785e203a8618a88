// The last line of defence of an entry function: a C++ exception escaping the engine (an
// allocation failure, a broken invariant) becomes a Python exception instead of ending the
// interpreter, and a result never goes back together with a pending exception.
#pragma once

#define PY_SSIZE_T_CLEAN
#include <Python.h>

#include <exception>
#include <new>
#include <string>

namespace velkor::extension {

template <class Body>
PyObject* guard_call(Body&& body) noexcept {
    try {
        PyObject* result = body();
        if (result != nullptr && PyErr_Occurred()) {
            Py_DECREF(result);
            return nullptr;
        }
        if (result == nullptr && !PyErr_Occurred())
            PyErr_SetString(PyExc_SystemError, "velkor: error return without exception set");
        return result;
    } catch (const std::bad_alloc&) {
        PyErr_Clear();
        return PyErr_NoMemory();
    } catch (const std::exception& e) {
        PyErr_Clear();
        PyErr_SetString(PyExc_SystemError, (std::string("velkor internal error: ") + e.what()).c_str());
        return nullptr;
    } catch (...) {
        PyErr_Clear();
        PyErr_SetString(PyExc_SystemError, "velkor internal error");
        return nullptr;
    }
}

}  // namespace velkor::extension
