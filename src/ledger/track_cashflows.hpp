// The cashflow records of one track, one vector of path amounts per event. Masks are applied
// lazily: a mask only stamps the paths it zeroes, and a record is brought up to date before it
// is scaled or taken out, so a choice costs one pass over the paths however many records the
// track already holds. Results are those of zeroing and scaling every record eagerly, in order.
#pragma once

#include <cstdint>
#include <expected>
#include <span>
#include <unordered_map>
#include <vector>

#include "core/value_vector.hpp"
#include "core/vector_ops.hpp"

namespace velkor {

class TrackCashflows {
public:
    // Records of `paths` entries each.
    explicit TrackCashflows(std::size_t paths) : paths_(paths) {}

    // Stores amounts (one entry per path) for the event, replacing an earlier record of it.
    [[nodiscard]] std::expected<void, LengthMismatch> insert(std::uint64_t event,
                                                             ValueVector amounts);

    // Sets to 0.0, in every record stored so far, each path whose zero entry is true. zero has
    // one entry per path.
    [[nodiscard]] std::expected<void, LengthMismatch> mask(std::span<const bool> zero);

    // Multiplies every record by the factors (one per path, or a single one for all).
    [[nodiscard]] std::expected<void, LengthMismatch> scale(const ValueVector& factors);

    [[nodiscard]] bool empty() const noexcept { return records_.empty(); }

    // The records by event, up to date; leaves no records behind.
    [[nodiscard]] std::unordered_map<std::uint64_t, ValueVector> take();

private:
    struct Record {
        ValueVector amounts;
        // How many masks amounts already reflects: those numbered above it are still pending.
        std::uint64_t masks_applied;
    };

    void bring_up_to_date(Record& record) const;

    std::size_t paths_;
    std::unordered_map<std::uint64_t, Record> records_;
    // Per path, the number (from 1) of the latest mask that zeroed it; 0 if none has.
    std::vector<std::uint64_t> zeroed_by_;
    std::uint64_t masks_ = 0;
};

}  // namespace velkor
