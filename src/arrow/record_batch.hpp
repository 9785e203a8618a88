// A record batch imported through the C Data Interface: it owns the producer's structs
// (a struct array with its schema, or a schema with one array per column), releases them
// once when it goes away, and lends out its columns. It exists only once every array has
// passed validation and every column has the batch's row count.
#pragma once

#include <cstddef>
#include <cstdint>
#include <expected>
#include <span>
#include <string_view>
#include <vector>

#include "arrow/arrow_error.hpp"
#include "arrow/column.hpp"
#include "arrow/owned.hpp"

namespace velkor::arrow {

class RecordBatch {
public:
    // No columns, no rows.
    RecordBatch() = default;

    // A struct array without null entries: its fields are the columns, its length the row
    // count.
    [[nodiscard]] static std::expected<RecordBatch, ArrowError> from_struct(OwnedSchema schema,
                                                                            OwnedArray array);
    // A struct schema whose fields describe columns, one array per field, each num_rows long.
    [[nodiscard]] static std::expected<RecordBatch, ArrowError> from_columns(
        OwnedSchema schema, std::vector<OwnedArray> columns, std::int64_t num_rows);

    RecordBatch(RecordBatch&&) noexcept = default;
    RecordBatch& operator=(RecordBatch&&) noexcept = default;
    RecordBatch(const RecordBatch&) = delete;
    RecordBatch& operator=(const RecordBatch&) = delete;
    ~RecordBatch() = default;

    [[nodiscard]] std::int64_t num_rows() const noexcept { return num_rows_; }
    [[nodiscard]] std::size_t num_columns() const noexcept { return columns_.size(); }
    [[nodiscard]] const Column& column(std::size_t i) const { return columns_.at(i); }
    [[nodiscard]] std::span<const Column> columns() const noexcept { return columns_; }
    // The first column with this name, or null.
    [[nodiscard]] const Column* find_column(std::string_view name) const noexcept;

private:
    // Columns point into the owned structs, which stay put when the batch moves.
    std::vector<Column> columns_;
    std::int64_t num_rows_ = 0;
    OwnedSchema schema_;
    OwnedArray struct_array_;
    std::vector<OwnedArray> column_arrays_;
};

}  // namespace velkor::arrow
