#include "python_module/python_exception.hpp"

namespace velkor::py {
namespace {

// Text of a str object; the failure of a lossy conversion is swallowed.
std::string utf8_of(PyObject* text) {
    Py_ssize_t size = 0;
    const char* data = PyUnicode_AsUTF8AndSize(text, &size);
    if (data == nullptr) {
        PyErr_Clear();
        return "<unprintable>";
    }
    return std::string(data, static_cast<std::size_t>(size));
}

}  // namespace

PythonException PythonException::fetch() {
#if PY_VERSION_HEX >= 0x030C0000
    PyObject* value = PyErr_GetRaisedException();
#else
    PyObject *type = nullptr, *value = nullptr, *traceback = nullptr;
    PyErr_Fetch(&type, &value, &traceback);
    if (type != nullptr) {
        PyErr_NormalizeException(&type, &value, &traceback);
        if (traceback != nullptr && value != nullptr) PyException_SetTraceback(value, traceback);
    }
    Py_XDECREF(type);
    Py_XDECREF(traceback);
#endif
    if (value == nullptr) return make(PyExc_SystemError, "error return without exception set");
    return PythonException(PyRef::steal(value));
}

PythonException PythonException::make(PyObject* type, std::string_view text) {
    PyRef message = PyRef::steal(
        PyUnicode_FromStringAndSize(text.data(), static_cast<Py_ssize_t>(text.size())));
    PyRef value;
    if (message) value = PyRef::steal(PyObject_CallOneArg(type, message.get()));
    if (!value) return fetch();
    return PythonException(std::move(value));
}

bool PythonException::is_instance(PyObject* type) const {
    return PyErr_GivenExceptionMatches(value_.get(), type) != 0;
}

std::string PythonException::str() const {
    PyRef text = PyRef::steal(PyObject_Str(value_.get()));
    if (!text) {
        PyErr_Clear();
        return "<exception str() failed>";
    }
    return utf8_of(text.get());
}

std::string PythonException::text() const {
    PyRef name = PyRef::steal(PyType_GetQualName(Py_TYPE(value_.get())));
    std::string out = name ? utf8_of(name.get()) : std::string(Py_TYPE(value_.get())->tp_name);
    if (!name) PyErr_Clear();
    return out + ": " + str();
}

void PythonException::raise() const {
#if PY_VERSION_HEX >= 0x030C0000
    PyErr_SetRaisedException(PyRef(value_).release());
#else
    PyObject* value = value_.get();
    PyErr_Restore(PyRef::borrow(reinterpret_cast<PyObject*>(Py_TYPE(value))).release(),
                  PyRef::borrow(value).release(), PyException_GetTraceback(value));
#endif
}

std::string type_name(PyObject* object) {
    PyRef name = PyRef::steal(PyType_GetName(Py_TYPE(object)));
    if (!name) {
        PyErr_Clear();
        return Py_TYPE(object)->tp_name;
    }
    return utf8_of(name.get());
}

std::string cannot_convert(PyObject* object, std::string_view target) {
    return "'" + type_name(object) + "' object cannot be converted to '" + std::string(target) +
           "'";
}

}  // namespace velkor::py
