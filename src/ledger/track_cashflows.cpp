#include "ledger/track_cashflows.hpp"

#include <utility>

namespace velkor {

std::expected<void, LengthMismatch> TrackCashflows::insert(std::uint64_t event,
                                                           ValueVector amounts) {
    if (amounts.size() != paths_) return std::unexpected(LengthMismatch{paths_, amounts.size()});
    // Earlier masks do not apply to a record made after them.
    records_.insert_or_assign(event, Record{std::move(amounts), masks_});
    return {};
}

std::expected<void, LengthMismatch> TrackCashflows::mask(std::span<const bool> zero) {
    if (zero.size() != paths_) return std::unexpected(LengthMismatch{paths_, zero.size()});
    if (records_.empty()) return {};
    if (zeroed_by_.empty()) zeroed_by_.assign(paths_, 0);
    const std::uint64_t number = ++masks_;
    std::uint64_t* __restrict stamp = zeroed_by_.data();
    const bool* __restrict z = zero.data();
    for (std::size_t i = 0; i < paths_; ++i) stamp[i] = z[i] ? number : stamp[i];
    return {};
}

void TrackCashflows::bring_up_to_date(Record& record) const {
    if (record.masks_applied == masks_) return;
    const std::uint64_t applied = record.masks_applied;
    const std::uint64_t* __restrict stamp = zeroed_by_.data();
    double* __restrict a = record.amounts.data();
    // A mask sets the entry to 0.0; it is not a product, so a NaN entry becomes 0.0 too.
    for (std::size_t i = 0; i < paths_; ++i) a[i] = stamp[i] > applied ? 0.0 : a[i];
    record.masks_applied = masks_;
}

std::expected<void, LengthMismatch> TrackCashflows::scale(const ValueVector& factors) {
    if (factors.size() != paths_ && factors.size() != 1)
        return std::unexpected(LengthMismatch{paths_, factors.size()});
    for (auto& [event, record] : records_) {
        bring_up_to_date(record);
        double* a = record.amounts.data();
        // Scales are applied one by one: a product of several factors would round differently.
        auto scaled =
            for_each_broadcast(paths_, factors, [a](std::size_t i, double f) { a[i] *= f; });
        if (!scaled) return scaled;
    }
    return {};
}

std::unordered_map<std::uint64_t, ValueVector> TrackCashflows::take() {
    std::unordered_map<std::uint64_t, ValueVector> out;
    out.reserve(records_.size());
    for (auto& [event, record] : records_) {
        bring_up_to_date(record);
        out.emplace(event, std::move(record.amounts));
    }
    records_.clear();
    zeroed_by_.clear();
    masks_ = 0;
    return out;
}

}  // namespace velkor
