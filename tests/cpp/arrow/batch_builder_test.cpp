#include "arrow/batch_builder.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "arrow/record_batch.hpp"

namespace velkor::arrow {
namespace {

ExportedBatch cashflows(std::vector<std::uint64_t> index, std::vector<double> value) {
    BatchBuilder builder;
    builder.add_column("index", std::move(index));
    builder.add_column("value", std::move(value));
    auto batch = std::move(builder).finish();
    EXPECT_TRUE(batch.has_value());
    return std::move(*batch);
}

template <class T>
std::vector<T> values_of(const ArrowArray& column) {
    const auto* data = static_cast<const T*>(column.buffers[1]);
    return std::vector<T>(data, data + column.length);
}

TEST(BatchBuilder, SchemaIsAStructOfNonNullableColumnsWithoutMetadata) {
    auto batch = cashflows({3, 5}, {200.0, -1.5});
    const ArrowSchema& schema = *batch.schema.get();
    EXPECT_STREQ(schema.format, "+s");
    EXPECT_EQ(schema.metadata, nullptr);
    EXPECT_EQ(schema.flags, 0);
    EXPECT_EQ(schema.dictionary, nullptr);
    ASSERT_EQ(schema.n_children, 2);
    const struct {
        const char* name;
        const char* format;
    } expected[] = {{"index", "L"}, {"value", "g"}};
    for (int i = 0; i < 2; ++i) {
        const ArrowSchema& field = *schema.children[i];
        EXPECT_STREQ(field.name, expected[i].name);
        EXPECT_STREQ(field.format, expected[i].format);
        EXPECT_EQ(field.flags & ARROW_FLAG_NULLABLE, 0) << field.name;
        EXPECT_EQ(field.metadata, nullptr);
        EXPECT_EQ(field.n_children, 0);
        EXPECT_EQ(field.dictionary, nullptr);
        EXPECT_NE(field.release, nullptr);
    }
}

TEST(BatchBuilder, ArraysCarryTheValuesWithoutValidityBitmaps) {
    auto batch = cashflows({3, 5}, {200.0, -1.5});
    const ArrowArray& array = *batch.array.get();
    EXPECT_EQ(array.length, 2);
    EXPECT_EQ(array.null_count, 0);
    EXPECT_EQ(array.offset, 0);
    ASSERT_EQ(array.n_buffers, 1);
    EXPECT_EQ(array.buffers[0], nullptr);
    ASSERT_EQ(array.n_children, 2);
    for (int i = 0; i < 2; ++i) {
        const ArrowArray& column = *array.children[i];
        EXPECT_EQ(column.length, 2);
        EXPECT_EQ(column.null_count, 0);
        EXPECT_EQ(column.offset, 0);
        ASSERT_EQ(column.n_buffers, 2);
        EXPECT_EQ(column.buffers[0], nullptr);
        EXPECT_EQ(reinterpret_cast<std::uintptr_t>(column.buffers[1]) % 8, 0U);
        EXPECT_EQ(column.n_children, 0);
        EXPECT_EQ(column.dictionary, nullptr);
    }
    EXPECT_EQ(values_of<std::uint64_t>(*array.children[0]), (std::vector<std::uint64_t>{3, 5}));
    EXPECT_EQ(values_of<double>(*array.children[1]), (std::vector<double>{200.0, -1.5}));
}

TEST(BatchBuilder, ImportsBackThroughTheLayersOwnValidation) {
    auto batch = cashflows({7}, {1e300});
    auto imported = RecordBatch::from_struct(std::move(batch.schema), std::move(batch.array));
    ASSERT_TRUE(imported.has_value()) << imported.error().message();
    EXPECT_EQ(imported->num_rows(), 1);
    ASSERT_NE(imported->find_column("value"), nullptr);
    auto values = imported->find_column("value")->float64();
    ASSERT_TRUE(values.has_value());
    EXPECT_EQ(values->value(0), 1e300);
    EXPECT_EQ(imported->column(0).name(), "index");
}

TEST(BatchBuilder, EmptyColumnsStillPointAtData) {
    auto batch = cashflows({}, {});
    const ArrowArray& array = *batch.array.get();
    EXPECT_EQ(array.length, 0);
    for (int i = 0; i < 2; ++i) EXPECT_NE(array.children[i]->buffers[1], nullptr);
    auto imported = RecordBatch::from_struct(std::move(batch.schema), std::move(batch.array));
    ASSERT_TRUE(imported.has_value()) << imported.error().message();
    EXPECT_EQ(imported->num_rows(), 0);
}

TEST(BatchBuilder, NoColumnsIsAnEmptyBatch) {
    auto batch = BatchBuilder().finish();
    ASSERT_TRUE(batch.has_value());
    EXPECT_EQ(batch->schema.get()->n_children, 0);
    EXPECT_EQ(batch->array.get()->n_children, 0);
    EXPECT_EQ(batch->array.get()->length, 0);
}

TEST(BatchBuilder, ColumnsOfAnotherLengthAreRefused) {
    BatchBuilder builder;
    builder.add_column("index", std::vector<std::uint64_t>{1, 2});
    builder.add_column("value", std::vector<double>{1.0});
    auto batch = std::move(builder).finish();
    ASSERT_FALSE(batch.has_value());
    EXPECT_EQ(batch.error().message(), "Column 'value': has 1 rows where the first column has 2");
}

// A consumer may move a child out of the parent and release the two separately, in either
// order: each release frees only what its own struct holds.
TEST(BatchBuilder, ChildrenMovedOutOutliveTheirParent) {
    auto batch = cashflows({1, 2, 3}, {10.0, 20.0, 30.0});
    ArrowArray moved_array = *batch.array.get()->children[1];
    batch.array.get()->children[1]->release = nullptr;
    ArrowSchema moved_schema = *batch.schema.get()->children[0];
    batch.schema.get()->children[0]->release = nullptr;

    batch.array.reset();
    batch.schema.reset();
    EXPECT_EQ(values_of<double>(moved_array), (std::vector<double>{10.0, 20.0, 30.0}));
    EXPECT_STREQ(moved_schema.name, "index");

    ASSERT_NE(moved_array.release, nullptr);
    moved_array.release(&moved_array);
    EXPECT_EQ(moved_array.release, nullptr);
    ASSERT_NE(moved_schema.release, nullptr);
    moved_schema.release(&moved_schema);
    EXPECT_EQ(moved_schema.release, nullptr);
}

// The structs hold no pointer to themselves, so a bitwise move to another place (what a
// consumer taking them over does) leaves them valid there.
TEST(BatchBuilder, StructsReleaseFromWhereverTheyWereMoved) {
    auto batch = cashflows({4}, {2.5});
    ArrowArray array;
    std::memcpy(&array, batch.array.get(), sizeof array);
    batch.array.get()->release = nullptr;
    ArrowSchema schema;
    std::memcpy(&schema, batch.schema.get(), sizeof schema);
    batch.schema.get()->release = nullptr;

    EXPECT_EQ(values_of<std::uint64_t>(*array.children[0]), (std::vector<std::uint64_t>{4}));
    array.release(&array);
    schema.release(&schema);
    EXPECT_EQ(array.release, nullptr);
    EXPECT_EQ(schema.release, nullptr);
    EXPECT_TRUE(batch.array.is_released());
}

}  // namespace
}  // namespace velkor::arrow
