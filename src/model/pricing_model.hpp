// What the pricing flow needs of an engine: value a timetable into a ledger, read the price
// from that ledger, and the statistics flags of its dataset section.
#pragma once

#include <concepts>
#include <cstdint>
#include <expected>

#include "ledger/ledger.hpp"
#include "model/model_error.hpp"

namespace velkor {

class TimeTable;

template <class Engine>
concept PricingModel = requires(const Engine& engine, const TimeTable& timetable,
                                const Ledger& ledger) {
    { engine.calculate(timetable) } -> std::same_as<std::expected<Ledger, ModelError>>;
    { engine.price(ledger) } -> std::same_as<std::expected<double, ModelError>>;
    { engine.flags() } -> std::same_as<std::uint32_t>;
};

}  // namespace velkor
