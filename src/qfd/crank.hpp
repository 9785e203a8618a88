// The Crank-Nicolson scheme shared by every one-factor model: the interface a model supplies
// (`FDCN`: its starting state, the two matrices of each step, and any quantity it carries on
// its grid), the row layout those matrices follow, and `step_back`, which moves every track of
// a state back to an earlier time. A step never moves forward, and one under 1e-10 years is
// skipped without touching the state.
#pragma once

#include <cstdint>
#include <expected>
#include <optional>
#include <string_view>

#include "core/value_vector.hpp"
#include "ledger/ledger.hpp"
#include "model/model_error.hpp"
#include "qfd/fd1f_params.hpp"
#include "qfd/state.hpp"
#include "qfd/tridiagonal.hpp"

namespace velkor {

class TimeTable;

// The pair of one step: v at the earlier time = implicit^-1 (explicit v at the later time).
struct CnMatrices {
    Tridiagonal implicit_m;
    Tridiagonal explicit_m;
};

// The matrices of one step on n points from the diffusion coefficient A, the drift
// coefficients B_i and the discount coefficients D_i (each of b and d holds n entries or one
// for the whole grid). The boundary rows drop the diffusion and take the one-sided difference
// towards the interior; the implicit matrix is (-lower, -2 - diag, -upper) of the explicit one.
// b or d of any other length is refused.
[[nodiscard]] std::expected<CnMatrices, ModelError> cn_rows(double a, const ValueVector& b,
                                                            const ValueVector& d, std::size_t n);

class FDCN {
public:
    virtual ~FDCN() = default;

    // The grid settings every one-factor model is built on.
    [[nodiscard]] virtual const FD1FParams& grid_params() const = 0;

    // The pricing flow's operations, the same for every model: the grid walk
    // (`calculate_fd`) and the value at the grid centre (`price_fd`).
    [[nodiscard]] std::expected<Ledger, ModelError> calculate(const TimeTable& timetable) const;
    [[nodiscard]] std::expected<double, ModelError> price(const Ledger& ledger) const;
    [[nodiscard]] std::uint32_t flags() const { return grid_params().flags; }

    // The state at the time of the timetable's last event, with the model's grid.
    [[nodiscard]] virtual std::expected<FdState, ModelError> create_state_cn(
        const TimeTable& timetable) const = 0;

    // The matrices of the step from state.ts back to the earlier time ts.
    [[nodiscard]] virtual std::expected<CnMatrices, ModelError> cn_coefficients(
        const FdState& state, std::int64_t ts) const = 0;

    // A named quantity the model carries on its grid, one value per point; none by default.
    [[nodiscard]] virtual std::expected<std::optional<ValueVector>, ModelError> get_model_val_cn(
        const FdState& state, std::string_view name) const;

protected:
    FDCN() = default;
    FDCN(const FDCN&) = default;
    FDCN(FDCN&&) = default;
    FDCN& operator=(const FDCN&) = default;
    FDCN& operator=(FDCN&&) = default;
};

// Moves every track vector of the state back to ts and sets state.ts to it. Steps shorter than
// 1e-10 years (about 3 ms, or towards a later time) are skipped; a model error leaves the state
// untouched.
[[nodiscard]] std::expected<void, ModelError> step_back(const FDCN& model, FdState& state,
                                                        std::int64_t ts);

}  // namespace velkor
