// Settings of the one-factor finite-difference grid, read from the dataset: the grid has
// n_grid = 2 * n_x + 1 points spanning the state variable from -max_x to +max_x.
#pragma once

#include <cstddef>
#include <cstdint>

#include "asset/assets.hpp"

namespace velkor {

struct FD1FParams {
    Assets assets;
    std::size_t n_x;
    double max_x;
    std::size_t n_grid;
    double timestep;          // years
    std::int64_t pricing_ts;  // milliseconds since the epoch, UTC
    std::uint32_t flags;
};

}  // namespace velkor
