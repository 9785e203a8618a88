#include "arrow/column.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "arrow/record_batch.hpp"
#include "hand_built.hpp"

namespace velkor::arrow {
namespace {

using testing::dictionary;
using testing::float64s;
using testing::int64s;
using testing::named;
using testing::NodePtr;
using testing::primitive;
using testing::strings;
using testing::structure;
using testing::timestamps;

// A batch of the given columns; the nodes stay alive with the holder.
struct Batch {
    NodePtr root;
    RecordBatch batch;

    explicit Batch(std::vector<NodePtr> fields) : root(structure(std::move(fields))) {
        auto imported = RecordBatch::from_struct(testing::take_schema(*root),
                                                 testing::take_array(*root));
        EXPECT_TRUE(imported) << imported.error().message();
        if (imported) batch = std::move(*imported);
    }
    explicit Batch(NodePtr field) : Batch(one(std::move(field))) {}

    static std::vector<NodePtr> one(NodePtr field) {
        std::vector<NodePtr> fields;
        fields.push_back(std::move(field));
        return fields;
    }
    const Column& column() const { return batch.column(0); }
};

TEST(Column, TimestampInMillisecondsWithAnyTimeZone) {
    for (const char* format : {"tsm:", "tsm:UTC", "tsm:Europe/Paris", "tsm:+01:00"}) {
        Batch b(named("time", timestamps({-5, 0, 1711670400000}, format, {true, false, true})));
        auto time = b.column().timestamp_ms();
        ASSERT_TRUE(time) << format;
        EXPECT_EQ(time->value(0), -5);
        EXPECT_EQ(time->value(2), 1711670400000);
        EXPECT_TRUE(time->is_null(1));
        EXPECT_FALSE(time->is_null(2));
    }
}

TEST(Column, NullCountZeroVouchesForEverySlot) {
    auto node = float64s({1, 2}, {false, false});
    node->array.null_count = 0;
    Batch b(named("q", std::move(node)));
    EXPECT_FALSE(b.column().float64()->is_null(0));
}

// Each view refuses every other well-formed type with the column's name and format.
TEST(Column, ViewsTellWrongTypes) {
    struct Case {
        NodePtr node;
        const char* view;
        const char* message;
    };
    std::vector<Case> cases;
    cases.push_back({timestamps({1}, "tsu:"), "timestamp_ms",
                     "Column 'c' has Arrow format 'tsu:', expected timestamp in milliseconds "
                     "('tsm:')"});
    cases.push_back({timestamps({1}, "tsn:UTC"), "timestamp_ms", nullptr});
    cases.push_back({timestamps({1}, "tss:"), "timestamp_ms", nullptr});
    cases.push_back({int64s({1}), "timestamp_ms", nullptr});
    cases.push_back({primitive<float>("f", {1}), "float64",
                     "Column 'c' has Arrow format 'f', expected float64 ('g')"});
    cases.push_back({int64s({1}), "float64", nullptr});
    cases.push_back({dictionary(primitive<std::int32_t>("i", {0}), strings({"a"})), "dictionary",
                     "Column 'c' has Arrow format 'i' with a dictionary of 'u', expected a "
                     "dictionary with int64 indices ('l')"});
    cases.push_back({int64s({0}), "dictionary", nullptr});
    cases.push_back({strings({"a"}), "dictionary", nullptr});
    cases.push_back({strings({"a"}, "U"), "utf8",
                     "Column 'c' has Arrow format 'U', expected Utf8 strings ('u')"});
    cases.push_back({dictionary(int64s({0}), strings({"a"})), "utf8", nullptr});
    auto views = strings({"a"});  // string views carry variadic buffers
    views->format = "vu";
    views->buffers.push_back(nullptr);
    views->wire();
    cases.push_back({std::move(views), "utf8", nullptr});

    for (auto& c : cases) {
        Batch b(named("c", std::move(c.node)));
        const Column& column = b.column();
        const std::string view = c.view;
        std::string message;
        if (view == "timestamp_ms") message = column.timestamp_ms().error().message();
        if (view == "float64") message = column.float64().error().message();
        if (view == "dictionary") message = column.dictionary().error().message();
        if (view == "utf8") message = column.utf8().error().message();
        if (c.message != nullptr) EXPECT_EQ(message, c.message);
        else EXPECT_TRUE(message.starts_with("Column 'c' has Arrow format '")) << message;
    }
}

TEST(Column, Utf8ValuesFollowOffsetsNullsAndSlices) {
    auto node = strings({"a", std::nullopt, "", "δx", "tail"});
    node->array.offset = 1;  // the array's own slice starts at the null
    node->array.length = 4;
    std::vector<NodePtr> fields;
    fields.push_back(named("s", std::move(node)));
    fields.push_back(named("pad", float64s({0, 0, 0, 0})));
    auto b = Batch(std::move(fields));
    auto s = b.column().utf8();
    ASSERT_TRUE(s);
    ASSERT_EQ(s->size(), 4);
    EXPECT_TRUE(s->is_null(0));
    EXPECT_EQ(s->value(0), "");
    EXPECT_FALSE(s->is_null(1));
    EXPECT_EQ(s->value(1), "");
    EXPECT_EQ(s->value(2), "δx");
    EXPECT_EQ(s->value(3), "tail");
}

TEST(Column, Utf8OfEmptyStringsNeedsNoData) {
    auto node = strings({"", ""});
    node->buffers[2] = nullptr;
    node->wire();
    Batch b(named("s", std::move(node)));
    EXPECT_EQ(b.column().utf8()->value(1), "");
}

TEST(Column, DictionaryIndicesReadTheirValues) {
    auto values = strings({"skip", "A", std::nullopt, "B"});
    values->array.offset = 1;  // the dictionary's own slice: A, null, B
    values->array.length = 3;
    Batch b(named("track", dictionary(int64s({2, 0, 7, 1}, {true, true, false, true}),
                                       std::move(values))));
    auto track = b.column().dictionary();
    ASSERT_TRUE(track);
    EXPECT_EQ(track->size(), 4);
    EXPECT_EQ(track->dictionary_size(), 3);
    auto names = track->values().utf8();
    ASSERT_TRUE(names);
    EXPECT_EQ(names->value(track->index(0)), "B");
    EXPECT_EQ(names->value(track->index(1)), "A");
    EXPECT_TRUE(track->is_null(2));
    EXPECT_TRUE(names->is_null(track->index(3)));
    // Row 2 is null, so its stored 7 is not an error.
    EXPECT_TRUE(track->check_indices());
}

TEST(Column, CheckIndicesReportsTheFirstNonNullIndexOutsideTheDictionary) {
    struct Case {
        std::vector<std::int64_t> indices;
        std::vector<bool> valid;
        std::int64_t row;
        std::int64_t index;
    };
    const Case cases[] = {
        {{0, 1, 2, 5}, {}, 2, 2},
        {{0, -1, 9}, {}, 1, -1},
        {{9, 0, -3}, {false, true, true}, 2, -3},
        {{std::numeric_limits<std::int64_t>::min()}, {}, 0,
         std::numeric_limits<std::int64_t>::min()},
    };
    for (const Case& c : cases) {
        Batch b(named("unit", dictionary(int64s(c.indices, c.valid), strings({"x", "y"}))));
        auto result = b.column().dictionary()->check_indices();
        ASSERT_FALSE(result);
        EXPECT_EQ(result.error().row, c.row);
        EXPECT_EQ(result.error().index, c.index);
    }
    Batch b(named("unit", dictionary(int64s({0, 3}), strings({"x", "y"}))));
    EXPECT_EQ(b.column().dictionary()->check_indices().error().message(),
              "Column 'unit': dictionary index 3 at row 1 is outside the dictionary of 2 values");
}

TEST(Column, IndicesIntoAnEmptyDictionaryAreAllOutside) {
    Batch none(named("op", dictionary(int64s({0}, {false}), strings({}))));
    EXPECT_TRUE(none.column().dictionary()->check_indices());
    Batch some(named("op", dictionary(int64s({0}), strings({}))));
    EXPECT_FALSE(some.column().dictionary()->check_indices());
}

}  // namespace
}  // namespace velkor::arrow
