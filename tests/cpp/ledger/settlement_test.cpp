#include "ledger/settlement.hpp"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <limits>
#include <map>
#include <ostream>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "support/expect_values.hpp"

namespace velkor {
namespace {

using test::same_values;
using test::values;

constexpr double nan = std::numeric_limits<double>::quiet_NaN();
constexpr std::uint32_t records = stat_flags::choices | stat_flags::cashflow;

// Track 0 on two paths already holds a later payment ("+" at event 9), recorded as a cashflow;
// the event under test is event 4.
class Settlement : public testing::Test {
protected:
    void pay_later(const std::vector<double>& continuation, std::uint32_t flags = records) {
        ASSERT_TRUE(ledger.one_track_event(Op::Add{}, 0, values(continuation), 9, flags));
    }

    std::optional<ValueVector> cashflow(const CashflowMap& taken, EventIndex event,
                                        TrackKey track = 0) {
        const ValueVector* found = taken.find(track, event);
        return found != nullptr ? std::optional<ValueVector>(*found) : std::nullopt;
    }

    Ledger ledger{2};
};

struct ChoiceCase {
    const char* name;
    friend void PrintTo(const ChoiceCase& c, std::ostream* os) { *os << c.name; }
    const char* op;
    std::vector<double> continuation;
    std::vector<double> value;
    std::vector<double> pv;
    std::optional<std::vector<std::uint64_t>> choice;
    std::optional<std::vector<double>> own;  // the event's cashflow record
    std::vector<double> later;               // event 9's record afterwards
};

class SettleEvent : public Settlement, public testing::WithParamInterface<ChoiceCase> {};

TEST_P(SettleEvent, UpdatesPresentValueAndRecords) {
    const auto& c = GetParam();
    pay_later(c.continuation);
    ASSERT_TRUE(ledger.one_track_event(Op::from_text(c.op), 0, values(c.value), 4, records));

    EXPECT_TRUE(same_values(ledger.pv_vec(0)->get(), c.pv));
    const ChoiceVector* choice = ledger.choices().find(4, 0);
    ASSERT_EQ(choice != nullptr, c.choice.has_value());
    if (choice != nullptr) {
        EXPECT_TRUE(same_values(*choice, *c.choice));
    }
    const CashflowMap taken = ledger.take_cashflows();
    const auto own = cashflow(taken, 4);
    ASSERT_EQ(own.has_value(), c.own.has_value());
    if (own) {
        EXPECT_TRUE(same_values(*own, *c.own));
    }
    EXPECT_TRUE(same_values(*cashflow(taken, 9), c.later));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SettleEvent,
    testing::Values(
        ChoiceCase{"max_wins_first_path", ">", {3, 7}, {5}, {5, 7}, {{1, 0}}, {{5, 0}}, {0, 7}},
        ChoiceCase{"min_wins_second_path", "<", {3, 7}, {5}, {3, 5}, {{0, 1}}, {{0, 5}}, {3, 0}},
        ChoiceCase{"equal_values_never_win", ">", {3, 7}, {3, 7}, {3, 7}, {{0, 0}}, {{0, 0}},
                   {3, 7}},
        ChoiceCase{"nan_value_keeps_continuation", ">", {3, 7}, {nan, 9}, {3, 9}, {{0, 1}},
                   {{0, 9}}, {3, 0}},
        ChoiceCase{"nan_continuation_takes_value_without_choice", ">", {nan, 7}, {5}, {5, 7},
                   {{0, 0}}, {{0, 0}}, {nan, 7}},
        ChoiceCase{"min_nan_continuation", "<", {nan, 7}, {5}, {5, 5}, {{0, 1}}, {{0, 5}},
                   {nan, 0}},
        ChoiceCase{"single_zero_masks_but_records_nothing", ">", {-1, 7}, {0}, {0, 7}, {{1, 0}},
                   std::nullopt, {0, 7}},
        ChoiceCase{"full_length_zeros_are_recorded", ">", {-1, 7}, {0, 0}, {0, 7}, {{1, 0}},
                   {{0, 0}}, {0, 7}},
        ChoiceCase{"single_nan_is_recorded", ">", {3, 7}, {nan}, {3, 7}, {{0, 0}}, {{0, 0}},
                   {3, 7}},
        ChoiceCase{"add_records_whole_value", "+", {3, 7}, {5}, {8, 12}, std::nullopt,
                   {{5, 5}}, {3, 7}}),
    [](const auto& info) { return std::string(info.param.name); });

class SettleFlags : public Settlement, public testing::WithParamInterface<std::uint32_t> {};

TEST_P(SettleFlags, RecordOnlyWhatTheFlagsAskFor) {
    const std::uint32_t flags = GetParam();
    pay_later({3, 7}, flags);
    ASSERT_TRUE(ledger.one_track_event(Op::Max{}, 0, ValueVector{5}, 4, flags));
    EXPECT_TRUE(same_values(ledger.pv_vec(0)->get(), {5, 7}));
    EXPECT_EQ(ledger.choices().empty(), (flags & stat_flags::choices) == 0);
    EXPECT_EQ(ledger.take_cashflows().empty(), (flags & stat_flags::cashflow) == 0);
}

INSTANTIATE_TEST_SUITE_P(Flags, SettleFlags, testing::Values(0u, 1u, 2u, 4u, 8u, 15u));

TEST_F(Settlement, UnknownOpFailsAndKeepsTheContinuation) {
    pay_later({3, 7});
    const auto failed = ledger.one_track_event(Op::Empty{}, 0, ValueVector{5}, 4, records);
    ASSERT_FALSE(failed);
    EXPECT_EQ(failed.error().message(), "Error in Op, caused by \nUnknown Op ''");
    EXPECT_TRUE(same_values(ledger.pv_vec(0)->get(), {3, 7}));
    EXPECT_TRUE(ledger.choices().empty());
    EXPECT_FALSE(cashflow(ledger.take_cashflows(), 4));
}

TEST_F(Settlement, ConditionNameOnANewTrackFailsAfterCreatingItsZeroValue) {
    const auto failed = ledger.one_track_event(Op::Named{"Alive"}, 1, ValueVector{5}, 4, 0);
    ASSERT_FALSE(failed);
    EXPECT_EQ(failed.error().message(), "Error in Op, caused by \nUnknown Op 'Alive'");
    EXPECT_TRUE(same_values(ledger.pv_vec(1)->get(), {0, 0}));
}

TEST_F(Settlement, ChoiceOnAnotherTrackLeavesThisTrackAlone) {
    pay_later({3, 7});
    ASSERT_TRUE(ledger.one_track_event(Op::Max{}, 1, ValueVector{100}, 4, records));
    EXPECT_TRUE(same_values(ledger.pv_vec(0)->get(), {3, 7}));
    EXPECT_TRUE(same_values(ledger.pv_vec(1)->get(), {100, 100}));
    const CashflowMap taken = ledger.take_cashflows();
    EXPECT_TRUE(same_values(*cashflow(taken, 9), {3, 7}));
    EXPECT_TRUE(same_values(*cashflow(taken, 4, 1), {100, 100}));
}

TEST_F(Settlement, VectorsOfAnotherLengthAreRefusedBeforeAnythingChanges) {
    pay_later({3, 7});
    const std::string message =
        "Track 0 holds vectors of length 2 but was given a vector of length 3";
    const auto bad_value = ledger.one_track_event(Op::Max{}, 0, ValueVector{9, 9, 9}, 4, records);
    ASSERT_FALSE(bad_value);
    EXPECT_EQ(bad_value.error().message(), message);
    const auto bad_weights =
        ledger.one_track_weights(ValueVector{1, 1, 1}, 0, ValueVector{9}, 4, records);
    ASSERT_FALSE(bad_weights);
    EXPECT_EQ(bad_weights.error().message(), message);
    const auto empty_value = ledger.one_track_event(Op::Add{}, 3, ValueVector{}, 4, records);
    ASSERT_FALSE(empty_value);
    EXPECT_EQ(empty_value.error().message(),
              "Track 3 holds vectors of length 2 but was given a vector of length 0");

    EXPECT_TRUE(same_values(ledger.pv_vec(0)->get(), {3, 7}));
    EXPECT_FALSE(ledger.pv_vec(3));
    EXPECT_TRUE(ledger.choices().empty());
    const CashflowMap taken = ledger.take_cashflows();
    EXPECT_FALSE(cashflow(taken, 4));
    EXPECT_TRUE(same_values(*cashflow(taken, 9), {3, 7}));
}

struct WeightsCase {
    const char* name;
    friend void PrintTo(const WeightsCase& c, std::ostream* os) { *os << c.name; }
    std::vector<double> weights;
    std::vector<double> value;
    std::vector<double> pv;
    std::optional<std::vector<double>> own;
    std::vector<double> later;
};

class SettleWeights : public Settlement, public testing::WithParamInterface<WeightsCase> {};

TEST_P(SettleWeights, MixesValueIntoContinuationAndScalesLaterCashflows) {
    const auto& c = GetParam();
    pay_later({4, 8});
    ASSERT_TRUE(ledger.one_track_weights(values(c.weights), 0, values(c.value), 4, records));
    EXPECT_TRUE(same_values(ledger.pv_vec(0)->get(), c.pv));
    EXPECT_TRUE(ledger.choices().empty());
    const CashflowMap taken = ledger.take_cashflows();
    const auto own = cashflow(taken, 4);
    ASSERT_EQ(own.has_value(), c.own.has_value());
    if (own) {
        EXPECT_TRUE(same_values(*own, *c.own));
    }
    EXPECT_TRUE(same_values(*cashflow(taken, 9), c.later));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SettleWeights,
    testing::Values(
        WeightsCase{"weights_one_replace", {1}, {5}, {5, 5}, {{5, 5}}, {0, 0}},
        WeightsCase{"weights_zero_change_nothing", {0}, {5}, {4, 8}, {{0, 0}}, {4, 8}},
        WeightsCase{"single_zero_value_records_nothing", {0}, {0}, {4, 8}, std::nullopt, {4, 8}},
        WeightsCase{"weights_between_mix", {0.5, 0.25}, {2}, {3, 6.5}, {{1, 0.5}}, {2, 6}},
        WeightsCase{"nan_weight", {nan, 1}, {2}, {nan, 2}, {{nan, 2}}, {nan, 0}}),
    [](const auto& info) { return std::string(info.param.name); });

// The same settlement written the plain way: every mask and scale applied at once to every
// record of the track, in order.
class EagerLedger {
public:
    explicit EagerLedger(std::size_t n) : n_(n) {}

    void event(char op, TrackKey track, const std::vector<double>& value, EventIndex event) {
        const std::vector<double> v = full(value);
        std::vector<double>& pv = pvs[track];
        if (pv.empty()) pv.assign(n_, 0.0);
        if (op == '+') {
            cashflows[track][event] = v;
            for (std::size_t i = 0; i < n_; ++i) pv[i] = pv[i] + v[i];
            return;
        }
        std::vector<bool> wins(n_);
        for (std::size_t i = 0; i < n_; ++i) wins[i] = op == '>' ? v[i] > pv[i] : v[i] < pv[i];
        if (auto found = cashflows.find(track); found != cashflows.end())
            for (auto& [e, record] : found->second)
                for (std::size_t i = 0; i < n_; ++i)
                    if (wins[i]) record[i] = 0.0;
        if (!(value.size() == 1 && value[0] == 0.0)) {
            std::vector<double> paid(n_);
            for (std::size_t i = 0; i < n_; ++i) paid[i] = wins[i] ? v[i] : 0.0;
            cashflows[track][event] = paid;
        }
        std::vector<std::uint64_t> chosen(n_);
        for (std::size_t i = 0; i < n_; ++i) chosen[i] = wins[i] ? 1 : 0;
        choices[event][track] = chosen;
        for (std::size_t i = 0; i < n_; ++i) {
            if (std::isnan(pv[i]))
                pv[i] = v[i];
            else if (!std::isnan(v[i]) && (op == '>' ? v[i] > pv[i] : v[i] < pv[i]))
                pv[i] = v[i];
        }
    }

    void conditional(TrackKey track, const std::vector<double>& weights,
                     const std::vector<double>& value, EventIndex event) {
        const std::vector<double> w = full(weights);
        const std::vector<double> v = full(value);
        if (auto found = cashflows.find(track); found != cashflows.end())
            for (auto& [e, record] : found->second)
                for (std::size_t i = 0; i < n_; ++i) record[i] *= 1.0 - w[i];
        if (!(value.size() == 1 && value[0] == 0.0)) {
            std::vector<double> paid(n_);
            for (std::size_t i = 0; i < n_; ++i) paid[i] = w[i] * v[i];
            cashflows[track][event] = paid;
        }
        std::vector<double>& pv = pvs[track];
        if (pv.empty()) pv.assign(n_, 0.0);
        for (std::size_t i = 0; i < n_; ++i) pv[i] = pv[i] * (1.0 - w[i]) + v[i] * w[i];
    }

    std::map<TrackKey, std::vector<double>> pvs;
    std::map<TrackKey, std::map<EventIndex, std::vector<double>>> cashflows;
    std::map<EventIndex, std::map<TrackKey, std::vector<std::uint64_t>>> choices;

private:
    std::vector<double> full(const std::vector<double>& v) const {
        return v.size() == 1 ? std::vector<double>(n_, v[0]) : v;
    }

    std::size_t n_;
};

bool same_bits(const ValueVector& actual, const std::vector<double>& expected) {
    if (actual.size() != expected.size()) return false;
    for (std::size_t i = 0; i < expected.size(); ++i)
        if (std::bit_cast<std::uint64_t>(actual[i]) != std::bit_cast<std::uint64_t>(expected[i]))
            return false;
    return true;
}

// Settles a random mix of "+", ">", "<" and conditional payments (NaN among values and weights,
// single entries among vectors) on a lazy and an eager ledger and compares every bit.
void compare_with_eager(std::uint32_t seed) {
    constexpr std::size_t paths = 5;
    constexpr EventIndex events = 40;
    std::mt19937 random(seed);
    const double amounts[] = {-2, -1, 0, 0.5, 1, 3, nan};
    const double weights[] = {0, 0.25, 0.5, 1, 1.5, nan};
    auto draw = [&](const auto& from, bool single) {
        std::uniform_int_distribution<std::size_t> pick(0, std::size(from) - 1);
        std::vector<double> v(single ? 1 : paths);
        for (double& x : v) x = from[pick(random)];
        return v;
    };

    Ledger lazy(paths);
    EagerLedger eager(paths);
    for (EventIndex e = events; e-- > 0;) {
        const TrackKey track = random() % 2;
        const auto value = draw(amounts, random() % 3 == 0);
        const int kind = static_cast<int>(random() % 4);
        if (kind == 0) {
            ASSERT_TRUE(lazy.one_track_event(Op::Add{}, track, values(value), e, records));
            eager.event('+', track, value, e);
        } else if (kind == 1) {
            const auto w = draw(weights, random() % 2 == 0);
            ASSERT_TRUE(lazy.one_track_weights(values(w), track, values(value), e, records));
            eager.conditional(track, w, value, e);
        } else {
            const char op = kind == 2 ? '>' : '<';
            ASSERT_TRUE(lazy.one_track_event(Op::from_text(std::string(1, op)), track,
                                             values(value), e, records));
            eager.event(op, track, value, e);
        }
    }

    for (const auto& [track, pv] : eager.pvs)
        EXPECT_TRUE(same_bits(lazy.pv_vec(track)->get(), pv)) << "track " << track;
    const ChoiceMap choices = lazy.take_choices();
    std::size_t choice_records = 0;
    for (const auto& [event, by_track] : eager.choices) {
        for (const auto& [track, chosen] : by_track) {
            ++choice_records;
            const ChoiceVector* found = choices.find(event, track);
            ASSERT_NE(found, nullptr);
            EXPECT_TRUE(same_values(*found, chosen)) << "event " << event;
        }
    }
    for (const auto& [event, by_track] : choices) choice_records -= by_track.size();
    EXPECT_EQ(choice_records, 0u);

    const CashflowMap taken = lazy.take_cashflows();
    std::size_t cashflow_records = 0;
    for (const auto& [track, by_event] : eager.cashflows) {
        for (const auto& [event, paid] : by_event) {
            ++cashflow_records;
            const ValueVector* found = taken.find(track, event);
            ASSERT_NE(found, nullptr);
            EXPECT_TRUE(same_bits(*found, paid)) << "track " << track << " event " << event;
        }
    }
    for (const auto& [track, by_event] : taken) cashflow_records -= by_event.size();
    EXPECT_EQ(cashflow_records, 0u);
}

TEST(LazyMasking, GivesExactlyTheEagerResultOnMixedSequences) {
    for (std::uint32_t seed = 1; seed <= 50; ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        compare_with_eager(seed);
    }
}

}  // namespace
}  // namespace velkor
