// The flow shared by the four pricing functions, after their arguments are checked:
// compile the timetable, read the engine's parameters, value, price, report statistics.
// Each step's failure ends the call with its exception; steps run in this order so a bad
// timetable is reported before a bad dataset.
#pragma once

#define PY_SSIZE_T_CLEAN
#include <Python.h>

#include "arrow/record_batch.hpp"
#include "python_module/pyerror.hpp"

namespace velkor::extension {

// The checked arguments of a pricing function.
struct PricingArguments {
    arrow::RecordBatch events;
    PyObject* py_state;
    PyObject* dataset;
    PyObject* expressions;
};

template <class ReadParameters>
PyObject* run_pricing(const char* function, PricingArguments& arguments,
                      ReadParameters read_parameters) {
    auto parameters = read_parameters(arguments.dataset);
    if (!parameters) {
        py::raise_error(parameters.error());
        return nullptr;
    }
    PyErr_Format(PyExc_NotImplementedError, "%s is not implemented yet", function);
    return nullptr;
}

}  // namespace velkor::extension
