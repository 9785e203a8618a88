#include "python_module/pyasset.hpp"

#include <cmath>
#include <string>

#include "python_module/pyutils.hpp"

namespace velkor::py {
namespace {

std::unexpected<PyParseError> python_error(PythonException exception) {
    return std::unexpected(PyParseError(PyParseError::Python{std::move(exception)}));
}

// Item i of a tuple, a new reference; a short tuple raises IndexError.
std::expected<PyRef, PythonException> tuple_item(PyObject* tuple, Py_ssize_t i) {
    PyRef item = PyRef::borrow(PyTuple_GetItem(tuple, i));
    if (!item) return std::unexpected(PythonException::fetch());
    return item;
}

// One "ASSETS" entry, (type, array, ...), as the curve's times and Y values. The type text
// is read first but judged only once the array has converted.
std::expected<std::pair<ValueVector, ValueVector>, PyParseError> read_entry(PyObject* entry) {
    if (!PyTuple_Check(entry))
        return python_error(PythonException::type_error(cannot_convert(entry, "PyTuple")));
    auto type_item = tuple_item(entry, 0);
    if (!type_item) return python_error(std::move(type_item.error()));
    auto type = to_text(type_item->get());
    if (!type) return python_error(std::move(type.error()));
    auto data_item = tuple_item(entry, 1);
    if (!data_item) return python_error(std::move(data_item.error()));
    auto data = get_2col_array(data_item->get());
    if (!data) return std::unexpected(std::move(data.error()));

    auto& [times, values] = *data;
    if (*type == "ZERO_RATES") {
        // Continuously compounded: the growth to t_i is r_i * t_i.
        for (std::size_t i = 0; i < values.size(); ++i) values[i] *= times[i];
    } else if (*type == "FORWARDS") {
        for (double& value : values) value = std::log(value);
    } else {
        return std::unexpected(PyParseError::Message{"Unknown asset type " + *type});
    }
    return data;
}

}  // namespace

std::expected<Assets, PyParseError> create_assets(PyObject* dataset) {
    auto base = get_str(dataset, "BASE");
    if (!base) return std::unexpected(std::move(base.error()));
    auto entries = get_dict(dataset, "ASSETS");
    if (!entries) return std::unexpected(std::move(entries.error()));

    CurveMap curves;
    Py_ssize_t position = 0;
    PyObject* key = nullptr;
    PyObject* value = nullptr;
    // Nothing below calls the caller's code, so the dictionary cannot change while walked.
    while (PyDict_Next(entries->get(), &position, &key, &value)) {
        auto name = to_text(key);
        if (!name) return python_error(std::move(name.error()));
        auto data = read_entry(value);
        if (!data) return std::unexpected(std::move(data.error()));
        FwdBase kind = *name == *base ? FwdBase(FwdBase::Base{}) : FwdBase(FwdBase::InBase{});
        auto curve = AssetLogFwd::create(std::move(data->first), std::move(data->second),
                                         std::move(kind));
        if (!curve) return std::unexpected(std::move(curve.error()));
        curves.insert_or_assign(std::move(*name), std::move(*curve));
    }
    return Assets(std::move(*base), std::move(curves));
}

}  // namespace velkor::py
