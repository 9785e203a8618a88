#include "arrow/record_batch.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "hand_built.hpp"

namespace velkor::arrow {
namespace {

using testing::dictionary;
using testing::float64s;
using testing::int64s;
using testing::named;
using testing::Node;
using testing::NodePtr;
using testing::strings;
using testing::structure;
using testing::timestamps;

// Four events with a nested struct column and a column of a format the layer never reads.
NodePtr events() {
    std::vector<NodePtr> fields;
    fields.push_back(named("time", timestamps({0, 1000, 2000, 3000}, "tsm:UTC")));
    fields.push_back(named("track", dictionary(int64s({0, 1, 0, 1}), strings({"A", "BC"}))));
    fields.push_back(named("quantity", float64s({1.5, 2.5, 3.5, 4.5})));
    std::vector<NodePtr> legs;
    legs.push_back(named("price", float64s({10, 20, 30, 40})));
    fields.push_back(named("legs", structure(std::move(legs))));
    auto views = std::make_unique<Node>();  // string views: 4 buffers nobody inspects
    views->format = "vu";
    views->array.length = 4;
    views->buffers = {nullptr, nullptr, nullptr, nullptr};
    views->wire();
    fields.push_back(named("note", std::move(views)));
    return structure(std::move(fields));
}

std::expected<RecordBatch, ArrowError> import(Node& root) {
    return RecordBatch::from_struct(testing::take_schema(root), testing::take_array(root));
}

std::int32_t* offsets_of(Node& node) {
    return static_cast<std::int32_t*>(const_cast<void*>(node.buffers[1]));
}

TEST(RecordBatch, StructArrayFieldsBecomeColumnsFoundByName) {
    auto root = events();
    auto batch = import(*root);
    ASSERT_TRUE(batch) << batch.error().message();
    EXPECT_EQ(batch->num_rows(), 4);
    ASSERT_EQ(batch->num_columns(), 5u);
    EXPECT_EQ(batch->column(1).name(), "track");
    EXPECT_EQ(batch->column(4).format(), "vu");
    ASSERT_NE(batch->find_column("quantity"), nullptr);
    EXPECT_EQ(batch->find_column("quantity")->float64()->value(3), 4.5);
    EXPECT_EQ(batch->find_column("price"), nullptr);  // nested fields are not columns
    EXPECT_EQ(batch->find_column("absent"), nullptr);
}

TEST(RecordBatch, FindColumnTakesTheFirstFieldOfAName) {
    std::vector<NodePtr> fields;
    fields.push_back(named("x", float64s({1})));
    fields.push_back(named("x", float64s({2})));
    auto root = structure(std::move(fields));
    auto batch = import(*root);
    ASSERT_TRUE(batch);
    EXPECT_EQ(batch->find_column("x")->float64()->value(0), 1.0);
}

TEST(RecordBatch, ParentOffsetSlicesEveryColumnOnTopOfItsOwnOffset) {
    std::vector<NodePtr> fields;
    fields.push_back(
        named("time", timestamps({0, 1000, 2000, 3000}, "tsm:", {true, true, false, true})));
    fields.push_back(named("quantity", float64s({9, 1.5, 2.5, 3.5, 4.5})));
    fields.push_back(named("track", dictionary(int64s({0, 1, 1, 0}), strings({"A", "B"}))));
    auto root = structure(std::move(fields));
    root->child(1).array.offset = 1;  // the child's own slice: 1.5 .. 4.5
    root->child(1).array.length = 4;
    root->array.offset = 1;
    root->array.length = 3;
    auto batch = import(*root);
    ASSERT_TRUE(batch) << batch.error().message();
    EXPECT_EQ(batch->num_rows(), 3);

    auto time = batch->find_column("time")->timestamp_ms();
    ASSERT_TRUE(time);
    EXPECT_EQ(time->size(), 3);
    EXPECT_EQ(time->value(0), 1000);
    EXPECT_FALSE(time->is_null(0));
    EXPECT_TRUE(time->is_null(1));
    EXPECT_EQ(time->values().back(), 3000);

    auto quantity = batch->find_column("quantity")->float64();
    EXPECT_EQ(std::vector<double>(quantity->values().begin(), quantity->values().end()),
              (std::vector<double>{2.5, 3.5, 4.5}));

    auto track = batch->find_column("track")->dictionary();
    EXPECT_EQ(track->index(0), 1);
    EXPECT_EQ(track->index(2), 0);
}

struct Malformed {
    const char* name;
    void (*mutate)(Node& root);
    const char* message;
};

class RecordBatchValidation : public ::testing::TestWithParam<Malformed> {};

TEST_P(RecordBatchValidation, RefusesWithTheColumnAndTheFault) {
    auto root = events();
    GetParam().mutate(*root);
    auto batch = import(*root);
    ASSERT_FALSE(batch);
    EXPECT_EQ(batch.error().message(), GetParam().message);
    // Refused or not, the producer's structs are released exactly once.
    EXPECT_EQ(root->schema_releases, 1);
    EXPECT_EQ(root->array_releases, 1);
}

constexpr auto kMax = std::numeric_limits<std::int64_t>::max();

INSTANTIATE_TEST_SUITE_P(
    Cases, RecordBatchValidation,
    ::testing::Values(
        Malformed{"NegativeLength", [](Node& r) { r.child(2).array.length = -1; },
                  "Column 'quantity': length is negative (-1)"},
        Malformed{"NegativeOffset", [](Node& r) { r.child(0).array.offset = -1; },
                  "Column 'time': offset is negative (-1)"},
        Malformed{"OffsetPlusLengthOverflows", [](Node& r) { r.child(0).array.offset = kMax - 1; },
                  "Column 'time': offset + length overflows"},
        Malformed{"NullCountAboveLength", [](Node& r) { r.child(2).array.null_count = 5; },
                  "Column 'quantity': null_count 5 is outside [-1, length 4]"},
        Malformed{"NullCountBelowUnknown", [](Node& r) { r.child(2).array.null_count = -2; },
                  "Column 'quantity': null_count -2 is outside [-1, length 4]"},
        Malformed{"NullsWithoutBitmap", [](Node& r) { r.child(2).array.null_count = 1; },
                  "Column 'quantity': validity buffer is null but null_count is 1"},
        Malformed{"NullValuesBuffer", [](Node& r) { r.child(2).buffers[1] = nullptr; },
                  "Column 'quantity': buffer 1 is null"},
        Malformed{"NullIndicesBuffer", [](Node& r) { r.child(1).buffers[1] = nullptr; },
                  "Column 'track': buffer 1 is null"},
        Malformed{"NullOffsetsBuffer",
                  [](Node& r) { r.child(1).dictionary->buffers[1] = nullptr; },
                  "Column 'track (dictionary)': buffer 1 is null"},
        Malformed{"WrongBufferCount", [](Node& r) { r.child(2).array.n_buffers = 1; },
                  "Column 'quantity': expected 2 buffers, got 1"},
        Malformed{"NullBuffersPointer", [](Node& r) { r.child(2).array.buffers = nullptr; },
                  "Column 'quantity': buffers pointer is null"},
        Malformed{"MisalignedValues",
                  [](Node& r) {
                      r.child(0).buffers[1] = static_cast<const char*>(r.child(0).buffers[1]) + 4;
                  },
                  "Column 'time': buffer 1 is not aligned to 8 bytes"},
        Malformed{"DecreasingUtf8Offsets",
                  [](Node& r) { offsets_of(*r.child(1).dictionary)[2] = 0; },
                  "Column 'track (dictionary)': Utf8 offsets decrease at position 2 (1 then 0)"},
        Malformed{"NegativeUtf8Offset",
                  [](Node& r) { offsets_of(*r.child(1).dictionary)[0] = -1; },
                  "Column 'track (dictionary)': Utf8 offset -1 at position 0 is negative"},
        Malformed{"Utf8DataMissing",
                  [](Node& r) { r.child(1).dictionary->buffers[2] = nullptr; },
                  "Column 'track (dictionary)': buffer 2 is null but the offsets reach 3"},
        Malformed{"MissingFormat", [](Node& r) { r.child(0).schema.format = nullptr; },
                  "Column 'time': format string is missing"},
        Malformed{"EmptyFormat", [](Node& r) { r.child(0).schema.format = ""; },
                  "Column 'time': format string is empty"},
        Malformed{"TimestampWithoutSeparator", [](Node& r) { r.child(0).schema.format = "tsm"; },
                  "Column 'time': malformed timestamp format 'tsm'"},
        Malformed{"TimestampUnknownUnit", [](Node& r) { r.child(0).schema.format = "tsx:UTC"; },
                  "Column 'time': malformed timestamp format 'tsx:UTC'"},
        Malformed{"ChildCountsDisagree", [](Node& r) { r.child(2).array.n_children = 1; },
                  "Column 'quantity': schema has 0 children, array has 1"},
        Malformed{"NullChildPointer", [](Node& r) { r.array_children[1] = nullptr; },
                  "Record batch: array child 1 is null"},
        Malformed{"NullSchemaChildPointer", [](Node& r) { r.schema_children[0] = nullptr; },
                  "Record batch: schema child 0 is null"},
        Malformed{"ChildShorterThanBatch", [](Node& r) { r.child(2).array.length = 3; },
                  "Column 'quantity': length 3 is shorter than the parent's offset + length 4"},
        Malformed{"ChildShorterThanParentOffset", [](Node& r) { r.array.offset = 1; },
                  "Column 'time': length 4 is shorter than the parent's offset + length 5"},
        Malformed{"NestedFieldNamedByPath",
                  [](Node& r) { r.child(3).child(0).buffers[1] = nullptr; },
                  "Column 'legs.price': buffer 1 is null"},
        Malformed{"DictionaryOnlyInSchema",
                  [](Node& r) { r.child(1).array.dictionary = nullptr; },
                  "Column 'track': schema has a dictionary, array has none"},
        Malformed{"DictionaryOnlyInArray", [](Node& r) { r.child(1).schema.dictionary = nullptr; },
                  "Column 'track': array has a dictionary, schema has none"},
        Malformed{"NonIntegerIndices", [](Node& r) { r.child(1).schema.format = "g"; },
                  "Column 'track': dictionary index format 'g' is not an integer type"},
        Malformed{"ReleasedChildArray", [](Node& r) { r.child(0).array.release = nullptr; },
                  "Column 'time': array is released"},
        Malformed{"ReleasedDictionarySchema",
                  [](Node& r) { r.child(1).dictionary->schema.release = nullptr; },
                  "Column 'track (dictionary)': schema is released"},
        Malformed{"UnknownFormatChildCounts", [](Node& r) { r.child(4).array.n_children = 2; },
                  "Column 'note': schema has 0 children, array has 2"},
        Malformed{"StructWithNulls",
                  [](Node& r) {
                      r.buffers[0] = r.add_buffer(std::vector<std::uint8_t>{0b1101});
                      r.array.null_count = 1;
                  },
                  "Record batch: the struct array has null rows (1 of 4), a record batch has "
                  "none"},
        Malformed{"StructWithUncountedNulls",
                  [](Node& r) {
                      r.buffers[0] = r.add_buffer(std::vector<std::uint8_t>{0b0101});
                      r.array.null_count = -1;
                  },
                  "Record batch: the struct array has null rows (2 of 4), a record batch has "
                  "none"},
        Malformed{"NotAStruct", [](Node& r) { r.schema.format = "+w:4"; },
                  "Record batch: expected a struct array, got format '+w:4'"}),
    [](const ::testing::TestParamInfo<Malformed>& info) { return info.param.name; });

TEST(RecordBatch, UncountedNullsOutsideTheSliceAreNoNullEntries) {
    auto root = events();
    root->buffers[0] = root->add_buffer(std::vector<std::uint8_t>{0b1110});
    root->array.null_count = -1;
    root->array.offset = 1;
    root->array.length = 3;
    EXPECT_TRUE(import(*root));
}

TEST(RecordBatch, UnknownCountWithoutBitmapMeansNoNulls) {
    auto root = events();
    root->array.null_count = -1;
    root->child(2).array.null_count = -1;
    auto batch = import(*root);
    ASSERT_TRUE(batch) << batch.error().message();
    EXPECT_FALSE(batch->find_column("quantity")->float64()->is_null(0));
}

TEST(RecordBatch, EmptyBatchNeedsNoBuffers) {
    std::vector<NodePtr> fields;
    fields.push_back(named("time", timestamps({})));
    fields.push_back(named("track", dictionary(int64s({}), strings({}))));
    auto root = structure(std::move(fields));
    root->child(0).buffers[1] = nullptr;
    root->child(1).buffers[1] = nullptr;
    root->child(1).dictionary->buffers = {nullptr, nullptr, nullptr};
    root->child(1).dictionary->wire();
    auto batch = import(*root);
    ASSERT_TRUE(batch) << batch.error().message();
    EXPECT_EQ(batch->num_rows(), 0);
    EXPECT_EQ(batch->find_column("time")->timestamp_ms()->size(), 0);
    EXPECT_EQ(batch->find_column("track")->dictionary()->values().utf8()->size(), 0);
}

TEST(RecordBatch, CyclicSchemaStopsAtTheNestingLimit) {
    auto root = events();
    Node& legs = root->child(3);
    legs.schema_children[0] = &legs.schema;
    legs.array_children[0] = &legs.array;
    legs.array.length = 4;
    auto batch = import(*root);
    ASSERT_FALSE(batch);
    EXPECT_TRUE(batch.error().message().ends_with("': nesting deeper than 64 levels"))
        << batch.error().message();
}

TEST(RecordBatch, ReleasesTheProducersStructsOnceWhenItGoesAway) {
    auto root = events();
    {
        auto batch = import(*root);
        ASSERT_TRUE(batch);
        RecordBatch moved = std::move(*batch);
        EXPECT_EQ(moved.find_column("time")->timestamp_ms()->value(1), 1000);
        EXPECT_EQ(root->schema_releases + root->array_releases, 0);
    }
    EXPECT_EQ(root->schema_releases, 1);
    EXPECT_EQ(root->array_releases, 1);
    // Children belong to the parent's release; a consumer never releases them itself.
    EXPECT_EQ(root->child(0).array_releases, 0);
}

// The pyarrow way: a struct schema and one array per field.
struct Separate {
    NodePtr schema = events();
    std::vector<NodePtr> arrays;

    Separate() {
        arrays.push_back(timestamps({0, 1000, 2000, 3000}, "tsm:UTC"));
        arrays.push_back(dictionary(int64s({0, 1, 0, 1}), strings({"A", "BC"})));
        arrays.push_back(float64s({1.5, 2.5, 3.5, 4.5}));
        std::vector<NodePtr> legs;
        legs.push_back(float64s({10, 20, 30, 40}));
        arrays.push_back(structure(std::move(legs)));
        arrays.push_back(timestamps({0, 0, 0, 0}, "vu"));  // opaque to the layer
        arrays.back()->array.n_buffers = 4;
        arrays.back()->buffers.resize(4);
        arrays.back()->wire();
    }

    std::expected<RecordBatch, ArrowError> import(std::int64_t num_rows) {
        std::vector<OwnedArray> owned;
        for (auto& array : arrays) owned.push_back(testing::take_array(*array));
        return RecordBatch::from_columns(testing::take_schema(*schema), std::move(owned),
                                         num_rows);
    }
};

TEST(RecordBatchFromColumns, SchemaFieldsNameTheArrays) {
    Separate parts;
    {
        auto batch = parts.import(4);
        ASSERT_TRUE(batch) << batch.error().message();
        EXPECT_EQ(batch->num_columns(), 5u);
        auto track = batch->find_column("track")->dictionary();
        EXPECT_EQ(track->values().utf8()->value(track->index(1)), "BC");
    }
    EXPECT_EQ(parts.schema->schema_releases, 1);
    for (const auto& array : parts.arrays) EXPECT_EQ(array->array_releases, 1);
}

TEST(RecordBatchFromColumns, ArrayOffsetSlicesTheColumn) {
    Separate parts;
    parts.arrays[2]->array.offset = 1;
    parts.arrays[2]->array.length = 3;
    for (auto& array : parts.arrays) array->array.length = 3;
    auto batch = parts.import(3);
    ASSERT_TRUE(batch) << batch.error().message();
    EXPECT_EQ(batch->find_column("quantity")->float64()->value(0), 2.5);
}

TEST(RecordBatchFromColumns, RefusesWhatDisagreesWithTheSchemaOrRowCount) {
    struct Case {
        void (*mutate)(Separate&);
        std::int64_t num_rows;
        const char* message;
    };
    const Case cases[] = {
        {[](Separate&) {}, 5, "Column 'time': length 4 differs from the 5 rows of the batch"},
        {[](Separate&) {}, -1, "Record batch: num_rows is negative (-1)"},
        {[](Separate& p) { p.arrays.pop_back(); }, 4,
         "Record batch: 4 columns for 5 schema fields"},
        {[](Separate& p) { std::swap(p.arrays[1], p.arrays[2]); }, 4,
         "Column 'track': schema has a dictionary, array has none"},
        {[](Separate& p) { p.schema->schema.format = "l"; }, 4,
         "Record batch: expected a struct schema, got format 'l'"},
        {[](Separate& p) { p.arrays[2]->array.release = nullptr; }, 4,
         "Column 'quantity': array is released"},
    };
    for (const Case& c : cases) {
        Separate parts;
        c.mutate(parts);
        std::vector<int> live;
        for (const auto& array : parts.arrays) live.push_back(array->array.release != nullptr);
        auto batch = parts.import(c.num_rows);
        ASSERT_FALSE(batch) << c.message;
        EXPECT_EQ(batch.error().message(), c.message);
        EXPECT_EQ(parts.schema->schema_releases, 1) << c.message;
        for (std::size_t i = 0; i < parts.arrays.size(); ++i)
            EXPECT_EQ(parts.arrays[i]->array_releases, live[i]) << c.message;
    }
}

}  // namespace
}  // namespace velkor::arrow
