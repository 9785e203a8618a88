// The hand-over from a forward sweep to its backward pass: one state per event, saying what the
// forward pass found for it. Built with every event Unsaved; the backward pass takes the
// states from the last event to the first.
#pragma once

#include <cstddef>
#include <cstdint>
#include <expected>
#include <memory>
#include <utility>
#include <span>
#include <variant>
#include <vector>

#include "core/value_vector.hpp"
#include "ledger/ledger_error.hpp"

namespace velkor {

class TimeTable;

struct EvState {
    // Nothing to settle (also snapper events).
    struct Unsaved {};
    // A value (one entry or one per path) settled with the event's op on its track.
    struct Pay {
        ValueVector value;
    };
    // The present value of this track at the moment the backward pass reaches the event.
    struct TrackRef {
        std::uint64_t track;
    };
    // A value paid with path-wise weights: the condition named by the event's op.
    struct CondPay {
        ValueVector value;
        ValueVector weights;
    };

    // Conditional payments are rare: held apart, so that every state stays small.
    std::variant<Unsaved, Pay, TrackRef, std::unique_ptr<CondPay>> value;
};

class EvGraph {
public:
    // Every one of the events Unsaved.
    explicit EvGraph(std::size_t events) : states_(events) {}

    // Each saver replaces what the event held; an event beyond the graph is refused.
    [[nodiscard]] std::expected<void, LedgerError> save_pay(std::size_t event, ValueVector value);
    [[nodiscard]] std::expected<void, LedgerError> save_t(std::size_t event, std::uint64_t track);
    [[nodiscard]] std::expected<void, LedgerError> save_cond_pay(std::size_t event,
                                                                 ValueVector value,
                                                                 ValueVector weights);

    // Hands visit(event, state) every state from the last event to the first, removing each
    // once visited. The first failure stops the walk; unvisited states stay in the graph.
    template <class Visit>
    auto drain_backward(Visit&& visit) -> decltype(visit(std::size_t{}, std::declval<EvState&>())) {
        while (!states_.empty()) {
            auto done = visit(states_.size() - 1, states_.back());
            states_.pop_back();
            if (!done) return done;
        }
        return {};
    }

    [[nodiscard]] std::span<const EvState> states() const noexcept { return states_; }

private:
    // Replaces the event's state with a new Case built from args, in place.
    template <class Case, class... Args>
    [[nodiscard]] std::expected<void, LedgerError> save(std::size_t event, Args&&... args) {
        if (event >= states_.size())
            return std::unexpected(LedgerError::EventNotFound{event, states_.size()});
        states_[event].value.template emplace<Case>(std::forward<Args>(args)...);
        return {};
    }

    std::vector<EvState> states_;
};

// One Unsaved state per event of the timetable.
[[nodiscard]] EvGraph get_dependency_graph(const TimeTable& timetable);

}  // namespace velkor
