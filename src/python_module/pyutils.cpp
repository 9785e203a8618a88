#include "python_module/pyutils.hpp"

#include <cstring>
#include <limits>

#include "python_module/numpy_api.hpp"

namespace velkor::py {
namespace {

std::unexpected<PythonException> pending() { return std::unexpected(PythonException::fetch()); }

std::unexpected<PythonException> type_error(std::string_view text) {
    return std::unexpected(PythonException::type_error(text));
}

// Text of a str, which must hold only encodable code points.
std::expected<std::string, PythonException> utf8(PyObject* text) {
    Py_ssize_t size = 0;
    const char* data = PyUnicode_AsUTF8AndSize(text, &size);
    if (data == nullptr) return pending();
    return std::string(data, static_cast<std::size_t>(size));
}

// The integer behind an object, through the index protocol.
std::expected<PyRef, PythonException> to_index(PyObject* object) {
    PyRef index = PyRef::steal(PyNumber_Index(object));
    if (!index) return pending();
    return index;
}

constexpr std::uint32_t kMaxFlags = 15;

}  // namespace

std::expected<PyRef, PyParseError> get_any(PyObject* dict, std::string_view key) {
    PyRef name = PyRef::steal(
        PyUnicode_FromStringAndSize(key.data(), static_cast<Py_ssize_t>(key.size())));
    if (!name) return std::unexpected(PyParseError::Python{PythonException::fetch()});
    // A plain lookup: a dict subclass's __getitem__ or __missing__ is not consulted.
    PyObject* value = PyDict_GetItemWithError(dict, name.get());
    if (value == nullptr) {
        if (PyErr_Occurred())
            return std::unexpected(PyParseError::Python{PythonException::fetch()});
        return std::unexpected(PyParseError::MissingKey{std::string(key)});
    }
    return PyRef::borrow(value);
}

std::expected<PyRef, PyParseError> get_dict(PyObject* dict, std::string_view key) {
    auto value = get_any(dict, key);
    if (!value) return value;
    if (!PyDict_Check(value->get()))
        return std::unexpected(PyParseError::WrongType{
            std::string(key),
            PythonException::type_error(cannot_convert(value->get(), "PyDict")).text()});
    return value;
}

std::expected<std::string, PyParseError> get_str(PyObject* dict, std::string_view key) {
    return get_typed<std::string>(dict, key);
}

std::expected<std::string, PythonException> to_text(PyObject* object) {
    if (!PyUnicode_Check(object)) return type_error(cannot_convert(object, "PyString"));
    return utf8(object);
}

std::expected<std::vector<std::string>, PythonException> to_text_list(PyObject* object) {
    // A str is a sequence of str too; taking it letter by letter is never what was meant.
    if (PyUnicode_Check(object)) return type_error("expected a sequence of str, got a single str");
    if (!PySequence_Check(object)) return type_error(cannot_convert(object, "Sequence"));
    const Py_ssize_t size = PySequence_Size(object);
    if (size < 0) return pending();
    std::vector<std::string> texts;
    texts.reserve(static_cast<std::size_t>(size));
    for (Py_ssize_t i = 0; i < size; ++i) {
        PyRef item = PyRef::steal(PySequence_GetItem(object, i));
        if (!item) return pending();
        auto text = to_text(item.get());
        if (!text) return std::unexpected(std::move(text.error()));
        texts.push_back(std::move(*text));
    }
    return texts;
}

std::expected<std::int64_t, PythonException> to_i64(PyObject* object) {
    auto index = to_index(object);
    if (!index) return std::unexpected(std::move(index.error()));
    const long long value = PyLong_AsLongLong(index->get());
    if (value == -1 && PyErr_Occurred()) return pending();
    return static_cast<std::int64_t>(value);
}

std::expected<std::uint64_t, PythonException> to_u64(PyObject* object) {
    auto index = to_index(object);
    if (!index) return std::unexpected(std::move(index.error()));
    const unsigned long long value = PyLong_AsUnsignedLongLong(index->get());
    if (value == static_cast<unsigned long long>(-1) && PyErr_Occurred()) return pending();
    return static_cast<std::uint64_t>(value);
}

std::expected<std::uint32_t, PythonException> to_u32(PyObject* object) {
    auto value = to_u64(object);
    if (!value) return std::unexpected(std::move(value.error()));
    if (*value > std::numeric_limits<std::uint32_t>::max())
        return std::unexpected(PythonException::make(
            PyExc_OverflowError, "Python int too large to convert to C unsigned int"));
    return static_cast<std::uint32_t>(*value);
}

std::expected<double, PythonException> to_double(PyObject* object) {
    const double value = PyFloat_AsDouble(object);
    if (value == -1.0 && PyErr_Occurred()) return pending();
    return value;
}

std::expected<std::uint32_t, PyParseError> get_flag(PyObject* dict) {
    constexpr std::string_view key = "FLAGS";
    auto value = get_any(dict, key);
    if (!value) {
        if (std::holds_alternative<PyParseError::MissingKey>(value.error().value)) return 0;
        return std::unexpected(std::move(value.error()));
    }
    auto flags = to_u32(value->get());
    if (!flags)
        return std::unexpected(PyParseError::WrongType{std::string(key), flags.error().text()});
    if (*flags > kMaxFlags)
        return std::unexpected(PyParseError::Message{"Invalid bits set in FLAG"});
    return *flags;
}

std::expected<std::pair<ValueVector, ValueVector>, PyParseError> get_2col_array(
    PyObject* object) {
    auto python_error = [](PyObject* type, std::string_view text) {
        return std::unexpected(PyParseError::Python{PythonException::make(type, text)});
    };
    if (!ensure_numpy()) return std::unexpected(PyParseError::Python{PythonException::fetch()});
    // A foreign byte order would be read as garbage, so it fails the type check as well.
    if (!PyArray_Check(object) ||
        PyArray_TYPE(reinterpret_cast<PyArrayObject*>(object)) != NPY_DOUBLE ||
        PyArray_NDIM(reinterpret_cast<PyArrayObject*>(object)) != 2 ||
        !PyArray_ISNOTSWAPPED(reinterpret_cast<PyArrayObject*>(object)))
        return python_error(PyExc_TypeError, cannot_convert(object, "PyArray2<f64>"));

    auto* array = reinterpret_cast<PyArrayObject*>(object);
    const npy_intp rows = PyArray_DIM(array, 0);
    const npy_intp columns = PyArray_DIM(array, 1);
    if (columns < 2)
        return python_error(PyExc_ValueError,
                            "expected an array with at least 2 columns (times and values), got " +
                                std::to_string(columns));
    if (rows < 1)
        return python_error(PyExc_ValueError, "expected an array with at least 1 row, got 0");

    // Byte strides may be negative or unaligned; memcpy reads any of them.
    const char* base = PyArray_BYTES(array);
    const npy_intp row_stride = PyArray_STRIDE(array, 0);
    const npy_intp column_stride = PyArray_STRIDE(array, 1);
    const auto n = static_cast<std::size_t>(rows);
    auto first = ValueVector::uninitialized(n);
    auto second = ValueVector::uninitialized(n);
    for (std::size_t i = 0; i < n; ++i) {
        const char* row = base + static_cast<npy_intp>(i) * row_stride;
        std::memcpy(&first[i], row, sizeof(double));
        std::memcpy(&second[i], row + column_stride, sizeof(double));
    }
    return std::pair{std::move(first), std::move(second)};
}

}  // namespace velkor::py
