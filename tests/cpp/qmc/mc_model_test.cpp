#include "qmc/mc_model.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "support/expect_values.hpp"
#include "../qfd/contract.hpp"
#include "core/vector_ops.hpp"

namespace velkor {
namespace {

using test::Contract;
using test::Row;
using test::values;

constexpr std::int64_t P = 1'700'000'000'000;      // pricing time
constexpr std::int64_t year = 31'536'000'000;

// Paths without Python: each advance multiplies df by the next scripted step; the values of
// the names it knows are fixed.
class ScriptedModel final : public MCModel {
public:
    ScriptedModel(std::size_t paths, std::vector<ValueVector> steps)
        : paths_(paths), steps_(std::move(steps)), assets_(usd()) {}

    std::map<std::string, ValueVector, std::less<>> known;
    mutable std::vector<std::int64_t> advanced;

    std::expected<FwdModelStateGeneric, ModelError> create_state_mc(
        const TimeTable& timetable) const override {
        return FwdModelStateGeneric::create(timetable, paths_);
    }
    std::expected<std::optional<ValueVector>, ModelError> get_model_val_mc(
        const FwdModelStateGeneric&, std::string_view name) const override {
        const auto found = known.find(name);
        if (found == known.end()) return std::optional<ValueVector>();
        return found->second;
    }
    std::expected<void, ModelError> advance(FwdModelStateGeneric& state,
                                            std::int64_t ts) const override {
        const ValueVector& step = steps_.at(advanced.size());
        advanced.push_back(ts);
        if (auto done = combine_into(state.df, step, times); !done)
            return std::unexpected(ModelError::Message{"bad step"});
        return {};
    }
    std::int64_t pricing_ts() const override { return P; }
    std::uint32_t flags() const override { return 0; }
    const Assets& assets() const override { return assets_; }

private:
    static Assets usd() {
        CurveMap curves;
        curves.emplace("USD", AssetLogFwd::create(ValueVector{1.0}, ValueVector{0.02},
                                                  FwdBase::Base{})
                                  .value());
        return Assets("USD", std::move(curves));
    }

    std::size_t paths_;
    std::vector<ValueVector> steps_;
    Assets assets_;
};

TEST(MCModel, ValuesPathByPathAndAveragesTrackZero) {
    ScriptedModel model(3, {values({0.5, 1.0, 2.0})});
    model.known.emplace("S", values({1.0, 2.0, 3.0}));
    const Contract contract({
        {P, "main", "+", 10.0, "S"},         // at the pricing time: no step, df = [1]
        {P + year, "main", "+", 1.0, "S"},   // the model's own values, discounted per path
        {P + year, "main", "+", 2.0, "USD"}, // unknown to the model: the curve's 1 per unit
    });
    const auto ledger = model.calculate(contract.timetable());
    ASSERT_TRUE(ledger) << ledger.error().message();
    EXPECT_EQ(model.advanced, std::vector<std::int64_t>{P + year});
    EXPECT_TRUE(test::same_values(ledger->pv_vec(0)->get(), {11.5, 24.0, 40.0}));
    EXPECT_EQ(model.price(*ledger), (11.5 + 24.0 + 40.0) / 3.0);
}

TEST(MCModel, ModelValuesOfAnotherLengthAreRefused) {
    ScriptedModel model(3, {values({0.5, 1.0, 2.0})});
    model.known.emplace("S", values({1.0, 2.0}));
    const Contract contract({{P + year, "main", "+", 1.0, "S"}});
    const auto ledger = model.calculate(contract.timetable());
    ASSERT_FALSE(ledger);
    const std::string message = ledger.error().message();
    EXPECT_TRUE(message.starts_with("Error at event:\n  #0: ")) << message;
    EXPECT_TRUE(message.ends_with(", caused by \nValues of 'S' have 2 entries where 1 or 3 were "
                                  "expected"))
        << message;
}

}  // namespace
}  // namespace velkor
