#include "python_module/pytsdata.hpp"

#include "python_module/pyerror.hpp"

namespace velkor::py {
namespace {

std::unexpected<ModelError> method_failed() {
    return std::unexpected(
        to_model_error(PyExecError::Method{"get_value", PythonException::fetch()}));
}

}  // namespace

std::expected<double, ModelError> TsDataPy::asset_value(std::string_view name,
                                                        std::int64_t ts) const {
    if (name == base_) return 1.0;
    PyRef method = PyRef::steal(PyObject_GetAttrString(source_, "get_value"));
    if (!method) return method_failed();
    PyRef name_object = PyRef::steal(
        PyUnicode_FromStringAndSize(name.data(), static_cast<Py_ssize_t>(name.size())));
    if (!name_object) return method_failed();
    PyRef ts_object = PyRef::steal(PyLong_FromLongLong(ts));
    if (!ts_object) return method_failed();
    PyObject* arguments[] = {name_object.get(), ts_object.get()};
    PyRef result = PyRef::steal(PyObject_Vectorcall(method.get(), arguments, 2, nullptr));
    if (!result) return method_failed();
    // Unlike float(x), text is not parsed: a series answering with text is refused.
    const double value = PyFloat_AsDouble(result.get());
    if (value == -1.0 && PyErr_Occurred()) return method_failed();
    return value;
}

}  // namespace velkor::py
