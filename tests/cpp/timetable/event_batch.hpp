// Event batches built by hand for the timetable's tests: the five columns from per-row values,
// any column replaceable by a node of another type, plus small expression sets whose phrases
// only echo their inputs.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "../arrow/hand_built.hpp"
#include "arrow/record_batch.hpp"
#include "timetable/expr/expressions.hpp"

namespace velkor::testing_support {

using arrow::testing::NodePtr;
using Keys = std::vector<std::optional<std::int64_t>>;
using Texts = std::vector<std::optional<std::string>>;

// A dictionary column with int64 indices (nullopt: a null index, stored as 99 so a reader
// that ignores validity would fail) over the given values.
inline NodePtr dictionary(const Keys& keys, const Texts& values, std::string value_format = "u") {
    std::vector<std::int64_t> stored;
    std::vector<bool> valid;
    for (const auto& key : keys) {
        stored.push_back(key.value_or(99));
        valid.push_back(key.has_value());
    }
    return arrow::testing::dictionary(arrow::testing::int64s(stored, valid),
                                      arrow::testing::strings(values, std::move(value_format)));
}

struct EventColumns {
    std::vector<std::int64_t> times{};
    std::vector<bool> time_valid{};  // empty: every time valid
    Keys track_keys{};
    Texts tracks{};
    Keys op_keys{};
    Texts ops{};
    std::vector<double> quantities{};
    Keys unit_keys{};
    Texts units{};
};

// The record batch and the hand-built arrays it reads, which must outlive it.
struct BuiltBatch {
    NodePtr root;
    arrow::RecordBatch batch;
};

inline BuiltBatch build(std::vector<NodePtr> fields, std::int64_t offset = 0) {
    BuiltBatch built;
    built.root = arrow::testing::structure(std::move(fields));
    built.root->array.offset = offset;
    built.root->array.length -= offset;
    auto batch = arrow::RecordBatch::from_struct(arrow::testing::take_schema(*built.root),
                                                 arrow::testing::take_array(*built.root));
    if (batch) built.batch = std::move(*batch);
    return built;
}

// The five columns in their usual order; columns[k] replaces the k-th one when set.
inline std::vector<NodePtr> event_fields(const EventColumns& c) {
    using namespace arrow::testing;
    std::vector<NodePtr> fields;
    fields.push_back(named("time", timestamps(c.times, "tsm:", c.time_valid)));
    fields.push_back(named("track", dictionary(c.track_keys, c.tracks)));
    fields.push_back(named("op", dictionary(c.op_keys, c.ops)));
    fields.push_back(named("quantity", float64s(c.quantities)));
    fields.push_back(named("unit", dictionary(c.unit_keys, c.units)));
    return fields;
}

// Echoes its inputs: enough to tell phrases apart by their input names.
class EchoPhrase final : public EvalPhrase {
public:
    explicit EchoPhrase(std::vector<std::string> inp) : inp_(std::move(inp)) {}
    std::span<const std::string> iter_inp() const override { return inp_; }
    std::expected<std::vector<ValueVector>, ExprError> eval(
        std::vector<ValueVector> inputs) const override {
        return inputs;
    }

private:
    std::vector<std::string> inp_;
};

struct SnapperSpec {
    std::string name;
    std::vector<std::string> out;
};

inline Expressions expressions(const std::vector<std::string>& phrases,
                               const std::vector<SnapperSpec>& snappers = {}) {
    Expressions e;
    for (const auto& name : phrases)
        e.phrases.emplace(name, std::make_unique<EchoPhrase>(std::vector<std::string>{name}));
    for (const auto& s : snappers)
        e.snappers.emplace(s.name, Snapper{s.out, std::make_unique<EchoPhrase>(s.out)});
    return e;
}

}  // namespace velkor::testing_support
