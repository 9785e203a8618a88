#include "qfd/state.hpp"

namespace velkor {

FdState FdState::create(std::size_t n_x, double max_x, std::int64_t ts) {
    const std::size_t n_grid = 2 * n_x + 1;
    const double step = n_x == 0 ? 0.0 : ((-max_x) - max_x) / static_cast<double>(2 * n_x);
    ValueVector grid = ValueVector::uninitialized(n_grid);
    for (std::size_t i = 0; i < n_grid; ++i) grid[i] = static_cast<double>(i) * step + max_x;
    const double dx = max_x / static_cast<double>(n_x);
    return FdState{Ledger(n_grid), std::move(grid), ts, dx, n_grid, CnStepper{}};
}

}  // namespace velkor
