// Failures of storing or settling values in the ledger.
#pragma once

#include <cstdint>
#include <string>
#include <variant>

#include "timetable/timetable_error.hpp"

namespace velkor {

struct LedgerError {
    struct OpError {
        TimeTableError cause;
    };
    struct TrackNotFound {
        std::uint64_t track;
    };
    // A value or weight vector that is neither one entry nor one per path or grid point.
    struct LengthMismatch {
        std::uint64_t track;
        std::uint64_t expected;
        std::uint64_t actual;
    };
    // A value saved for an event beyond the end of the dependency graph.
    struct EventNotFound {
        std::uint64_t event;
        std::uint64_t events;
    };

    std::variant<OpError, TrackNotFound, LengthMismatch, EventNotFound> value;

    LedgerError(OpError c) : value(std::move(c)) {}
    LedgerError(TrackNotFound c) : value(c) {}
    LedgerError(LengthMismatch c) : value(c) {}
    LedgerError(EventNotFound c) : value(c) {}

    [[nodiscard]] std::string message() const;
};

}  // namespace velkor
