// The Monte Carlo pricer, written once over any `MCModel`: a model that moves its paths
// forward to each later event time (updating the state's per-path discount factors) and knows
// per-path values of some names. Every such model prices through the shared forward sweep and
// reads the price as the mean of track 0's present value over the paths.
#pragma once

#include <cstdint>
#include <expected>
#include <optional>
#include <string_view>

#include "asset/assets.hpp"
#include "core/value_vector.hpp"
#include "ledger/ledger.hpp"
#include "model/forward_state.hpp"
#include "model/model_error.hpp"

namespace velkor {

class TimeTable;

class MCModel {
public:
    virtual ~MCModel() = default;

    // A fresh forward state whose vectors have one entry per path.
    [[nodiscard]] virtual std::expected<FwdModelStateGeneric, ModelError> create_state_mc(
        const TimeTable& timetable) const = 0;
    // The model's own per-path values of name at its current time, not yet discounted; none
    // when the model does not know the name.
    [[nodiscard]] virtual std::expected<std::optional<ValueVector>, ModelError> get_model_val_mc(
        const FwdModelStateGeneric& state, std::string_view name) const = 0;
    // Moves the model to ts (later than its current time) and brings state.df with it.
    [[nodiscard]] virtual std::expected<void, ModelError> advance(FwdModelStateGeneric& state,
                                                                  std::int64_t ts) const = 0;
    [[nodiscard]] virtual std::int64_t pricing_ts() const = 0;
    [[nodiscard]] virtual std::uint32_t flags() const = 0;
    // The dataset's curves, for the names the model does not know.
    [[nodiscard]] virtual const Assets& assets() const = 0;

    // The pricing flow's operations: the forward sweep and backward induction, then the mean
    // of track 0's present value (already discounted path by path).
    [[nodiscard]] std::expected<Ledger, ModelError> calculate(const TimeTable& timetable) const;
    [[nodiscard]] std::expected<double, ModelError> price(const Ledger& ledger) const;

    // Steps of the forward sweep.
    [[nodiscard]] std::expected<FwdModelStateGeneric, ModelError> create_state(
        const TimeTable& timetable) const {
        return create_state_mc(timetable);
    }
    [[nodiscard]] std::int64_t sweep_start() const { return pricing_ts(); }
    [[nodiscard]] static std::string_view missing_time_cause() noexcept { return "missing time"; }
    // The model moves only to later times, once per distinct event time.
    [[nodiscard]] std::expected<void, ModelError> move_to(FwdModelStateGeneric& state,
                                                          std::int64_t ts,
                                                          std::int64_t current) const;
    // quantity times the model's own values of the name, else times its forward value.
    [[nodiscard]] std::expected<ValueVector, ModelError> asset_value(
        const FwdModelStateGeneric& state, const ValueVector& quantity, std::string_view name,
        std::int64_t ts) const;

protected:
    MCModel() = default;
    MCModel(const MCModel&) = default;
    MCModel(MCModel&&) = default;
    MCModel& operator=(const MCModel&) = default;
    MCModel& operator=(MCModel&&) = default;
};

}  // namespace velkor
