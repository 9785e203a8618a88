#include "python_module/pystats.hpp"

#include <algorithm>
#include <limits>
#include <utility>
#include <vector>

#include "arrow/batch_builder.hpp"
#include "python_module/numpy_api.hpp"
#include "python_module/numpy_arrays.hpp"
#include "python_module/pyarrow_export.hpp"
#include "python_module/pyerror.hpp"

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

// One track's records as a batch, rows sorted by event index so that reports repeat.
std::expected<PyRef, PythonException> track_batch(const CashflowMap::Inner& records) {
    std::vector<std::pair<EventIndex, double>> rows;
    rows.reserve(records.size());
    for (const auto& [event, cashflow] : records)
        // A ledger of empty vectors (never the historical engine's) reports NaN, not garbage.
        rows.emplace_back(event, cashflow.empty() ? std::numeric_limits<double>::quiet_NaN()
                                                  : cashflow[0]);
    std::ranges::sort(rows, {}, &std::pair<EventIndex, double>::first);
    std::vector<std::uint64_t> index;
    std::vector<double> value;
    index.reserve(rows.size());
    value.reserve(rows.size());
    for (const auto& [event, cashflow] : rows) {
        index.push_back(event);
        value.push_back(cashflow);
    }
    arrow::BatchBuilder builder;
    builder.add_column("index", std::move(index));
    builder.add_column("value", std::move(value));
    auto batch = std::move(builder).finish();
    if (!batch) {
        raise_error(ModelError(ModelError::Arrow{"cashflows", batch.error().message()}));
        return std::unexpected(PythonException::fetch());
    }
    return to_pyarrow_batch(std::move(*batch));
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

std::expected<void, PythonException> save_backtest_cashflow(Ledger& ledger, PyObject* py_state) {
    CashflowMap cashflows = ledger.take_cashflows();
    PyRef report = PyRef::steal(PyDict_New());
    if (!report) return std::unexpected(PythonException::fetch());
    std::vector<const CashflowMap::Outer::value_type*> tracks;
    for (const auto& track : cashflows) tracks.push_back(&track);
    std::ranges::sort(tracks, {}, [](const auto* track) { return track->first; });
    for (const auto* track : tracks) {
        auto batch = track_batch(track->second);
        if (!batch) return std::unexpected(std::move(batch.error()));
        set_item(report.get(), track->first, batch->get());
    }
    set_stat(py_state, "CASHFLOW", report.get());
    return {};
}

}  // namespace velkor::py
