// Reading each engine's parameter record from the dataset, key by key in a fixed order, so
// that the first of several problems is always the one reported.
#pragma once

#define PY_SSIZE_T_CLEAN
#include <Python.h>

#include <expected>

#include "python_module/pyerror.hpp"
#include "qdt/fixed.hpp"
#include "qfd/crank/black_scholes.hpp"
#include "qfd/crank/hull_white.hpp"
#include "qfd/fd1f_params.hpp"
#include "qmc/mc_params.hpp"

namespace velkor::py {

// Assets, then "MC": "PATHS", "SEED", "FLAGS", then the top-level "PRICING_TS".
[[nodiscard]] std::expected<MCParams, PyParseError> get_mc_params(PyObject* dataset);

// Assets, then "FD": "N_X", "MAX_X", "TIMESTEP", "FLAGS", then "PRICING_TS".
[[nodiscard]] std::expected<FD1FParams, PyParseError> get_fd_1f(PyObject* dataset);

// The grid settings, then "HW": "MEANREV", "VOL".
[[nodiscard]] std::expected<HullWhiteCN, PyParseError> get_hull_white(PyObject* dataset);

// The grid settings, then "BS": "VOL", "ASSET".
[[nodiscard]] std::expected<BlackScholesCN, PyParseError> get_black_scholes(PyObject* dataset);

// Assets, "PRICING_TS", then the optional "FIXED": "FLAGS". A "FIXED" that cannot be read
// as a dictionary counts as absent.
[[nodiscard]] std::expected<Fixed, PyParseError> get_fixed(PyObject* dataset);

}  // namespace velkor::py
