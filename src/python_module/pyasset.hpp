// Reading the dataset's market data ("BASE" and "ASSETS") into Assets: one curve per entry,
// visited in the dictionary's order, a later equal name replacing an earlier one.
#pragma once

#define PY_SSIZE_T_CLEAN
#include <Python.h>

#include <expected>

#include "asset/assets.hpp"
#include "python_module/pyerror.hpp"

namespace velkor::py {

[[nodiscard]] std::expected<Assets, PyParseError> create_assets(PyObject* dataset);

}  // namespace velkor::py
