// The flow of the two backtest functions once their arguments are checked and the timetable
// compiled: replay the contract over the series, then report its cashflows through
// py_state. They return None; a failure ends the call with its exception, and nothing is
// reported when the replay fails.
#pragma once

#define PY_SSIZE_T_CLEAN
#include <Python.h>

#include "timetable/timetable.hpp"

namespace velkor::extension {

// The constant series: base is worth 1.0, every other asset 100.0. base is a str.
PyObject* run_backtest_csv(const TimeTable& timetable, PyObject* py_state, PyObject* base);
// The values of py_state.get_value(name, ts), base worth 1.0. base is a str.
PyObject* run_backtest_py(const TimeTable& timetable, PyObject* py_state, PyObject* base);

}  // namespace velkor::extension
