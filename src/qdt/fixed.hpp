// The deterministic model: one scenario built from the dataset's forward curves,
// discounted with the base curve.
#pragma once

#include <cstdint>

#include "asset/assets.hpp"

namespace velkor {

struct FixedParams {
    Assets assets;
    std::int64_t pricing_ts;  // milliseconds since the epoch, UTC
    std::uint32_t flags;
};

struct Fixed {
    FixedParams params;
};

}  // namespace velkor
