#include "extension/entry_functions.hpp"

#include <array>
#include <string>

#include "extension/backtest_flow.hpp"
#include "extension/call_guard.hpp"
#include "extension/pricing_flow.hpp"
#include "python_module/arguments.hpp"
#include "python_module/pyapi.hpp"
#include "python_module/pyarrow_import.hpp"
#include "python_module/pymc.hpp"
#include "python_module/pyunit.hpp"

namespace velkor::extension {
namespace {

using py::PythonException;

PyObject* raise(const PythonException& error) {
    error.raise();
    return nullptr;
}

PyObject* raise(const py::PyTimeTableError& error) {
    py::raise_error(error);
    return nullptr;
}

constexpr std::array<const char*, 4> kPricingParameters = {"events_rb", "py_state", "dataset",
                                                           "expressions"};

std::expected<arrow::RecordBatch, PythonException> events_argument(PyObject* value) {
    auto batch = py::import_record_batch(value);
    if (!batch) return std::unexpected(py::argument_error("events_rb", std::move(batch.error())));
    return batch;
}

// Binding, then conversion in parameter order; the first failure ends the call.
std::expected<PricingArguments, PythonException> pricing_arguments(const char* function,
                                                                   PyObject* const* args,
                                                                   Py_ssize_t nargs,
                                                                   PyObject* kwnames) {
    auto bound = py::bind_arguments(function, kPricingParameters, args, nargs, kwnames);
    if (!bound) return std::unexpected(std::move(bound.error()));
    const auto& [events_rb, py_state, dataset, expressions] = *bound;
    auto events = events_argument(events_rb);
    if (!events) return std::unexpected(std::move(events.error()));
    auto dataset_dict = py::dict_argument("dataset", dataset);
    if (!dataset_dict) return std::unexpected(std::move(dataset_dict.error()));
    auto expressions_dict = py::dict_argument("expressions", expressions);
    if (!expressions_dict) return std::unexpected(std::move(expressions_dict.error()));
    return PricingArguments{std::move(*events), py_state, *dataset_dict, *expressions_dict};
}

template <class... Flow>
PyObject* pricing_call(const char* function, PyObject* const* args, Py_ssize_t nargs,
                       PyObject* kwnames, Flow... flow) {
    return guard_call([&]() -> PyObject* {
        auto arguments = pricing_arguments(function, args, nargs, kwnames);
        if (!arguments) return raise(arguments.error());
        return run_pricing(*arguments, flow...);
    });
}

}  // namespace

PyObject* mc_price(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    return pricing_call("mc_price", args, nargs, kwnames, py::get_mc_params,
                        [](MCParams&& parameters, PyObject* py_state) {
                            return py::MCPy(std::move(parameters), py_state);
                        });
}

PyObject* fixed_price(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    return pricing_call("fixed_price", args, nargs, kwnames, py::get_fixed);
}

PyObject* fd_hullwhite_price(PyObject*, PyObject* const* args, Py_ssize_t nargs,
                             PyObject* kwnames) {
    return pricing_call("fd_hullwhite_price", args, nargs, kwnames, py::get_hull_white);
}

PyObject* fd_blackscholes_price(PyObject*, PyObject* const* args, Py_ssize_t nargs,
                                PyObject* kwnames) {
    return pricing_call("fd_blackscholes_price", args, nargs, kwnames, py::get_black_scholes);
}

PyObject* backtest_csv(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    return guard_call([&]() -> PyObject* {
        constexpr std::array<const char*, 5> names = {"events_rb", "py_state", "_filename",
                                                      "base", "expressions"};
        auto bound = py::bind_arguments("backtest_csv", names, args, nargs, kwnames);
        if (!bound) return raise(bound.error());
        const auto& [events_rb, py_state, filename, base, expressions] = *bound;
        auto events = events_argument(events_rb);
        if (!events) return raise(events.error());
        if (auto checked = py::str_argument("_filename", filename); !checked)
            return raise(checked.error());
        if (auto checked = py::str_argument("base", base); !checked) return raise(checked.error());
        if (auto checked = py::dict_argument("expressions", expressions); !checked)
            return raise(checked.error());
        // Declared after the batch, so it goes away first.
        auto timetable = py::create_timetable(*events, expressions);
        if (!timetable) return raise(timetable.error());
        return run_backtest_csv(*timetable, py_state, base);
    });
}

PyObject* backtest_py(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    return guard_call([&]() -> PyObject* {
        constexpr std::array<const char*, 4> names = {"events_rb", "py_state", "expressions",
                                                      "base"};
        auto bound = py::bind_arguments("backtest_py", names, args, nargs, kwnames);
        if (!bound) return raise(bound.error());
        const auto& [events_rb, py_state, expressions, base] = *bound;
        auto events = events_argument(events_rb);
        if (!events) return raise(events.error());
        if (auto checked = py::dict_argument("expressions", expressions); !checked)
            return raise(checked.error());
        if (auto checked = py::str_argument("base", base); !checked) return raise(checked.error());
        // Declared after the batch, so it goes away first.
        auto timetable = py::create_timetable(*events, expressions);
        if (!timetable) return raise(timetable.error());
        return run_backtest_py(*timetable, py_state, base);
    });
}

}  // namespace velkor::extension
