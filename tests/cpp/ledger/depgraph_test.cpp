#include "ledger/depgraph.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <expected>
#include <utility>
#include <variant>
#include <vector>

namespace velkor {
namespace {

// The events a drain visits, in order, with their states.
std::vector<std::pair<std::size_t, EvState>> drain(EvGraph& graph, std::size_t fail_at = SIZE_MAX) {
    std::vector<std::pair<std::size_t, EvState>> seen;
    (void)graph.drain_backward([&](std::size_t event, EvState& state) -> std::expected<void, int> {
        seen.emplace_back(event, std::move(state));
        if (event == fail_at) return std::unexpected(0);
        return {};
    });
    return seen;
}

TEST(EvGraph, StartsUnsavedAndIsDrainedFromTheLastEvent) {
    EvGraph graph(3);
    for (const EvState& state : graph.states())
        EXPECT_TRUE(std::holds_alternative<EvState::Unsaved>(state.value));
    ASSERT_TRUE(graph.save_pay(0, ValueVector{1.5}));
    ASSERT_TRUE(graph.save_cond_pay(2, ValueVector{2}, ValueVector{0.5}));

    const auto seen = drain(graph);
    ASSERT_EQ(seen.size(), 3u);
    EXPECT_EQ(seen[0].first, 2u);
    const auto* cond = std::get_if<std::unique_ptr<EvState::CondPay>>(&seen[0].second.value);
    ASSERT_NE(cond, nullptr);
    EXPECT_EQ((*cond)->value, ValueVector{2});
    EXPECT_EQ((*cond)->weights, ValueVector{0.5});
    EXPECT_EQ(seen[1].first, 1u);
    EXPECT_TRUE(std::holds_alternative<EvState::Unsaved>(seen[1].second.value));
    EXPECT_EQ(seen[2].first, 0u);
    const auto* pay = std::get_if<EvState::Pay>(&seen[2].second.value);
    ASSERT_NE(pay, nullptr);
    EXPECT_EQ(pay->value, ValueVector{1.5});
    EXPECT_TRUE(graph.states().empty());
}

TEST(EvGraph, DrainStopsAtTheFirstFailure) {
    EvGraph graph(4);
    const auto seen = drain(graph, 2);
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(graph.states().size(), 2u);
}

TEST(EvGraph, WithoutEventsHasNothingToDrain) {
    EvGraph graph(0);
    EXPECT_TRUE(drain(graph).empty());
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
