#include "ledger/ledger_error.hpp"

namespace velkor {

std::string LedgerError::message() const {
    return std::visit(
        [](const auto& c) -> std::string {
            using C = std::decay_t<decltype(c)>;
            if constexpr (std::is_same_v<C, OpError>) {
                return "Error in Op, caused by \n" + c.cause.message();
            } else if constexpr (std::is_same_v<C, TrackNotFound>) {
                return "Track " + std::to_string(c.track) + " not found";
            } else if constexpr (std::is_same_v<C, LengthMismatch>) {
                return "Track " + std::to_string(c.track) + " holds vectors of length " +
                       std::to_string(c.expected) + " but was given a vector of length " +
                       std::to_string(c.actual);
            } else {
                return "Event " + std::to_string(c.event) + " not found among " +
                       std::to_string(c.events) + " events";
            }
        },
        value);
}

}  // namespace velkor
