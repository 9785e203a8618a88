// The deterministic model: one scenario in which every asset is worth its forward value from
// the dataset's curves and every payment is discounted with the base curve.
#pragma once

#include <cstdint>
#include <expected>
#include <string_view>

#include "asset/assets.hpp"
#include "core/value_vector.hpp"
#include "ledger/ledger.hpp"
#include "model/forward_state.hpp"
#include "model/model_error.hpp"

namespace velkor {

class TimeTable;

struct FixedParams {
    Assets assets;
    std::int64_t pricing_ts;  // milliseconds since the epoch, UTC
    std::uint32_t flags;
};

struct Fixed {
    FixedParams params;

    // The valuation: forward sweep over one-entry vectors, then backward induction.
    [[nodiscard]] std::expected<Ledger, ModelError> calculate(const TimeTable& timetable) const;
    // The only entry of track 0's present value.
    [[nodiscard]] std::expected<double, ModelError> price(const Ledger& ledger) const;
    [[nodiscard]] std::uint32_t flags() const noexcept { return params.flags; }

    // Steps of the forward sweep.
    [[nodiscard]] std::expected<FwdModelStateGeneric, ModelError> create_state(
        const TimeTable& timetable) const;
    [[nodiscard]] std::int64_t sweep_start() const noexcept { return params.pricing_ts; }
    [[nodiscard]] static std::string_view missing_time_cause() noexcept { return "No event time"; }
    // df becomes the base curve's discount factor at the event time, at every event.
    [[nodiscard]] std::expected<void, ModelError> move_to(FwdModelStateGeneric& state,
                                                          std::int64_t ts,
                                                          std::int64_t current) const;
    // quantity times the asset's forward value at the event time.
    [[nodiscard]] std::expected<ValueVector, ModelError> asset_value(
        const FwdModelStateGeneric& state, const ValueVector& quantity, std::string_view name,
        std::int64_t ts) const;
};

}  // namespace velkor
