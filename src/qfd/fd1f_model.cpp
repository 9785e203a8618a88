#include "qfd/fd1f_model.hpp"

#include <string>
#include <utility>
#include <variant>

#include "core/number_format.hpp"
#include "core/vector_ops.hpp"
#include "model/dataset_value.hpp"
#include "model/event_error.hpp"
#include "qfd/grid_time.hpp"
#include "timetable/timetable.hpp"

namespace velkor {
namespace {

template <class... F>
struct Overloaded : F... {
    using F::operator()...;
};

// Settles event k, at time ts, with the value its unit gives.
std::expected<void, ModelError> settle(const FDCN& model, FdState& state,
                                       const TimeTable& timetable, std::size_t k,
                                       std::int64_t ts) {
    const double q = timetable.quantity_at(k);
    const auto key = timetable.unit_key_at(k);
    if (!key) return std::unexpected(ModelError::EventSpec{"Missing Unit Name"});
    using Result = std::expected<void, ModelError>;
    return std::visit(
        Overloaded{
            [&](const Unit::Track& track) -> Result {
                auto pv = state.ledger.pv_vec(track.key);
                if (!pv) return std::unexpected(ModelError(std::move(pv.error())));
                ValueVector v = pv->get();
                scale(v, q);
                return one_track_event(model, state, timetable, k, std::move(v));
            },
            [&](const Unit::Asset& asset) -> Result {
                auto v = asset_value(model, state, ValueVector{q}, asset.name, ts);
                if (!v) return std::unexpected(std::move(v.error()));
                return one_track_event(model, state, timetable, k, std::move(*v));
            },
            [](const Unit::Snapper& snapper) -> Result {
                return std::unexpected(
                    ModelError::NotImplemented{"Snapper in FD: " + snapper.name});
            },
            [](const Unit::Snap& snap) -> Result {
                return std::unexpected(ModelError::NotImplemented{"Snap in FD: " + snap.name});
            },
            [](const Unit::Phrase& phrase) -> Result {
                return std::unexpected(ModelError::NotImplemented{"Phrase in FD: " + phrase.name});
            },
            [](const Unit::None&) -> Result {
                return std::unexpected(ModelError::EventSpec{"Unknown Unit"});
            },
        },
        timetable.unit_by_key(*key).value);
}

}  // namespace

std::expected<std::int64_t, ModelError> last_event_ts(const TimeTable& timetable) {
    if (timetable.size() == 0)
        return std::unexpected(ModelError::Message{"No events to value: the timetable is empty"});
    return timetable.ts_at(timetable.size() - 1);
}

std::expected<FdState, ModelError> state_at_last_event(const FD1FParams& params,
                                                       const TimeTable& timetable) {
    auto last = last_event_ts(timetable);
    if (!last) return std::unexpected(std::move(last.error()));
    return FdState::create(params.n_x, params.max_x, *last);
}

std::expected<Ledger, ModelError> calculate_fd(const FDCN& model, const TimeTable& timetable) {
    const FD1FParams& params = model.grid_params();
    if (auto last = last_event_ts(timetable); !last)
        return std::unexpected(std::move(last.error()));
    const std::int64_t h = timestep_millis(params.timestep);
    if (h < 1)
        return std::unexpected(ModelError::Message{
            "Time step of " + format_number(params.timestep) +
            " years is shorter than one millisecond"});
    auto state = model.create_state_cn(timetable);
    if (!state) return std::unexpected(std::move(state.error()));

    // The next regular time; it is never reset, so every regular time lies on one lattice.
    std::int64_t regular = step_earlier(state->ts, h);
    for (std::size_t k = timetable.size(); k-- > 0;) {
        const std::int64_t ts = timetable.ts_at(k);
        for (; regular > ts; regular = step_earlier(regular, h))
            if (auto stepped = step_back(model, *state, regular); !stepped)
                return std::unexpected(std::move(stepped.error()));
        if (auto stepped = step_back(model, *state, ts); !stepped)
            return std::unexpected(std::move(stepped.error()));
        if (auto settled = settle(model, *state, timetable, k, ts); !settled)
            return std::unexpected(event_error(timetable, k, settled.error().message()));
    }
    for (; regular > params.pricing_ts; regular = step_earlier(regular, h))
        if (auto stepped = step_back(model, *state, regular); !stepped)
            return std::unexpected(std::move(stepped.error()));
    return std::move(*state).into_ledger();
}

std::expected<double, ModelError> price_fd(const FDCN& model, const Ledger& ledger) {
    auto pv = ledger.pv_vec(0);
    if (!pv) return std::unexpected(ModelError(std::move(pv.error())));
    const std::size_t centre = model.grid_params().n_x;
    const ValueVector& v = pv->get();
    if (centre >= v.size())
        return std::unexpected(ModelError::Message{
            "Grid centre " + std::to_string(centre) + " outside a present value of " +
            std::to_string(v.size()) + " entries"});
    return v[centre];
}

std::expected<void, ModelError> one_track_event(const FDCN& model, FdState& state,
                                                const TimeTable& timetable, std::size_t event,
                                                ValueVector v) {
    const Op& op = timetable.op_at(event);
    auto track = timetable.track_key_at(event);
    if (!track) return std::unexpected(ModelError(std::move(track.error())));
    auto settled =
        state.ledger.one_track_event(op, *track, std::move(v), event, model.grid_params().flags);
    if (!settled) return std::unexpected(ModelError(std::move(settled.error())));
    return {};
}

std::expected<ValueVector, ModelError> asset_value(const FDCN& model, const FdState& state,
                                                   const ValueVector& scale_by,
                                                   std::string_view name, std::int64_t ts) {
    auto on_grid = model.get_model_val_cn(state, name);
    if (!on_grid) return std::unexpected(std::move(on_grid.error()));
    if (*on_grid) {
        auto v = multiply(**on_grid, scale_by);
        if (!v)
            return std::unexpected(ModelError::Message{
                "Cannot scale " + std::to_string(v.error().left) + " grid values by " +
                std::to_string(v.error().right) + " entries"});
        return std::move(*v);
    }
    const FD1FParams& params = model.grid_params();
    return dataset_asset_value(params.assets, scale_by, name, ts, params.pricing_ts);
}

std::expected<Ledger, ModelError> FDCN::calculate(const TimeTable& timetable) const {
    return calculate_fd(*this, timetable);
}

std::expected<double, ModelError> FDCN::price(const Ledger& ledger) const {
    return price_fd(*this, ledger);
}

}  // namespace velkor
