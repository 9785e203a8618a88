#include "ledger/settlement.hpp"

#include <utility>

namespace velkor {

namespace {

// write(i, wins) for every path, where wins says whether value[i] beats pv[i] under a choice
// op. Comparisons are strict and false for NaN, so ties and missing values never win.
template <class Write>
std::expected<void, LengthMismatch> compare(const Op& op, const ValueVector& pv,
                                            const ValueVector& value, Write write) {
    const double* p = pv.data();
    if (op.is<Op::Max>())
        return for_each_broadcast(pv.size(), value,
                                  [&](std::size_t i, double x) { write(i, x > p[i]); });
    if (op.is<Op::Min>())
        return for_each_broadcast(pv.size(), value,
                                  [&](std::size_t i, double x) { write(i, x < p[i]); });
    return {};
}

// A one-entry 0.0 stands for "nothing paid": such a choice records no cashflow of its own.
bool is_single_zero(const ValueVector& v) { return v.size() == 1 && v[0] == 0.0; }

}  // namespace

std::expected<void, LengthMismatch> update_choice(const ValueVector& pv, ChoiceVector& choice,
                                                  const ValueVector& value, const Op& op,
                                                  std::uint64_t mark) {
    if (choice.size() != pv.size())
        return std::unexpected(LengthMismatch{pv.size(), choice.size()});
    std::uint64_t* c = choice.data();
    return compare(op, pv, value, [c, mark](std::size_t i, bool wins) {
        c[i] = wins ? mark : c[i];
    });
}

std::expected<ValueVector, LengthMismatch> filter(std::span<const bool> mask,
                                                  const ValueVector& value) {
    ValueVector out = ValueVector::uninitialized(mask.size());
    double* o = out.data();
    const bool* m = mask.data();
    auto done = for_each_broadcast(mask.size(), value,
                                   [o, m](std::size_t i, double x) { o[i] = m[i] ? x : 0.0; });
    if (!done) return std::unexpected(done.error());
    return out;
}

std::expected<void, LedgerError> Ledger::one_track_event(const Op& op, TrackKey track,
                                                         ValueVector value, EventIndex event,
                                                         std::uint32_t flags) {
    if (auto ok = check_length(track, value); !ok) return ok;

    // Both records compare against the continuation value before the op changes it.
    if ((flags & stat_flags::cashflow) != 0) {
        if (op.is<Op::Add>()) {
            if (auto stored = cf_insert(event, track, value); !stored) return stored;
        } else if (op.is_choice()) {
            const ValueVector& pv = pv_or_zero(track);
            bool* e = exercise_.data();
            auto marked = compare(op, pv, value, [e](std::size_t i, bool wins) { e[i] = wins; });
            if (!marked) return for_track(track, marked);
            // Where this event's value wins, the later cashflows of the track are not paid.
            if (auto masked = cf_mask(track, exercise_.span()); !masked) return masked;
            if (!is_single_zero(value)) {
                auto paid = filter(exercise_.span(), value);
                if (!paid) return for_track(track, std::unexpected(paid.error()));
                if (auto stored = cf_insert(event, track, std::move(*paid)); !stored)
                    return stored;
            }
        }
    }

    if ((flags & stat_flags::choices) != 0 && op.is_choice()) {
        const ValueVector& pv = pv_or_zero(track);
        ChoiceVector chosen(size_, 0);
        if (auto marked = update_choice(pv, chosen, value, op, 1); !marked)
            return for_track(track, marked);
        choices_.insert(event, track, std::move(chosen));
    }

    ValueVector& pv = pv_or_zero(track);
    if (auto applied = op.apply(pv, value); !applied)
        return std::unexpected(LedgerError::OpError{std::move(applied.error())});
    return {};
}

std::expected<void, LedgerError> Ledger::one_track_weights(const ValueVector& weights,
                                                           TrackKey track, ValueVector value,
                                                           EventIndex event,
                                                           std::uint32_t flags) {
    if (auto ok = check_length(track, weights); !ok) return ok;
    if (auto ok = check_length(track, value); !ok) return ok;

    if ((flags & stat_flags::cashflow) != 0) {
        // Later cashflows are paid only in the part of each path the event does not replace.
        auto kept = combine(ValueVector{1.0}, weights, minus);
        if (!kept) return for_track(track, std::unexpected(kept.error()));
        if (auto scaled = cf_scale(track, *kept); !scaled) return scaled;
        if (!is_single_zero(value)) {
            auto paid = combine(weights, value, times);
            if (!paid) return for_track(track, std::unexpected(paid.error()));
            if (auto stored = cf_insert(event, track, std::move(*paid)); !stored) return stored;
        }
    }

    double* p = pv_or_zero(track).data();
    return for_track(track, for_each_broadcast(size_, weights, value,
                                               [p](std::size_t i, double w, double v) {
                                                   p[i] = p[i] * (1.0 - w) + v * w;
                                               }));
}

}  // namespace velkor
