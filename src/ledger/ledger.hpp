// The result of one valuation: each track's present value, one entry per path or grid point,
// with the optional choice and cashflow records. Every stored vector has exactly `size` entries;
// a track without a present value is worth zero.
#pragma once

#include <cstddef>
#include <cstdint>
#include <expected>
#include <functional>
#include <span>
#include <unordered_map>

#include "core/value_vector.hpp"
#include "core/vector_ops.hpp"
#include "ledger/ledger_error.hpp"
#include "ledger/record_map.hpp"
#include "ledger/track_cashflows.hpp"

namespace velkor {

class Op;

using TrackKey = std::uint64_t;
using EventIndex = std::uint64_t;

// The statistics flags: which results are reported, and which records the settlement keeps.
namespace stat_flags {
inline constexpr std::uint32_t pv_vec = 1;
inline constexpr std::uint32_t choices = 2;
inline constexpr std::uint32_t cashflow = 8;
}  // namespace stat_flags

class Ledger {
public:
    explicit Ledger(std::size_t size);

    [[nodiscard]] std::size_t size() const noexcept { return size_; }

    // The track's present value, or TrackNotFound when nothing was settled on it.
    [[nodiscard]] std::expected<std::reference_wrapper<const ValueVector>, LedgerError> pv_vec(
        TrackKey track) const;

    // visit(track, values) for every track, in unspecified order. The values are a span so
    // that their length cannot change.
    template <class Visit>
    void pvs_by_track_mut(Visit&& visit) {
        for (auto& [track, pv] : pvs_) visit(track, pv.span());
    }

    [[nodiscard]] const ChoiceMap& choices() const noexcept { return choices_; }
    // The choice records, leaving none behind.
    [[nodiscard]] ChoiceMap take_choices();

    // Records the event's cashflow on the track (one entry is repeated to `size`), replacing
    // an earlier record of the same event. Another length is refused with TrackNotFound.
    [[nodiscard]] std::expected<void, LedgerError> cf_insert(EventIndex event, TrackKey track,
                                                             ValueVector cashflow);
    // In every record of the track so far, sets to 0.0 the paths whose mask entry is true.
    // Masking or scaling a track without records does nothing.
    [[nodiscard]] std::expected<void, LedgerError> cf_mask(TrackKey track,
                                                           std::span<const bool> mask);
    // Multiplies every record of the track by the factors (`size` entries or one).
    [[nodiscard]] std::expected<void, LedgerError> cf_scale(TrackKey track,
                                                            const ValueVector& factors);
    // The cashflow records, track by track, leaving none behind.
    [[nodiscard]] CashflowMap take_cashflows();

    // Settlement, defined in settlement.cpp.
    // Settles an event whose op is "+", ">" or "<" on its track, recording its choice and
    // cashflow as the flags ask. The value has `size` entries or one.
    [[nodiscard]] std::expected<void, LedgerError> one_track_event(const Op& op, TrackKey track,
                                                                   ValueVector value,
                                                                   EventIndex event,
                                                                   std::uint32_t flags);
    // Settles a conditional payment: the weights say how much of the track's continuation the
    // value replaces, path by path.
    [[nodiscard]] std::expected<void, LedgerError> one_track_weights(const ValueVector& weights,
                                                                     TrackKey track,
                                                                     ValueVector value,
                                                                     EventIndex event,
                                                                     std::uint32_t flags);

private:
    // The track's present value, created as zeros the first time it is needed.
    ValueVector& pv_or_zero(TrackKey track);
    // Refuses a vector that is neither one entry nor `size` entries long.
    [[nodiscard]] std::expected<void, LedgerError> check_length(TrackKey track,
                                                                const ValueVector& v) const;
    // A length refused below the ledger, reported for the track.
    [[nodiscard]] static std::expected<void, LedgerError> for_track(
        TrackKey track, std::expected<void, LengthMismatch> done);

    std::size_t size_;
    std::unordered_map<TrackKey, ValueVector> pvs_;
    ChoiceMap choices_;
    std::unordered_map<TrackKey, TrackCashflows> cashflows_;
    // Where the event's value wins a choice; reused by every choice event.
    FlatVector<bool> exercise_;
};

}  // namespace velkor
