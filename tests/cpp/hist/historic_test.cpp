#include "hist/historic.hpp"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "../qfd/contract.hpp"
#include "hist/tsdata_csv.hpp"
#include "model/forward_model.hpp"

namespace velkor {
namespace {

using test::Contract;
using test::Row;

struct Lookup {
    std::string name;
    std::int64_t ts;
    bool operator==(const Lookup&) const = default;
};

// Every asset is worth 2.5 except "GAP", which has no data; every lookup is recorded.
class RecordingSeries final : public TsData {
public:
    explicit RecordingSeries(std::vector<Lookup>& lookups) : lookups_(lookups) {}

    std::expected<double, ModelError> asset_value(std::string_view name,
                                                  std::int64_t ts) const override {
        lookups_.push_back({std::string(name), ts});
        if (name == "GAP") return std::unexpected(ModelError::Message{"no data for GAP"});
        return 2.5;
    }

private:
    std::vector<Lookup>& lookups_;
};

Historic recording(std::vector<Lookup>& lookups) {
    return Historic(std::make_unique<RecordingSeries>(lookups));
}

double cashflow(const CashflowMap& cashflows, TrackKey track, EventIndex event) {
    const ValueVector* found = cashflows.find(track, event);
    EXPECT_NE(found, nullptr) << "track " << track << ", event " << event;
    if (found == nullptr) return 0.0;
    EXPECT_EQ(found->size(), 1U);
    return (*found)[0];
}

struct CsvCase {
    const char* name;
    std::int64_t ts;
    double value;
};

class TsDataCSVValues : public ::testing::TestWithParam<CsvCase> {};

TEST_P(TsDataCSVValues, BaseIsOneEverythingElseAHundred) {
    const TsDataCSV series("USD");
    auto value = series.asset_value(GetParam().name, GetParam().ts);
    ASSERT_TRUE(value.has_value());
    EXPECT_EQ(*value, GetParam().value);
}

INSTANTIATE_TEST_SUITE_P(Cases, TsDataCSVValues,
                         ::testing::Values(CsvCase{"USD", 0, 1.0},
                                           CsvCase{"USD", -5'000, 1.0},
                                           CsvCase{"EQ", 1'700'000'000'000, 100.0},
                                           CsvCase{"usd", 0, 100.0},  // exact text only
                                           CsvCase{"USD ", 0, 100.0},
                                           CsvCase{"", 0, 100.0}));

TEST(Historic, AssetsPayTheSourcesValueAtTheEventTimeUndiscounted) {
    const Contract contract({{1'000, "main", "+", 2.0, "EQ"},
                             {1'000, "main", "+", 3.0, "FX"},
                             {86'400'000, "side", "+", -4.0, "EQ"}});
    std::vector<Lookup> lookups;
    auto ledger = recording(lookups).calculate(contract.timetable());
    ASSERT_TRUE(ledger.has_value()) << ledger.error().message();
    EXPECT_EQ(lookups,
              (std::vector<Lookup>{{"EQ", 1'000}, {"FX", 1'000}, {"EQ", 86'400'000}}));
    EXPECT_EQ(ledger->pv_vec(0)->get()[0], 12.5);
    const CashflowMap cashflows = ledger->take_cashflows();
    EXPECT_EQ(cashflow(cashflows, 0, 0), 5.0);
    EXPECT_EQ(cashflow(cashflows, 0, 1), 7.5);
    EXPECT_EQ(cashflow(cashflows, 1, 2), -10.0);
}

TEST(Historic, ChoiceRecordsOnlyWhatIsFinallyPaid) {
    // The holder takes 2 × 2.5 at event 0 instead of the later 1 × 2.5.
    const Contract contract({{0, "main", ">", 2.0, "EQ"}, {10, "main", "+", 1.0, "EQ"}});
    std::vector<Lookup> lookups;
    auto ledger = recording(lookups).calculate(contract.timetable());
    ASSERT_TRUE(ledger.has_value());
    const CashflowMap cashflows = ledger->take_cashflows();
    EXPECT_EQ(cashflow(cashflows, 0, 0), 5.0);
    EXPECT_EQ(cashflow(cashflows, 0, 1), 0.0);
}

TEST(Historic, TheSourcesErrorIsTheEventsCause) {
    const Contract contract({{5, "main", "+", 1.0, "EQ"}, {6, "main", "+", 1.0, "GAP"}});
    std::vector<Lookup> lookups;
    auto ledger = recording(lookups).calculate(contract.timetable());
    ASSERT_FALSE(ledger.has_value());
    const std::string message = ledger.error().message();
    EXPECT_TRUE(message.starts_with("Error at event:\n  #1: ")) << message;
    EXPECT_TRUE(message.ends_with(", caused by \nno data for GAP")) << message;
}

TEST(Historic, TimeStartsAtTheEpoch) {
    const Contract contract({{-1, "main", "+", 1.0, "EQ"}});
    std::vector<Lookup> lookups;
    auto ledger = recording(lookups).calculate(contract.timetable());
    ASSERT_FALSE(ledger.has_value());
    EXPECT_TRUE(ledger.error().message().ends_with(
        ", caused by \nevent time is earlier than the current time 0"))
        << ledger.error().message();
    EXPECT_TRUE(lookups.empty());
}

TEST(Historic, ForwardSweepNeverDiscountsAndSettlesNothing) {
    const Contract contract(
        {{0, "main", "+", 2.0, "EQ"}, {31'536'000'000, "main", "+", 1.0, "EQ"}});
    std::vector<Lookup> lookups;
    const Historic model = recording(lookups);
    auto state = model.create_state(contract.timetable());
    ASSERT_TRUE(state.has_value());
    ASSERT_TRUE(model.evolve_assets_forward(*state, contract.timetable()).has_value());
    EXPECT_EQ(state->df, ValueVector{1.0});
    EXPECT_FALSE(state->ledger.pv_vec(0).has_value());
    ASSERT_TRUE(evolve_pvs_backward(*state, contract.timetable(), Historic::flags()).has_value());
    EXPECT_EQ(state->ledger.pv_vec(0)->get()[0], 7.5);
}

TEST(Historic, EmptyContractGivesAnEmptyLedger) {
    const Contract contract({});
    std::vector<Lookup> lookups;
    auto ledger = recording(lookups).calculate(contract.timetable());
    ASSERT_TRUE(ledger.has_value());
    EXPECT_FALSE(ledger->pv_vec(0).has_value());
    EXPECT_TRUE(ledger->take_cashflows().empty());
}

}  // namespace
}  // namespace velkor
