#include "python_module/pyexpr.hpp"

#include <cstring>

#include "python_module/numpy_api.hpp"
#include "python_module/numpy_arrays.hpp"
#include "python_module/pyutils.hpp"

namespace velkor::py {
namespace {

std::unexpected<PyExecError> pending() {
    return std::unexpected<PyExecError>(PyExecError::Python{PythonException::fetch()});
}

// str(type(item)), e.g. "<class 'str'>".
std::string type_text(PyObject* item) {
    PyRef text = PyRef::steal(PyObject_Str(reinterpret_cast<PyObject*>(Py_TYPE(item))));
    if (text) {
        Py_ssize_t size = 0;
        if (const char* data = PyUnicode_AsUTF8AndSize(text.get(), &size))
            return std::string(data, static_cast<std::size_t>(size));
    }
    PyErr_Clear();
    return "<class '" + std::string(Py_TYPE(item)->tp_name) + "'>";
}

// Element i of a 1-D array as a double, read through its byte stride (any sign, any
// alignment) and in its own byte order.
template <class Convert>
ValueVector copy_1d(PyArrayObject* array, Convert convert) {
    const auto n = static_cast<std::size_t>(PyArray_DIM(array, 0));
    const char* data = PyArray_BYTES(array);
    const npy_intp stride = PyArray_STRIDE(array, 0);
    ValueVector out = ValueVector::uninitialized(n);
    for (std::size_t i = 0; i < n; ++i) out[i] = convert(data + static_cast<npy_intp>(i) * stride);
    return out;
}

double read_double(const char* p, bool swapped) {
    unsigned char bytes[sizeof(double)];
    std::memcpy(bytes, p, sizeof bytes);
    if (swapped)
        for (std::size_t k = 0; k < sizeof bytes / 2; ++k)
            std::swap(bytes[k], bytes[sizeof bytes - 1 - k]);
    double value;
    std::memcpy(&value, bytes, sizeof value);
    return value;
}

// The single element of a one-element array as a Python object, for float() to read: NumPy
// no longer turns arrays of one or more dimensions into scalars itself.
PyRef single_item(PyArrayObject* array) {
    return PyRef::steal(PyArray_GETITEM(array, PyArray_BYTES(array)));
}

}  // namespace

std::expected<ValueVector, PyExecError> to_array1(PyObject* item) {
    if (!ensure_numpy()) return pending();
    PyRef scalar = PyRef::borrow(item);
    if (PyArray_Check(item)) {
        auto* array = reinterpret_cast<PyArrayObject*>(item);
        if (PyArray_NDIM(array) == 1 && PyArray_TYPE(array) == NPY_DOUBLE) {
            const bool swapped = !PyArray_ISNOTSWAPPED(array);
            return copy_1d(array, [swapped](const char* p) { return read_double(p, swapped); });
        }
        if (PyArray_NDIM(array) == 1 && PyArray_TYPE(array) == NPY_BOOL)
            return copy_1d(array, [](const char* p) { return *p != 0 ? 1.0 : 0.0; });
        if (PyArray_SIZE(array) == 1) {
            scalar = single_item(array);
            if (!scalar) PyErr_Clear();
        }
    }
    if (scalar) {
        const double value = PyFloat_AsDouble(scalar.get());
        if (!(value == -1.0 && PyErr_Occurred())) return ValueVector{value};
        PyErr_Clear();
    }
    return std::unexpected(
        PyExecError::Message{"Expected float or array, received " + type_text(item)});
}

std::expected<std::vector<ValueVector>, ExprError> PyPhrase::eval(
    std::vector<ValueVector> inputs) const {
    auto run = [&]() -> std::expected<std::vector<ValueVector>, PyExecError> {
        PyRef arguments = PyRef::steal(PyList_New(static_cast<Py_ssize_t>(inputs.size())));
        if (!arguments) return pending();
        for (std::size_t i = 0; i < inputs.size(); ++i) {
            PyRef array = take_into_array(std::move(inputs[i]));
            if (!array) return pending();
            PyList_SET_ITEM(arguments.get(), static_cast<Py_ssize_t>(i), array.release());
        }
        PyRef result = PyRef::steal(PyObject_CallOneArg(fn_.get(), arguments.get()));
        if (!result) return pending();
        if (!PyList_Check(result.get()))
            return std::unexpected(PyExecError::WrongType{cannot_convert(result.get(), "PyList")});
        std::vector<ValueVector> outputs;
        outputs.reserve(static_cast<std::size_t>(PyList_GET_SIZE(result.get())));
        // A conversion may run the caller's code (float()), which may change the list: its
        // size is read again and each item held while it is converted.
        for (Py_ssize_t i = 0; i < PyList_GET_SIZE(result.get()); ++i) {
            PyRef item = PyRef::borrow(PyList_GET_ITEM(result.get(), i));
            auto value = to_array1(item.get());
            if (!value) return std::unexpected(std::move(value.error()));
            outputs.push_back(std::move(*value));
        }
        return outputs;
    };
    auto outputs = run();
    if (!outputs) return std::unexpected(to_expr_error(outputs.error()));
    return std::move(*outputs);
}

std::expected<std::unique_ptr<EvalPhrase>, PyParseError> create_phrase(PyObject* expression) {
    auto fn = get_any(expression, "fn");
    if (!fn) return std::unexpected(std::move(fn.error()));
    auto inp = get_typed<std::vector<std::string>>(expression, "inp");
    if (!inp) return std::unexpected(std::move(inp.error()));
    return std::make_unique<PyPhrase>(std::move(*inp), std::move(*fn));
}

}  // namespace velkor::py
