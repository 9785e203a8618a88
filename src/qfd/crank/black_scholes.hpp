// The Black-Scholes model on the finite-difference grid: the log-spot of one asset with
// constant volatility.
#pragma once

#include <string>

#include "qfd/fd1f_params.hpp"

namespace velkor {

struct BlackScholesCN {
    FD1FParams params;
    std::string asset;  // a name in params.assets
    double vol;         // per square-root year
};

}  // namespace velkor
