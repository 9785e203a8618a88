#include "ledger/depgraph.hpp"

#include <utility>

#include "timetable/timetable.hpp"

namespace velkor {

std::expected<void, LedgerError> EvGraph::save_pay(std::size_t event, ValueVector value) {
    return save<EvState::Pay>(event, std::move(value));
}

std::expected<void, LedgerError> EvGraph::save_t(std::size_t event, std::uint64_t track) {
    return save<EvState::TrackRef>(event, track);
}

std::expected<void, LedgerError> EvGraph::save_cond_pay(std::size_t event, ValueVector value,
                                                        ValueVector weights) {
    return save<std::unique_ptr<EvState::CondPay>>(
        event, std::make_unique<EvState::CondPay>(std::move(value), std::move(weights)));
}

EvGraph get_dependency_graph(const TimeTable& timetable) { return EvGraph(timetable.size()); }

}  // namespace velkor
