#include "ledger/ledger.hpp"

#include <gtest/gtest.h>

#include <limits>
#include <map>
#include <vector>

#include "support/expect_values.hpp"
#include "timetable/op.hpp"

namespace velkor {
namespace {

using test::same_values;

constexpr double nan = std::numeric_limits<double>::quiet_NaN();

TEST(Ledger, NewLedgerHasNoTrack) {
    const Ledger ledger(3);
    for (TrackKey track : {0u, 7u}) {
        const auto pv = ledger.pv_vec(track);
        ASSERT_FALSE(pv);
        EXPECT_EQ(pv.error().message(), "Track " + std::to_string(track) + " not found");
    }
}

TEST(Ledger, PvsByTrackMutVisitsEveryTrackInPlace) {
    Ledger ledger(2);
    ASSERT_TRUE(ledger.one_track_event(Op::Add{}, 0, ValueVector{1}, 0, 0));
    ASSERT_TRUE(ledger.one_track_event(Op::Add{}, 5, ValueVector{2, 3}, 1, 0));
    std::map<TrackKey, std::size_t> seen;
    ledger.pvs_by_track_mut([&](TrackKey track, std::span<double> pv) {
        seen[track] = pv.size();
        for (double& x : pv) x *= 10;
    });
    EXPECT_EQ(seen, (std::map<TrackKey, std::size_t>{{0, 2}, {5, 2}}));
    EXPECT_TRUE(same_values(ledger.pv_vec(0)->get(), {10, 10}));
    EXPECT_TRUE(same_values(ledger.pv_vec(5)->get(), {20, 30}));
}

TEST(ChoiceMap, SecondInsertForTheSameEventAndTrackReplaces) {
    ChoiceMap choices;
    choices.insert(4, 0, ChoiceVector{1, 0});
    choices.insert(4, 1, ChoiceVector{0, 0});
    choices.insert(4, 0, ChoiceVector{0, 1});
    EXPECT_EQ(choices.size(), 1u);
    EXPECT_TRUE(same_values(*choices.find(4, 0), {0, 1}));
    EXPECT_TRUE(same_values(*choices.find(4, 1), {0, 0}));
    EXPECT_EQ(choices.find(5, 0), nullptr);
}

// Records of track 1 at events 10 and 11, and of track 2 at event 10, on three paths.
class CashflowRecords : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(ledger.cf_insert(10, 1, ValueVector{1, 2, 3}));
        ASSERT_TRUE(ledger.cf_insert(11, 1, ValueVector{4}));
        ASSERT_TRUE(ledger.cf_insert(10, 2, ValueVector{nan, 6, 7}));
    }

    const ValueVector& record(const CashflowMap& taken, TrackKey track, EventIndex event) {
        const ValueVector* found = taken.find(track, event);
        EXPECT_NE(found, nullptr) << "track " << track << " event " << event;
        return found != nullptr ? *found : empty;
    }

    Ledger ledger{3};
    ValueVector empty;
};

TEST_F(CashflowRecords, InsertBroadcastsReplacesAndAdds) {
    ASSERT_TRUE(ledger.cf_insert(11, 1, ValueVector{5, 5, 6}));
    ASSERT_TRUE(ledger.cf_insert(12, 1, ValueVector{9}));
    const CashflowMap taken = ledger.take_cashflows();
    EXPECT_TRUE(same_values(record(taken, 1, 10), {1, 2, 3}));
    EXPECT_TRUE(same_values(record(taken, 1, 11), {5, 5, 6}));
    EXPECT_TRUE(same_values(record(taken, 1, 12), {9, 9, 9}));
    EXPECT_TRUE(same_values(record(taken, 2, 10), {nan, 6, 7}));
    EXPECT_TRUE(ledger.take_cashflows().empty());
}

TEST_F(CashflowRecords, InsertRefusesOtherLengthsAndStoresNothing) {
    for (const ValueVector& wrong : {ValueVector{1, 2}, ValueVector{}}) {
        const auto refused = ledger.cf_insert(12, 3, wrong);
        ASSERT_FALSE(refused);
        EXPECT_EQ(refused.error().message(), "Track 3 not found");
    }
    const CashflowMap taken = ledger.take_cashflows();
    EXPECT_EQ(taken.size(), 2u);
    EXPECT_EQ(taken.find(3, 12), nullptr);
}

TEST_F(CashflowRecords, MaskZeroesOnlyItsTrackAndScaleMultipliesEveryRecord) {
    const bool all[] = {true, true, true};
    const bool none[] = {false, false, false};
    ASSERT_TRUE(ledger.cf_mask(1, none));
    ASSERT_TRUE(ledger.cf_mask(2, all));
    ASSERT_TRUE(ledger.cf_scale(1, ValueVector{2}));
    const CashflowMap taken = ledger.take_cashflows();
    EXPECT_TRUE(same_values(record(taken, 1, 10), {2, 4, 6}));
    EXPECT_TRUE(same_values(record(taken, 1, 11), {8, 8, 8}));
    EXPECT_TRUE(same_values(record(taken, 2, 10), {0, 0, 0}));
}

// A mask sets 0.0 rather than multiplying, and a later NaN factor still turns that 0.0 into NaN.
TEST_F(CashflowRecords, ScaleAfterMaskMultipliesTheZero) {
    const bool first[] = {true, false, false};
    ASSERT_TRUE(ledger.cf_mask(2, first));
    ASSERT_TRUE(ledger.cf_scale(2, ValueVector{nan, 0.5, -1}));
    const CashflowMap taken = ledger.take_cashflows();
    EXPECT_TRUE(same_values(record(taken, 2, 10), {nan, 3, -7}));
}

TEST_F(CashflowRecords, MaskAndScaleOnATrackWithoutRecordsCreateNothing) {
    const bool all[] = {true, true, true};
    ASSERT_TRUE(ledger.cf_mask(9, all));
    ASSERT_TRUE(ledger.cf_scale(9, ValueVector{0}));
    EXPECT_FALSE(ledger.pv_vec(9));
    EXPECT_EQ(ledger.take_cashflows().size(), 2u);
}

TEST_F(CashflowRecords, MaskAndScaleRefuseOtherLengthsAndChangeNothing) {
    const bool short_mask[] = {true, true};
    const auto mask_refused = ledger.cf_mask(1, short_mask);
    ASSERT_FALSE(mask_refused);
    EXPECT_EQ(mask_refused.error().message(),
              "Track 1 holds vectors of length 3 but was given a vector of length 2");
    const auto scale_refused = ledger.cf_scale(1, ValueVector{0, 0});
    ASSERT_FALSE(scale_refused);
    EXPECT_EQ(scale_refused.error().message(),
              "Track 1 holds vectors of length 3 but was given a vector of length 2");
    const CashflowMap taken = ledger.take_cashflows();
    EXPECT_TRUE(same_values(record(taken, 1, 10), {1, 2, 3}));
}

TEST_F(CashflowRecords, AReplacedRecordIsNotZeroedByMasksBeforeIt) {
    const bool first[] = {true, false, false};
    ASSERT_TRUE(ledger.cf_mask(1, first));
    ASSERT_TRUE(ledger.cf_insert(10, 1, ValueVector{8}));
    const CashflowMap taken = ledger.take_cashflows();
    EXPECT_TRUE(same_values(record(taken, 1, 10), {8, 8, 8}));
    EXPECT_TRUE(same_values(record(taken, 1, 11), {0, 4, 4}));
}

}  // namespace
}  // namespace velkor
