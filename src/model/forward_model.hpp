// The two shared steps of every forward-sweep engine: saving an event's value for the
// backward pass (`gr_save`), and the backward induction that settles the saved values into
// the ledger from the last event to the first (`evolve_pvs_backward`).
#pragma once

#include <cstddef>
#include <cstdint>
#include <expected>

#include "model/forward_state.hpp"
#include "model/lang_model.hpp"
#include "model/model_error.hpp"
#include "timetable/op.hpp"
#include "timetable/timetable.hpp"

namespace velkor {

// Saves the discounted value of an asset, snap or phrase event. An op naming a condition
// makes it a conditional payment, weighted by the condition's value at the event time.
template <LangModel Model>
std::expected<void, ModelError> gr_save(const Model& model, FwdModelStateGeneric& state,
                                        const TimeTable& timetable, std::size_t event,
                                        ValueVector value, const Op& op, std::int64_t ts) {
    if (const auto* condition = std::get_if<Op::Named>(&op.value)) {
        auto weights = name_value(model, state, timetable, condition->text, ts);
        if (!weights) return std::unexpected(std::move(weights.error()));
        auto saved = state.graph.save_cond_pay(event, std::move(value), std::move(*weights));
        if (!saved) return std::unexpected(ModelError(std::move(saved.error())));
        return {};
    }
    auto saved = state.graph.save_pay(event, std::move(value));
    if (!saved) return std::unexpected(ModelError(std::move(saved.error())));
    return {};
}

// Settles every saved event, last row first, so each event sees the continuation value of
// everything its track does after it. The graph is empty afterwards.
[[nodiscard]] std::expected<void, ModelError> evolve_pvs_backward(FwdModelStateGeneric& state,
                                                                 const TimeTable& timetable,
                                                                 std::uint32_t flags);

}  // namespace velkor
