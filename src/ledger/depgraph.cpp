#include "ledger/depgraph.hpp"

#include <utility>

#include "timetable/timetable.hpp"

namespace velkor {

std::expected<void, LedgerError> EvGraph::save(std::size_t event, EvState state) {
    if (event >= states_.size())
        return std::unexpected(LedgerError::EventNotFound{event, states_.size()});
    states_[event] = std::move(state);
    return {};
}

std::expected<void, LedgerError> EvGraph::save_pay(std::size_t event, ValueVector value) {
    return save(event, EvState{EvState::Pay{std::move(value)}});
}

std::expected<void, LedgerError> EvGraph::save_t(std::size_t event, std::uint64_t track) {
    return save(event, EvState{EvState::TrackRef{track}});
}

std::expected<void, LedgerError> EvGraph::save_cond_pay(std::size_t event, ValueVector value,
                                                        ValueVector weights) {
    return save(event, EvState{EvState::CondPay{std::move(value), std::move(weights)}});
}

std::optional<SavedEvent> EvGraph::take_last() {
    if (states_.empty()) return std::nullopt;
    SavedEvent last{states_.size() - 1, std::move(states_.back())};
    states_.pop_back();
    return last;
}

EvGraph get_dependency_graph(const TimeTable& timetable) { return EvGraph(timetable.size()); }

}  // namespace velkor
