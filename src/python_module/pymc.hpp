// The Monte Carlo model whose paths come from the caller's Python object: the engine tells it
// to advance to each later event time (its answer updates the per-path discount factors) and
// asks it for per-path values by name. Every array it returns is copied, never kept. Called
// with the interpreter lock held.
#pragma once

#define PY_SSIZE_T_CLEAN
#include <Python.h>

#include <cstdint>
#include <expected>
#include <optional>
#include <string_view>

#include "core/value_vector.hpp"
#include "model/forward_state.hpp"
#include "model/model_error.hpp"
#include "python_module/py_ref.hpp"
#include "qmc/mc_model.hpp"
#include "qmc/mc_params.hpp"

namespace velkor::py {

class MCPy final : public MCModel {
public:
    MCParams params;
    PyRef py_model;  // held for the whole valuation

    MCPy(MCParams parameters, PyObject* model)
        : params(std::move(parameters)), py_model(PyRef::borrow(model)) {}

    // A state with `paths`-entry vectors.
    [[nodiscard]] std::expected<FwdModelStateGeneric, ModelError> create_state_mc(
        const TimeTable& timetable) const override;
    // get_value(name): a 1-D float64 array is copied, anything else means no value.
    [[nodiscard]] std::expected<std::optional<ValueVector>, ModelError> get_model_val_mc(
        const FwdModelStateGeneric& state, std::string_view name) const override;
    // advance(t): step discount factors (an array or a number) are compounded into df; any
    // other answer replaces df by the base curve's discount factor at t.
    [[nodiscard]] std::expected<void, ModelError> advance(FwdModelStateGeneric& state,
                                                          std::int64_t ts) const override;
    [[nodiscard]] std::int64_t pricing_ts() const override { return params.pricing_ts; }
    [[nodiscard]] std::uint32_t flags() const override { return params.flags; }
    [[nodiscard]] const Assets& assets() const override { return params.assets; }
};

}  // namespace velkor::py
