// One Crank-Nicolson step applied to many vectors in place: v <- I^-1 (E v) with the explicit
// matrix E and the implicit matrix I of the step. The Thomas pivots and multipliers of I depend
// only on I, so they are computed once per step and shared by every vector; each vector gets
// exactly the bits of I.solve(E.product(v)). Holds only scratch, reused from step to step.
#pragma once

#include <cstddef>
#include <span>
#include <vector>

#include "ledger/ledger.hpp"
#include "qfd/tridiagonal.hpp"

namespace velkor {

class CnStepper {
public:
    // Both matrices and every vector have the same number of entries (not checked here).
    void step(const Tridiagonal& implicit, const Tridiagonal& explicit_m,
              std::span<const std::span<double>> vectors);

    // Every present-value vector of the ledger (all of the ledger's size).
    void step(const Tridiagonal& implicit, const Tridiagonal& explicit_m, Ledger& ledger);

private:
    std::vector<double> pivots_;       // b' of the forward sweep
    std::vector<double> multipliers_;  // m of the forward sweep
    std::vector<std::span<double>> tracks_;
};

}  // namespace velkor
