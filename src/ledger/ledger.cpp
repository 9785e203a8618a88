#include "ledger/ledger.hpp"

#include <utility>

#include "core/vector_ops.hpp"

namespace velkor {

Ledger::Ledger(std::size_t size) : size_(size), exercise_(size) {}

std::expected<std::reference_wrapper<const ValueVector>, LedgerError> Ledger::pv_vec(
    TrackKey track) const {
    const auto found = pvs_.find(track);
    if (found == pvs_.end()) return std::unexpected(LedgerError::TrackNotFound{track});
    return std::cref(found->second);
}

ValueVector& Ledger::pv_or_zero(TrackKey track) {
    auto found = pvs_.find(track);
    if (found == pvs_.end()) found = pvs_.emplace(track, ValueVector(size_, 0.0)).first;
    return found->second;
}

std::expected<void, LedgerError> Ledger::for_track(TrackKey track,
                                                   std::expected<void, LengthMismatch> done) {
    if (done) return {};
    return std::unexpected(
        LedgerError::LengthMismatch{track, done.error().left, done.error().right});
}

std::expected<void, LedgerError> Ledger::check_length(TrackKey track,
                                                      const ValueVector& v) const {
    if (v.size() == size_ || v.size() == 1) return {};
    return std::unexpected(LedgerError::LengthMismatch{track, size_, v.size()});
}

ChoiceMap Ledger::take_choices() { return std::exchange(choices_, ChoiceMap{}); }

std::expected<void, LedgerError> Ledger::cf_insert(EventIndex event, TrackKey track,
                                                   ValueVector cashflow) {
    auto full = broadcast_to(std::move(cashflow), size_);
    if (!full) return std::unexpected(LedgerError::TrackNotFound{track});
    auto records = cashflows_.find(track);
    if (records == cashflows_.end()) records = cashflows_.emplace(track, size_).first;
    return for_track(track, records->second.insert(event, std::move(*full)));
}

std::expected<void, LedgerError> Ledger::cf_mask(TrackKey track, std::span<const bool> mask) {
    if (mask.size() != size_)
        return std::unexpected(LedgerError::LengthMismatch{track, size_, mask.size()});
    const auto records = cashflows_.find(track);
    if (records == cashflows_.end()) return {};
    return for_track(track, records->second.mask(mask));
}

std::expected<void, LedgerError> Ledger::cf_scale(TrackKey track, const ValueVector& factors) {
    if (auto ok = check_length(track, factors); !ok) return ok;
    const auto records = cashflows_.find(track);
    if (records == cashflows_.end()) return {};
    return for_track(track, records->second.scale(factors));
}

CashflowMap Ledger::take_cashflows() {
    CashflowMap out;
    for (auto& [track, records] : cashflows_)
        for (auto& [event, amounts] : records.take()) out.insert(track, event, std::move(amounts));
    cashflows_.clear();
    return out;
}

}  // namespace velkor
