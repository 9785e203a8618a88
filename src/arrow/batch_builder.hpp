// Record batches the engine produces, built from owned columns and handed out through the C
// Data Interface: a struct array with its schema, exactly as `__arrow_c_array__` gives one.
// The exported structs own every buffer; each release callback frees only what its struct
// holds, so a consumer may move the children out and release them on their own.
#pragma once

#include <cstdint>
#include <expected>
#include <string>
#include <variant>
#include <vector>

#include "arrow/arrow_error.hpp"
#include "arrow/owned.hpp"

namespace velkor::arrow {

struct ExportedBatch {
    OwnedSchema schema;
    OwnedArray array;
};

class BatchBuilder {
public:
    // Columns without nulls ("L": UInt64, "g": Float64), declared not nullable, in the order
    // they are added.
    void add_column(std::string name, std::vector<std::uint64_t> values);
    void add_column(std::string name, std::vector<double> values);

    // The batch, without schema metadata. Every column must have the first column's length;
    // a batch without columns has no rows.
    [[nodiscard]] std::expected<ExportedBatch, ArrowError> finish() &&;

private:
    struct Column {
        std::string name;
        std::variant<std::vector<std::uint64_t>, std::vector<double>> values;
    };
    std::vector<Column> columns_;
};

}  // namespace velkor::arrow
