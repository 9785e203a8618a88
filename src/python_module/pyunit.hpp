// Compiling the contract of an entry call: the event record batch and the expressions
// dictionary become a TimeTable, checked in a fixed order so that the first of several
// problems is always the one reported. Nothing passed in is changed.
#pragma once

#define PY_SSIZE_T_CLEAN
#include <Python.h>

#include <expected>

#include "arrow/record_batch.hpp"
#include "python_module/pyerror.hpp"
#include "timetable/timetable.hpp"

namespace velkor::py {

// The event columns first, then each expression in the dictionary's order, then the unit,
// track and op values. The batch must outlive the timetable, which reads it in place.
[[nodiscard]] std::expected<TimeTable, PyTimeTableError> create_timetable(
    const arrow::RecordBatch& batch, PyObject* expressions);

}  // namespace velkor::py
