// One valuation on a one-factor grid: the grid of the state variable (descending, evenly spaced
// by dx), the time its values refer to, and the ledger whose track vectors hold one value per
// grid point. Only the stepping moves `ts`, and only ever to an earlier time.
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/value_vector.hpp"
#include "ledger/ledger.hpp"
#include "qfd/cn_stepper.hpp"

namespace velkor {

struct FdState {
    Ledger ledger;
    ValueVector grid;  // grid[0] = +max_x down to grid[n_grid - 1] = -max_x
    std::int64_t ts;   // ms
    double dx;
    std::size_t n_grid;
    // Scratch of the steps, kept so that stepping allocates nothing per track.
    CnStepper stepper;

    // 2 * n_x + 1 points from +max_x down to -max_x, an empty ledger of that size, at ts.
    // n_x = 0 gives one point at max_x and an infinite (or NaN) dx.
    [[nodiscard]] static FdState create(std::size_t n_x, double max_x, std::int64_t ts);

    [[nodiscard]] Ledger into_ledger() && { return std::move(ledger); }
};

}  // namespace velkor
