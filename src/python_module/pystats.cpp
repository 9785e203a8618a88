#include "python_module/pystats.hpp"

#include "python_module/numpy_api.hpp"
#include "python_module/numpy_arrays.hpp"

namespace velkor::py {
namespace {

// py_state.set_stat(key, value), whatever it does or fails to do.
void set_stat(PyObject* py_state, const char* key, PyObject* value) {
    PyRef result = value == nullptr ? PyRef()
                                    : PyRef::steal(PyObject_CallMethod(py_state, "set_stat",
                                                                       "sO", key, value));
    if (!result) PyErr_Clear();
}

// d[key] = value for an integer key, ignoring a failure.
void set_item(PyObject* dict, std::uint64_t key, PyObject* value) {
    PyRef number = PyRef::steal(PyLong_FromUnsignedLongLong(key));
    if (!number || value == nullptr || PyDict_SetItem(dict, number.get(), value) < 0)
        PyErr_Clear();
}

// {outer key: {inner key: array}} taking over every record's storage.
template <class Records>
PyRef records_dict(Records&& records) {
    PyRef outer = PyRef::steal(PyDict_New());
    if (!outer) return {};
    for (auto& [outer_key, inner_records] : records) {
        PyRef inner = PyRef::steal(PyDict_New());
        if (!inner) {
            PyErr_Clear();
            continue;
        }
        for (auto& [inner_key, vector] : inner_records)
            set_item(inner.get(), inner_key, take_into_array(std::move(vector)).get());
        set_item(outer.get(), outer_key, inner.get());
    }
    return outer;
}

}  // namespace

std::expected<void, ModelError> py_save_stats(std::uint32_t flags, Ledger& ledger,
                                              PyObject* py_state) {
    if ((flags & stat_flags::pv_vec) != 0) {
        auto pv = ledger.pv_vec(0);
        if (!pv) return std::unexpected(ModelError(std::move(pv.error())));
        ValueVector copy = pv->get();
        set_stat(py_state, "PV_VEC", take_into_array(std::move(copy)).get());
    }
    if ((flags & stat_flags::choices) != 0)
        set_stat(py_state, "CHOICES", records_dict(ledger.take_choices()).get());
    if ((flags & stat_flags::cashflow) != 0)
        set_stat(py_state, "CASHFLOW", records_dict(ledger.take_cashflows()).get());
    return {};
}

}  // namespace velkor::py
