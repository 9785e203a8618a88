#include "python_module/pymc.hpp"

#include <cstring>
#include <string>

#include "core/utc_time.hpp"
#include "core/vector_ops.hpp"
#include "python_module/numpy_api.hpp"
#include "python_module/pyerror.hpp"

namespace velkor::py {
namespace {

std::unexpected<ModelError> method_failed(const char* method) {
    return std::unexpected(to_model_error(PyExecError::Method{method, PythonException::fetch()}));
}

// model.method(argument); a failing lookup or call is the method's error.
std::expected<PyRef, ModelError> call_method(PyObject* model, const char* method,
                                             PyRef argument) {
    if (!argument) return method_failed(method);
    PyRef bound = PyRef::steal(PyObject_GetAttrString(model, method));
    if (!bound) return method_failed(method);
    PyRef result = PyRef::steal(PyObject_CallOneArg(bound.get(), argument.get()));
    if (!result) return method_failed(method);
    return result;
}

// A copy of a one-dimensional float64 array, read through its stride (any sign, any
// alignment) and in its own byte order; nothing for any other object.
std::optional<ValueVector> float64_vector(PyObject* object) {
    if (!PyArray_Check(object)) return std::nullopt;
    auto* array = reinterpret_cast<PyArrayObject*>(object);
    if (PyArray_NDIM(array) != 1 || PyArray_TYPE(array) != NPY_DOUBLE) return std::nullopt;
    const auto n = static_cast<std::size_t>(PyArray_DIM(array, 0));
    const char* data = PyArray_BYTES(array);
    const npy_intp stride = PyArray_STRIDE(array, 0);
    const bool swapped = !PyArray_ISNOTSWAPPED(array);
    if (!swapped && PyArray_ISALIGNED(array) && (stride == sizeof(double) || n <= 1))
        return ValueVector(std::span<const double>(reinterpret_cast<const double*>(data), n));
    ValueVector out = ValueVector::uninitialized(n);
    for (std::size_t i = 0; i < n; ++i) {
        unsigned char bytes[sizeof(double)];
        std::memcpy(bytes, data + static_cast<npy_intp>(i) * stride, sizeof bytes);
        if (swapped)
            for (std::size_t k = 0; k < sizeof bytes / 2; ++k)
                std::swap(bytes[k], bytes[sizeof bytes - 1 - k]);
        std::memcpy(&out[i], bytes, sizeof bytes);
    }
    return out;
}

// Vectors of any other length cannot be combined with the valuation's.
std::expected<void, ModelError> check_paths(const ValueVector& values, std::size_t paths,
                                            const char* method, std::string_view name) {
    if (values.size() == paths || values.size() == 1) return {};
    std::string text = "Python method '" + std::string(method) + "' returned " +
                       std::to_string(values.size()) + " values";
    if (!name.empty()) text += " for '" + std::string(name) + "'";
    text += " where 1 or " + std::to_string(paths) + " (one per path) were expected";
    return std::unexpected(ModelError::Message{std::move(text)});
}

std::unexpected<ModelError> numpy_missing() {
    return std::unexpected(to_model_error(PyExecError::Python{PythonException::fetch()}));
}

}  // namespace

std::expected<FwdModelStateGeneric, ModelError> MCPy::create_state_mc(
    const TimeTable& timetable) const {
    return FwdModelStateGeneric::create(timetable, params.paths);
}

std::expected<std::optional<ValueVector>, ModelError> MCPy::get_model_val_mc(
    const FwdModelStateGeneric&, std::string_view name) const {
    PyRef text = PyRef::steal(
        PyUnicode_FromStringAndSize(name.data(), static_cast<Py_ssize_t>(name.size())));
    auto result = call_method(py_model.get(), "get_value", std::move(text));
    if (!result) return std::unexpected(std::move(result.error()));
    if (!ensure_numpy()) return numpy_missing();
    auto values = float64_vector(result->get());
    if (!values) return std::optional<ValueVector>();
    if (auto fits = check_paths(*values, params.paths, "get_value", name); !fits)
        return std::unexpected(std::move(fits.error()));
    return values;
}

std::expected<void, ModelError> MCPy::advance(FwdModelStateGeneric& state, std::int64_t ts) const {
    const double t = year_fraction(ts, params.pricing_ts);
    auto result = call_method(py_model.get(), "advance", PyRef::steal(PyFloat_FromDouble(t)));
    if (!result) return std::unexpected(std::move(result.error()));
    if (!ensure_numpy()) return numpy_missing();

    if (auto factors = float64_vector(result->get())) {
        if (auto fits = check_paths(*factors, params.paths, "advance", {}); !fits)
            return fits;
        // df has 1 or `paths` entries, as have the factors now.
        if (auto compounded = combine_into(state.df, *factors, times); !compounded)
            return std::unexpected(ModelError::Message{
                "Step factors of " + std::to_string(compounded.error().right) +
                " paths cannot compound discount factors of " +
                std::to_string(compounded.error().left) + " paths"});
        return {};
    }
    const double factor = PyFloat_AsDouble(result->get());
    if (!(factor == -1.0 && PyErr_Occurred())) {
        scale(state.df, factor);
        return {};
    }
    // Neither factors nor a number: the model leaves discounting to the dataset's curve.
    PyErr_Clear();
    auto discount = params.assets.discount_factor(t);
    if (!discount) return std::unexpected(ModelError(std::move(discount.error())));
    state.df = ValueVector{*discount};
    return {};
}

}  // namespace velkor::py
