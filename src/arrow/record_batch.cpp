#include "arrow/record_batch.hpp"

#include <cstring>
#include <string>

#include "arrow/validation.hpp"

namespace velkor::arrow {
namespace {

std::unexpected<ArrowError> fail(std::string column, std::string fault) {
    return std::unexpected(ArrowError{std::move(column), std::move(fault)});
}

bool is_struct(const ArrowSchema& schema) { return std::strcmp(schema.format, "+s") == 0; }

// Null entries of a validated array that has a validity bitmap at buffer 0.
std::int64_t null_entries(const ArrowArray& array) {
    if (array.null_count >= 0) return array.null_count;
    const auto* bits = static_cast<const std::uint8_t*>(array.buffers[0]);
    if (bits == nullptr) return 0;
    std::int64_t valid = 0;
    for (std::int64_t i = array.offset; i < array.offset + array.length; ++i)
        valid += (bits[i >> 3] >> (i & 7)) & 1;
    return array.length - valid;
}

}  // namespace

std::expected<RecordBatch, ArrowError> RecordBatch::from_struct(OwnedSchema schema,
                                                                OwnedArray array) {
    if (schema.is_released()) return fail("", "schema is released");
    if (array.is_released()) return fail("", "array is released");
    if (auto valid = validate_array(*schema.get(), *array.get(), ""); !valid)
        return std::unexpected(std::move(valid.error()));
    const ArrowSchema& fields = *schema.get();
    const ArrowArray& rows = *array.get();
    if (!is_struct(fields))
        return fail("", "expected a struct array, got format '" + std::string(fields.format) +
                            "'");
    if (const std::int64_t nulls = null_entries(rows); nulls > 0)
        return fail("", "the struct array has null rows (" + std::to_string(nulls) + " of " +
                            std::to_string(rows.length) + "), a record batch has none");

    RecordBatch batch;
    batch.num_rows_ = rows.length;
    batch.columns_.reserve(static_cast<std::size_t>(fields.n_children));
    for (std::int64_t i = 0; i < fields.n_children; ++i) {
        const ArrowArray* child = rows.children[i];
        batch.columns_.push_back(
            Column(fields.children[i], child, child->offset + rows.offset, rows.length));
    }
    batch.schema_ = std::move(schema);
    batch.struct_array_ = std::move(array);
    return batch;
}

std::expected<RecordBatch, ArrowError> RecordBatch::from_columns(OwnedSchema schema,
                                                                 std::vector<OwnedArray> columns,
                                                                 std::int64_t num_rows) {
    if (schema.is_released()) return fail("", "schema is released");
    const ArrowSchema& fields = *schema.get();
    if (fields.format == nullptr) return fail("", "format string is missing");
    if (!is_struct(fields))
        return fail("", "expected a struct schema, got format '" + std::string(fields.format) +
                            "'");
    if (fields.n_children < 0) return fail("", "child count is negative");
    if (fields.n_children > 0 && fields.children == nullptr)
        return fail("", "schema children pointer is null");
    if (static_cast<std::int64_t>(columns.size()) != fields.n_children)
        return fail("", std::to_string(columns.size()) + " columns for " +
                            std::to_string(fields.n_children) + " schema fields");
    if (num_rows < 0) return fail("", "num_rows is negative (" + std::to_string(num_rows) + ")");

    RecordBatch batch;
    batch.num_rows_ = num_rows;
    batch.columns_.reserve(columns.size());
    for (std::int64_t i = 0; i < fields.n_children; ++i) {
        const ArrowSchema* field = fields.children[i];
        if (field == nullptr) return fail("", "schema child " + std::to_string(i) + " is null");
        const std::string path = field_path("", *field, i);
        const OwnedArray& column = columns[static_cast<std::size_t>(i)];
        if (column.is_released()) return fail(path, "array is released");
        if (auto valid = validate_array(*field, *column.get(), path); !valid)
            return std::unexpected(std::move(valid.error()));
        const ArrowArray& rows = *column.get();
        if (rows.length != num_rows)
            return fail(path, "length " + std::to_string(rows.length) + " differs from the " +
                                  std::to_string(num_rows) + " rows of the batch");
        batch.columns_.push_back(Column(field, &rows, rows.offset, rows.length));
    }
    batch.schema_ = std::move(schema);
    batch.column_arrays_ = std::move(columns);
    return batch;
}

const Column* RecordBatch::find_column(std::string_view name) const noexcept {
    for (const Column& column : columns_)
        if (column.name() == name) return &column;
    return nullptr;
}

}  // namespace velkor::arrow
