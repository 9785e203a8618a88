// Small contracts for the grid tests: a timetable built from rows through a hand-made Arrow
// batch, each text column encoded as a dictionary of its distinct values in order of first
// appearance (nullopt is a null index, null_value a null dictionary value). Owns the buffers the
// timetable reads.
#pragma once

#include <algorithm>
#include <cstdint>
#include <expected>
#include <memory>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "../arrow/hand_built.hpp"
#include "arrow/record_batch.hpp"
#include "timetable/event.hpp"
#include "timetable/expr/expressions.hpp"
#include "timetable/timetable.hpp"

namespace velkor::test {

using Text = std::optional<std::string>;

// A cell whose index points at a null entry of the column's dictionary.
inline const std::string null_value = "<null dictionary value>";

struct Row {
    std::int64_t ts;
    Text track;
    Text op;
    double quantity;
    Text unit;
};

// A phrase that is never evaluated: it only gives its name to a unit.
class NamePhrase : public EvalPhrase {
public:
    std::span<const std::string> iter_inp() const override { return {}; }
    std::expected<std::vector<ValueVector>, ExprError> eval(
        std::vector<ValueVector>) const override {
        return std::vector<ValueVector>{};
    }
};

class Contract {
public:
    explicit Contract(const std::vector<Row>& rows, Expressions expressions = {}) {
        namespace at = arrow::testing;
        std::vector<std::int64_t> times;
        std::vector<double> quantities;
        std::vector<Text> tracks, ops, units;
        for (const Row& row : rows) {
            times.push_back(row.ts);
            quantities.push_back(row.quantity);
            tracks.push_back(row.track);
            ops.push_back(row.op);
            units.push_back(row.unit);
        }
        std::vector<at::NodePtr> columns;
        columns.push_back(at::named("time", at::timestamps(times)));
        columns.push_back(at::named("track", encode(tracks)));
        columns.push_back(at::named("op", encode(ops)));
        columns.push_back(at::named("quantity", at::float64s(quantities)));
        columns.push_back(at::named("unit", encode(units)));
        node_ = at::structure(std::move(columns));
        auto batch =
            arrow::RecordBatch::from_struct(at::take_schema(*node_), at::take_array(*node_));
        if (!batch) throw std::runtime_error("record batch refused");
        batch_ = std::move(*batch);
        auto events = Events::create(batch_);
        if (!events) throw std::runtime_error(events.error().message());
        auto timetable = TimeTable::create(*events, std::move(expressions));
        if (!timetable) throw std::runtime_error(timetable.error().message());
        timetable_.emplace(std::move(*timetable));
    }

    Contract(const Contract&) = delete;
    Contract& operator=(const Contract&) = delete;

    [[nodiscard]] const TimeTable& timetable() const { return *timetable_; }

private:
    static arrow::testing::NodePtr encode(const std::vector<Text>& texts) {
        namespace at = arrow::testing;
        std::vector<Text> values;
        std::vector<std::int64_t> keys;
        std::vector<bool> valid;
        for (const Text& text : texts) {
            valid.push_back(text.has_value());
            if (!text) {
                keys.push_back(0);
                continue;
            }
            const Text value = *text == null_value ? Text{} : text;
            const auto found = std::find(values.begin(), values.end(), value);
            keys.push_back(static_cast<std::int64_t>(found - values.begin()));
            if (found == values.end()) values.push_back(value);
        }
        const bool any_null = std::find(valid.begin(), valid.end(), false) != valid.end();
        return at::dictionary(at::int64s(keys, any_null ? valid : std::vector<bool>{}),
                              at::strings(values));
    }

    arrow::testing::NodePtr node_;
    arrow::RecordBatch batch_;
    std::optional<TimeTable> timetable_;
};

}  // namespace velkor::test
