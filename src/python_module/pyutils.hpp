// Readers of single typed values from Python dictionaries, with one rule for every key: an
// absent key is MissingKey, a value that does not convert is WrongType carrying the Python
// error's text. The dictionaries and arrays are only read, never changed.
#pragma once

#include <cstdint>
#include <expected>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

#include "core/value_vector.hpp"
#include "python_module/py_ref.hpp"
#include "python_module/pyerror.hpp"
#include "python_module/python_exception.hpp"

namespace velkor::py {

// The object under key, a new reference. A present None is returned like any value.
[[nodiscard]] std::expected<PyRef, PyParseError> get_any(PyObject* dict, std::string_view key);

// The dict (or subclass) under key, a new reference.
[[nodiscard]] std::expected<PyRef, PyParseError> get_dict(PyObject* dict, std::string_view key);

// The str (or subclass) under key.
[[nodiscard]] std::expected<std::string, PyParseError> get_str(PyObject* dict,
                                                              std::string_view key);

// Conversions of one object, failing with the Python error they raise. Integers go through
// the index protocol, so int, bool and NumPy integers pass and floats do not.
[[nodiscard]] std::expected<std::string, PythonException> to_text(PyObject* object);
// Any sequence of str, but not a str itself.
[[nodiscard]] std::expected<std::vector<std::string>, PythonException> to_text_list(
    PyObject* object);
[[nodiscard]] std::expected<std::int64_t, PythonException> to_i64(PyObject* object);
[[nodiscard]] std::expected<std::uint64_t, PythonException> to_u64(PyObject* object);
[[nodiscard]] std::expected<std::uint32_t, PythonException> to_u32(PyObject* object);
// A float or anything Python turns into one, an int included.
[[nodiscard]] std::expected<double, PythonException> to_double(PyObject* object);

// The value under key as T: std::string, std::vector<std::string>, double, or a 64-bit
// integer (std::int64_t, std::uint64_t, std::size_t).
template <class T>
[[nodiscard]] std::expected<T, PyParseError> get_typed(PyObject* dict, std::string_view key) {
    auto value = get_any(dict, key);
    if (!value) return std::unexpected(std::move(value.error()));
    auto converted = [&] {
        if constexpr (std::is_same_v<T, std::string>) {
            return to_text(value->get());
        } else if constexpr (std::is_same_v<T, std::vector<std::string>>) {
            return to_text_list(value->get());
        } else if constexpr (std::is_same_v<T, double>) {
            return to_double(value->get());
        } else {
            static_assert(std::is_integral_v<T> && sizeof(T) == 8, "no reader for this type");
            if constexpr (std::is_signed_v<T>) {
                return to_i64(value->get());
            } else {
                return to_u64(value->get());
            }
        }
    }();
    if (!converted)
        return std::unexpected(
            PyParseError::WrongType{std::string(key), converted.error().text()});
    return T(std::move(*converted));
}

// The statistics flags under "FLAGS": 0 when absent, at most 15.
[[nodiscard]] std::expected<std::uint32_t, PyParseError> get_flag(PyObject* dict);

// Columns 0 and 1 of a two-dimensional float64 NumPy array with at least one row, copied
// whatever its strides; further columns are ignored.
[[nodiscard]] std::expected<std::pair<ValueVector, ValueVector>, PyParseError> get_2col_array(
    PyObject* object);

}  // namespace velkor::py
