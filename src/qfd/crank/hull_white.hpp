// The Hull-White model on the finite-difference grid: the short rate of the base currency
// with mean reversion and constant volatility.
#pragma once

#include "qfd/fd1f_params.hpp"

namespace velkor {

struct HullWhiteCN {
    FD1FParams params;
    double meanrev;  // per year
    double vol;      // of the short rate
};

}  // namespace velkor
