#include "ledger/depgraph.hpp"

#include <gtest/gtest.h>

#include <variant>

namespace velkor {
namespace {

TEST(EvGraph, StartsUnsavedAndIsTakenFromTheLastEvent) {
    EvGraph graph(3);
    for (const EvState& state : graph.states())
        EXPECT_TRUE(std::holds_alternative<EvState::Unsaved>(state.value));
    ASSERT_TRUE(graph.save_pay(0, ValueVector{1.5}));
    ASSERT_TRUE(graph.save_cond_pay(2, ValueVector{2}, ValueVector{0.5}));

    auto last = graph.take_last();
    ASSERT_TRUE(last);
    EXPECT_EQ(last->event, 2u);
    const auto* cond = std::get_if<EvState::CondPay>(&last->state.value);
    ASSERT_NE(cond, nullptr);
    EXPECT_EQ(cond->value, ValueVector{2});
    EXPECT_EQ(cond->weights, ValueVector{0.5});

    last = graph.take_last();
    ASSERT_TRUE(last);
    EXPECT_EQ(last->event, 1u);
    EXPECT_TRUE(std::holds_alternative<EvState::Unsaved>(last->state.value));

    last = graph.take_last();
    ASSERT_TRUE(last);
    EXPECT_EQ(last->event, 0u);
    const auto* pay = std::get_if<EvState::Pay>(&last->state.value);
    ASSERT_NE(pay, nullptr);
    EXPECT_EQ(pay->value, ValueVector{1.5});

    EXPECT_FALSE(graph.take_last());
    EXPECT_TRUE(graph.states().empty());
}

TEST(EvGraph, WithoutEventsHasNothingToTake) {
    EvGraph graph(0);
    EXPECT_FALSE(graph.take_last());
}

TEST(EvGraph, SavingTwiceKeepsTheSecondState) {
    EvGraph graph(1);
    ASSERT_TRUE(graph.save_pay(0, ValueVector{1, 2}));
    ASSERT_TRUE(graph.save_t(0, 4));
    const auto* ref = std::get_if<EvState::TrackRef>(&graph.states()[0].value);
    ASSERT_NE(ref, nullptr);
    EXPECT_EQ(ref->track, 4u);
}

TEST(EvGraph, RefusesEventsBeyondItsEnd) {
    EvGraph graph(3);
    const auto refused = graph.save_t(3, 0);
    ASSERT_FALSE(refused);
    EXPECT_EQ(refused.error().message(), "Event 3 not found among 3 events");
    EXPECT_FALSE(graph.save_pay(7, ValueVector{1}));
    EXPECT_FALSE(graph.save_cond_pay(3, ValueVector{1}, ValueVector{1}));
}

}  // namespace
}  // namespace velkor
