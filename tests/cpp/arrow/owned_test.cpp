#include "arrow/owned.hpp"

#include <gtest/gtest.h>

#include <utility>

#include "hand_built.hpp"

namespace velkor::arrow {
namespace {

using testing::int64s;

TEST(Owned, TakingMarksTheSourceReleasedAndReleasesOnceAtTheEnd) {
    auto node = int64s({1, 2});
    {
        OwnedArray owned = OwnedArray::take(&node->array);
        EXPECT_EQ(node->array.release, nullptr);
        EXPECT_FALSE(owned.is_released());
        EXPECT_EQ(owned.get()->length, 2);
        EXPECT_EQ(node->array_releases, 0);
    }
    EXPECT_EQ(node->array_releases, 1);
}

TEST(Owned, MovesHandOverTheStructWithoutReleasingIt) {
    auto node = testing::named("x", int64s({1}));
    {
        OwnedSchema first = OwnedSchema::take(&node->schema);
        const ArrowSchema* address = first.get();
        OwnedSchema second = std::move(first);
        OwnedSchema third;
        third = std::move(second);
        EXPECT_EQ(third.get(), address);  // columns point at it
        EXPECT_EQ(node->schema_releases, 0);
    }
    EXPECT_EQ(node->schema_releases, 1);
}

TEST(Owned, AssigningOverAnOwnerReleasesWhatItHeld) {
    auto a = int64s({1});
    auto b = int64s({2});
    OwnedArray owned = OwnedArray::take(&a->array);
    owned = OwnedArray::take(&b->array);
    EXPECT_EQ(a->array_releases, 1);
    EXPECT_EQ(b->array_releases, 0);
    owned.reset();
    owned.reset();
    EXPECT_EQ(b->array_releases, 1);
    EXPECT_TRUE(owned.is_released());
}

TEST(Owned, NeverCallsAReleasedStruct) {
    // A producer's callback that forgets to mark the struct released is still called once.
    static int calls = 0;
    ArrowArray sloppy{};
    sloppy.release = [](ArrowArray*) { ++calls; };
    {
        OwnedArray owned = OwnedArray::take(&sloppy);
        owned.reset();
    }
    EXPECT_EQ(calls, 1);

    ArrowArray released{};  // release already null
    { OwnedArray owned = OwnedArray::take(&released); }
    { OwnedArray blank = OwnedArray::blank(); }  // an export that never happened
    OwnedArray empty;
    EXPECT_TRUE(empty.is_released());
}

}  // namespace
}  // namespace velkor::arrow
