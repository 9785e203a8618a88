// The forward sweep shared by the deterministic, Monte Carlo and historical engines: visit the
// events in row order, move the model to each event time, value each event in present-value
// units and save it; then settle everything backwards into the ledger. A model supplies only
// its own steps:
//   create_state(timetable)      the forward state with the model's vector length
//   sweep_start()                the current time before the first event
//   missing_time_cause()         the cause text for an event without a time
//   move_to(state, ts, current)  bring state.df to the event time (a failure is not an event's)
//   asset_value(state, q, name, ts), flags()
#pragma once

#include <concepts>
#include <cstdint>
#include <expected>
#include <string>
#include <string_view>

#include "core/vector_ops.hpp"
#include "ledger/ledger.hpp"
#include "model/event_error.hpp"
#include "model/forward_model.hpp"
#include "model/forward_state.hpp"
#include "model/lang_model.hpp"
#include "model/model_error.hpp"
#include "timetable/timetable.hpp"

namespace velkor {

template <class Model>
concept ForwardSweepModel =
    LangModel<Model> && requires(const Model& model, FwdModelStateGeneric& state,
                                 const TimeTable& timetable, std::int64_t ts) {
        {
            model.create_state(timetable)
        } -> std::same_as<std::expected<FwdModelStateGeneric, ModelError>>;
        { model.sweep_start() } -> std::same_as<std::int64_t>;
        { model.missing_time_cause() } -> std::convertible_to<std::string_view>;
        { model.move_to(state, ts, ts) } -> std::same_as<std::expected<void, ModelError>>;
        { model.flags() } -> std::same_as<std::uint32_t>;
    };

namespace detail {

// A vector the ledger cannot hold (neither one entry nor one per path) is refused where it
// appears, naming what produced it.
// `kind` and `name` say what produced it ("Asset", "Snap", "Phrase"); the text is only built
// on failure.
[[nodiscard]] std::expected<void, ModelError> check_fits(const ValueVector& value,
                                                         std::size_t size, std::string_view kind,
                                                         std::string_view name);

// quantity × value, once value is known to fit.
[[nodiscard]] std::expected<ValueVector, ModelError> scaled_value(const ValueVector& quantity,
                                                                  const ValueVector& value,
                                                                  std::size_t size,
                                                                  std::string_view kind,
                                                                  std::string_view name);

// Runs a snapper: its phrase on its inputs, each output stored as a snap under its name.
template <ForwardSweepModel Model>
std::expected<void, ModelError> run_snapper(const Model& model, FwdModelStateGeneric& state,
                                            const TimeTable& timetable, std::string_view name,
                                            std::int64_t ts) {
    const Snapper& snapper = timetable.snapper_by_name(name);
    std::vector<ValueVector> inputs;
    for (const auto& input : snapper.phrase->iter_inp()) {
        auto value = name_value(model, state, timetable, input, ts);
        if (!value) return std::unexpected(std::move(value.error()));
        inputs.push_back(std::move(*value));
    }
    auto outputs = snapper.phrase->eval(std::move(inputs));
    if (!outputs) return std::unexpected(ModelError(std::move(outputs.error())));
    const std::size_t pairs = std::min(outputs->size(), snapper.out.size());
    for (std::size_t k = 0; k < pairs; ++k)
        state.snaps.insert_or_assign(snapper.out[k], std::move((*outputs)[k]));
    return {};
}

// Values event i by the kind of its unit and saves it for the backward pass.
template <ForwardSweepModel Model>
std::expected<void, ModelError> sweep_event(const Model& model, FwdModelStateGeneric& state,
                                            const TimeTable& timetable, std::size_t i,
                                            std::int64_t ts) {
    ValueVector qv = state.df;
    scale(qv, timetable.quantity_at(i));
    const Op& op = timetable.op_at(i);
    const auto key = timetable.unit_key_at(i);
    if (!key) return std::unexpected(ModelError::EventSpec{"Missing Unit Name"});
    const std::size_t size = state.ledger.size();

    auto save = [&](std::expected<ValueVector, ModelError> value) -> std::expected<void, ModelError> {
        if (!value) return std::unexpected(std::move(value.error()));
        return gr_save(model, state, timetable, i, std::move(*value), op, ts);
    };

    return std::visit(
        [&](const auto& unit) -> std::expected<void, ModelError> {
            using U = std::decay_t<decltype(unit)>;
            if constexpr (std::is_same_v<U, Unit::Track>) {
                auto saved = state.graph.save_t(i, unit.key);
                if (!saved) return std::unexpected(ModelError(std::move(saved.error())));
                return {};
            } else if constexpr (std::is_same_v<U, Unit::Asset>) {
                auto value = model.asset_value(state, qv, unit.name, ts);
                if (value)
                    if (auto fits = check_fits(*value, size, "Asset", unit.name); !fits)
                        return fits;
                return save(std::move(value));
            } else if constexpr (std::is_same_v<U, Unit::Snapper>) {
                return run_snapper(model, state, timetable, unit.name, ts);
            } else if constexpr (std::is_same_v<U, Unit::Snap>) {
                const auto snap = state.snaps.find(unit.name);
                if (snap == state.snaps.end())
                    return std::unexpected(ModelError::Message{"Unknown Snap '" + unit.name + "'"});
                return save(scaled_value(qv, snap->second, size, "Snap", unit.name));
            } else if constexpr (std::is_same_v<U, Unit::Phrase>) {
                const EvalPhrase* phrase = timetable.get_phrase(unit.name);
                if (phrase == nullptr)
                    return std::unexpected(
                        ModelError::EventSpec{"Phrase not found#" + unit.name});
                auto value = phrase_value_1(model, state, timetable, unit.name, *phrase, ts);
                if (!value) return std::unexpected(std::move(value.error()));
                return save(scaled_value(qv, *value, size, "Phrase", unit.name));
            } else {
                return std::unexpected(ModelError::Message{"Unknown Unit"});
            }
        },
        timetable.unit_by_key(*key).value);
}

}  // namespace detail

// The forward sweep alone: every event in row order, valued and saved into the state.
template <ForwardSweepModel Model>
std::expected<void, ModelError> sweep_forward(const Model& model, FwdModelStateGeneric& state,
                                              const TimeTable& timetable) {
    std::int64_t current = model.sweep_start();
    std::size_t i = 0;
    for (const std::optional<std::int64_t> ts : timetable.ts_iter()) {
        if (!ts) return std::unexpected(event_error(timetable, i, model.missing_time_cause()));
        if (*ts < current) return std::unexpected(event_in_past(timetable, i, current));
        if (auto moved = model.move_to(state, *ts, current); !moved)
            return std::unexpected(std::move(moved.error()));
        current = *ts;
        if (auto swept = detail::sweep_event(model, state, timetable, i, *ts); !swept)
            return std::unexpected(event_error(timetable, i, swept.error().message()));
        ++i;
    }
    return {};
}

// The whole valuation of a forward-sweep model: the forward sweep, then the backward
// induction; the first failure ends it.
template <ForwardSweepModel Model>
std::expected<Ledger, ModelError> calculate_forward(const Model& model,
                                                    const TimeTable& timetable) {
    auto state = model.create_state(timetable);
    if (!state) return std::unexpected(std::move(state.error()));
    if (auto swept = sweep_forward(model, *state, timetable); !swept)
        return std::unexpected(std::move(swept.error()));
    if (auto settled = evolve_pvs_backward(*state, timetable, model.flags()); !settled)
        return std::unexpected(std::move(settled.error()));
    return std::move(*state).into_ledger();
}

}  // namespace velkor
