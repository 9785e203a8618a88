// Settings of the Monte Carlo pricer, read from the dataset: the market data, the number of
// paths, the seed (carried only; paths come from the caller's model), the pricing time and
// the statistics flags.
#pragma once

#include <cstddef>
#include <cstdint>

#include "asset/assets.hpp"

namespace velkor {

struct MCParams {
    Assets assets;
    std::size_t paths;
    std::uint64_t seed;
    std::int64_t pricing_ts;  // milliseconds since the epoch, UTC
    std::uint32_t flags;
};

}  // namespace velkor
