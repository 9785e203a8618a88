// How every forward-sweep engine turns a name into a value vector at an event time: a phrase
// of that name first, then a snap recorded earlier in the path, then the model's own value of
// the asset. Only the asset step differs between models (their `asset_value`).
#pragma once

#include <cstdint>
#include <expected>
#include <string_view>
#include <vector>

#include "core/value_vector.hpp"
#include "model/forward_state.hpp"
#include "model/model_error.hpp"
#include "timetable/timetable.hpp"

namespace velkor {

// A model the names resolve against: the value of `quantity` units of an asset.
template <class Model>
concept LangModel = requires(const Model& model, const FwdModelStateGeneric& state,
                             const ValueVector& quantity, std::string_view name,
                             std::int64_t ts) {
    {
        model.asset_value(state, quantity, name, ts)
    } -> std::same_as<std::expected<ValueVector, ModelError>>;
};

namespace detail {

// The phrases being evaluated, outermost first: a name met twice is a cycle.
using PhraseTrail = std::vector<std::string_view>;

[[nodiscard]] ModelError phrase_cycle(const PhraseTrail& trail, std::string_view name);

template <LangModel Model>
std::expected<ValueVector, ModelError> name_value(const Model& model,
                                                  const FwdModelStateGeneric& state,
                                                  const TimeTable& timetable,
                                                  std::string_view name, std::int64_t ts,
                                                  PhraseTrail& trail);

template <LangModel Model>
std::expected<ValueVector, ModelError> phrase_value(const Model& model,
                                                    const FwdModelStateGeneric& state,
                                                    const TimeTable& timetable,
                                                    std::string_view name,
                                                    const EvalPhrase& phrase, std::int64_t ts,
                                                    PhraseTrail& trail) {
    for (std::string_view outer : trail)
        if (outer == name) return std::unexpected(phrase_cycle(trail, name));
    trail.push_back(name);
    std::vector<ValueVector> inputs;
    for (const auto& input : phrase.iter_inp()) {
        auto value = name_value(model, state, timetable, input, ts, trail);
        if (!value) return std::unexpected(std::move(value.error()));
        inputs.push_back(std::move(*value));
    }
    trail.pop_back();
    auto outputs = phrase.eval(std::move(inputs));
    if (!outputs) return std::unexpected(ModelError(std::move(outputs.error())));
    if (outputs->empty()) return std::unexpected(ModelError::Message{"No output from phrase"});
    return std::move(outputs->back());
}

template <LangModel Model>
std::expected<ValueVector, ModelError> name_value(const Model& model,
                                                  const FwdModelStateGeneric& state,
                                                  const TimeTable& timetable,
                                                  std::string_view name, std::int64_t ts,
                                                  PhraseTrail& trail) {
    if (const EvalPhrase* phrase = timetable.get_phrase(name))
        return phrase_value(model, state, timetable, name, *phrase, ts, trail);
    if (const auto snap = state.snaps.find(name); snap != state.snaps.end()) return snap->second;
    return model.asset_value(state, ValueVector{1.0}, name, ts);
}

}  // namespace detail

// The value of a name at the event time ts: phrase, then snap, then one unit of the asset.
template <LangModel Model>
std::expected<ValueVector, ModelError> name_value(const Model& model,
                                                  const FwdModelStateGeneric& state,
                                                  const TimeTable& timetable,
                                                  std::string_view name, std::int64_t ts) {
    detail::PhraseTrail trail;
    return detail::name_value(model, state, timetable, name, ts, trail);
}

// The last output of the phrase called name, its inputs resolved in order, depth first. A
// phrase that needs itself, directly or through others, is refused.
template <LangModel Model>
std::expected<ValueVector, ModelError> phrase_value_1(const Model& model,
                                                      const FwdModelStateGeneric& state,
                                                      const TimeTable& timetable,
                                                      std::string_view name,
                                                      const EvalPhrase& phrase, std::int64_t ts) {
    detail::PhraseTrail trail;
    return detail::phrase_value(model, state, timetable, name, phrase, ts, trail);
}

}  // namespace velkor
