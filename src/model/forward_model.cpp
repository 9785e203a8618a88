#include "model/forward_model.hpp"

namespace velkor {
namespace {

template <class T, class E>
std::expected<void, ModelError> as_model_error(std::expected<T, E> result) {
    if (!result) return std::unexpected(ModelError(std::move(result.error())));
    return {};
}

}  // namespace

std::expected<void, ModelError> evolve_pvs_backward(FwdModelStateGeneric& state,
                                                    const TimeTable& timetable,
                                                    std::uint32_t flags) {
    Ledger& ledger = state.ledger;
    return state.graph.drain_backward([&](std::size_t event, EvState& saved) {
        return std::visit(
            [&](auto& s) -> std::expected<void, ModelError> {
                using S = std::decay_t<decltype(s)>;
                if constexpr (std::is_same_v<S, EvState::Unsaved>) {
                    return {};
                } else {
                    auto track = timetable.track_key_at(event);
                    if (!track) return std::unexpected(ModelError(std::move(track.error())));
                    if constexpr (std::is_same_v<S, EvState::Pay>) {
                        return as_model_error(ledger.one_track_event(
                            timetable.op_at(event), *track, std::move(s.value), event, flags));
                    } else if constexpr (std::is_same_v<S, EvState::TrackRef>) {
                        // The referenced track as settled so far: its later rows only.
                        auto referenced = ledger.pv_vec(s.track);
                        if (!referenced)
                            return std::unexpected(ModelError(std::move(referenced.error())));
                        ValueVector value = referenced->get();
                        return as_model_error(ledger.one_track_event(
                            timetable.op_at(event), *track, std::move(value), event, flags));
                    } else {
                        return as_model_error(ledger.one_track_weights(
                            s->weights, *track, std::move(s->value), event, flags));
                    }
                }
            },
            saved.value);
    });
}

}  // namespace velkor
