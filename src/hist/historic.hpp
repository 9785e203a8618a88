// The historical replay: the contract's events swept over a time-series source instead of a
// pricing scenario. Asset values come from the source at each event's own time stamp, nothing
// is discounted, and the ledger records the cashflow every event finally pays on its track.
#pragma once

#include <cstdint>
#include <expected>
#include <memory>
#include <string_view>
#include <utility>

#include "core/value_vector.hpp"
#include "hist/tsdata.hpp"
#include "ledger/ledger.hpp"
#include "model/forward_state.hpp"
#include "model/model_error.hpp"

namespace velkor {

class TimeTable;

class Historic {
public:
    // series is never null.
    explicit Historic(std::unique_ptr<TsData> series) : series_(std::move(series)) {}

    // The replay: forward sweep, then backward induction recording every cashflow. No price.
    [[nodiscard]] std::expected<Ledger, ModelError> calculate(const TimeTable& timetable) const;
    // The forward sweep alone, into a state created for the timetable.
    [[nodiscard]] std::expected<void, ModelError> evolve_assets_forward(
        FwdModelStateGeneric& state, const TimeTable& timetable) const;
    // Cashflow records only: a replay reports what was paid, not what it is worth.
    [[nodiscard]] static std::uint32_t flags() noexcept { return stat_flags::cashflow; }

    // Steps of the forward sweep.
    [[nodiscard]] std::expected<FwdModelStateGeneric, ModelError> create_state(
        const TimeTable& timetable) const;
    // History starts at the epoch: a negative time stamp lies before it.
    [[nodiscard]] static std::int64_t sweep_start() noexcept { return 0; }
    [[nodiscard]] static std::string_view missing_time_cause() noexcept { return "No event time"; }
    // df stays [1.0]: cashflows are reported as paid, undiscounted.
    [[nodiscard]] static std::expected<void, ModelError> move_to(FwdModelStateGeneric&,
                                                                 std::int64_t, std::int64_t) {
        return {};
    }
    // quantity times the source's value at the event time; the source's error unchanged.
    [[nodiscard]] std::expected<ValueVector, ModelError> asset_value(
        const FwdModelStateGeneric& state, const ValueVector& quantity, std::string_view name,
        std::int64_t ts) const;

private:
    std::unique_ptr<TsData> series_;
};

}  // namespace velkor
