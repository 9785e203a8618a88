// Owning reference to a Python object: one Py_DECREF when it goes away. Every Python object
// the engine holds is held through one of these, always with the interpreter lock held.
#pragma once

#define PY_SSIZE_T_CLEAN
#include <Python.h>

#include <utility>

namespace velkor::py {

class PyRef {
public:
    PyRef() noexcept = default;

    // Takes over a new reference (may be null).
    [[nodiscard]] static PyRef steal(PyObject* object) noexcept { return PyRef(object); }
    // Adds a reference to a borrowed object (may be null).
    [[nodiscard]] static PyRef borrow(PyObject* object) noexcept {
        Py_XINCREF(object);
        return PyRef(object);
    }

    PyRef(const PyRef& other) noexcept : object_(other.object_) { Py_XINCREF(object_); }
    PyRef(PyRef&& other) noexcept : object_(std::exchange(other.object_, nullptr)) {}
    PyRef& operator=(PyRef other) noexcept {
        std::swap(object_, other.object_);
        return *this;
    }
    ~PyRef() { Py_XDECREF(object_); }

    [[nodiscard]] PyObject* get() const noexcept { return object_; }
    // Hands the reference to the caller (for returning to Python).
    [[nodiscard]] PyObject* release() noexcept { return std::exchange(object_, nullptr); }
    explicit operator bool() const noexcept { return object_ != nullptr; }

private:
    explicit PyRef(PyObject* object) noexcept : object_(object) {}
    PyObject* object_ = nullptr;
};

}  // namespace velkor::py
