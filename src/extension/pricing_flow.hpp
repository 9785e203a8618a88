// The flow shared by the four pricing functions, after their arguments are checked:
// compile the timetable, read the engine's parameters, value, price, report statistics.
// Each step's failure ends the call with its exception; steps run in this order so a bad
// timetable is reported before a bad dataset.
#pragma once

#define PY_SSIZE_T_CLEAN
#include <Python.h>

#include <type_traits>
#include <utility>

#include "arrow/record_batch.hpp"
#include "model/pricing_model.hpp"
#include "python_module/pyerror.hpp"
#include "python_module/pystats.hpp"
#include "python_module/pyunit.hpp"

namespace velkor::extension {

template <class Error>
PyObject* raised(const Error& error) {
    py::raise_error(error);
    return nullptr;
}

// The checked arguments of a pricing function.
struct PricingArguments {
    arrow::RecordBatch events;
    PyObject* py_state;
    PyObject* dataset;
    PyObject* expressions;
};

// The engine is the parameter record itself (the deterministic and grid models) or built
// from it and py_state (the Monte Carlo model).
inline constexpr auto engine_is_parameters = [](auto&& parameters, PyObject*) {
    return std::move(parameters);
};

template <class ReadParameters, class BuildEngine = decltype(engine_is_parameters)>
PyObject* run_pricing(PricingArguments& arguments, ReadParameters read_parameters,
                      BuildEngine build_engine = engine_is_parameters) {
    // Dropped on return, before the caller releases the batch it reads.
    auto timetable = py::create_timetable(arguments.events, arguments.expressions);
    if (!timetable) return raised(timetable.error());
    auto parameters = read_parameters(arguments.dataset);
    if (!parameters) return raised(parameters.error());
    const auto engine = build_engine(std::move(*parameters), arguments.py_state);
    static_assert(PricingModel<std::decay_t<decltype(engine)>>);
    auto ledger = engine.calculate(*timetable);
    if (!ledger) return raised(ledger.error());
    auto price = engine.price(*ledger);
    if (!price) return raised(price.error());
    // Statistics go out only once the price is known.
    if (auto saved = py::py_save_stats(engine.flags(), *ledger, arguments.py_state); !saved)
        return raised(saved.error());
    return PyFloat_FromDouble(*price);
}

}  // namespace velkor::extension
