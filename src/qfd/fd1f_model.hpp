// The one-factor finite-difference pricer, written once over any `FDCN` model: it walks the
// timetable backwards from the last event, stepping every track of the grid back to each
// regular lattice time (the last event time minus whole steps) and to each event time, settles
// the event on its track with a whole-grid value, and reads the price at the grid centre.
// Track and asset units are settled; snappers, snaps and phrases are not implemented here.
#pragma once

#include <cstddef>
#include <cstdint>
#include <expected>
#include <string_view>

#include "core/value_vector.hpp"
#include "ledger/ledger.hpp"
#include "model/model_error.hpp"
#include "qfd/crank.hpp"
#include "qfd/state.hpp"

namespace velkor {

class TimeTable;

// The time of the timetable's last row; an empty timetable has none and is refused.
[[nodiscard]] std::expected<std::int64_t, ModelError> last_event_ts(const TimeTable& timetable);

// The grid of the settings, at the time of the timetable's last event: where every model's
// walk starts.
[[nodiscard]] std::expected<FdState, ModelError> state_at_last_event(const FD1FParams& params,
                                                                    const TimeTable& timetable);

// The ledger of the whole walk, its vectors at the earliest lattice time after pricing_ts (or
// the first event's time when none lies between). Refuses an empty timetable and a time step
// under one millisecond, with which the walk would never end.
[[nodiscard]] std::expected<Ledger, ModelError> calculate_fd(const FDCN& model,
                                                             const TimeTable& timetable);

// Track 0's value at the grid centre.
[[nodiscard]] std::expected<double, ModelError> price_fd(const FDCN& model, const Ledger& ledger);

// Settles event `event`, valued at v (one entry or one per grid point), on its track.
[[nodiscard]] std::expected<void, ModelError> one_track_event(const FDCN& model, FdState& state,
                                                              const TimeTable& timetable,
                                                              std::size_t event, ValueVector v);

// scale units of the named asset at ts: the model's own grid values when it carries the asset,
// else the asset's forward value as a single entry per entry of scale.
[[nodiscard]] std::expected<ValueVector, ModelError> asset_value(const FDCN& model,
                                                                 const FdState& state,
                                                                 const ValueVector& scale,
                                                                 std::string_view name,
                                                                 std::int64_t ts);

}  // namespace velkor
