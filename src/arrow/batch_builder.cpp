#include "arrow/batch_builder.hpp"

#include <cstddef>
#include <memory>
#include <utility>

namespace velkor::arrow {
namespace {

using Values = std::variant<std::vector<std::uint64_t>, std::vector<double>>;

// Where an empty column's data buffer points: consumers may insist on a non-null buffer.
alignas(8) constexpr std::uint64_t kNoValues = 0;

const char* format_of(const Values& values) {
    return std::holds_alternative<std::vector<std::uint64_t>>(values) ? "L" : "g";
}

std::size_t length_of(const Values& values) {
    return std::visit([](const auto& v) { return v.size(); }, values);
}

const void* data_of(const Values& values) {
    const void* data = std::visit([](const auto& v) -> const void* { return v.data(); }, values);
    return length_of(values) == 0 ? &kNoValues : data;
}

// Releases the structs still held here; a child a consumer moved out is marked released.
template <class CStruct>
void release_children(std::vector<CStruct>& children) noexcept {
    for (CStruct& child : children)
        if (child.release != nullptr) child.release(&child);
}

// The release callback of a struct whose private data is an Owner: frees it, marks released.
template <class Owner, class CStruct>
void release_owner(CStruct* exported) {
    delete static_cast<Owner*>(exported->private_data);
    exported->release = nullptr;
}

// A column's schema owns its name.
struct ChildSchema {
    std::string name;
};

struct ParentSchema {
    std::vector<ArrowSchema> children;
    std::vector<ArrowSchema*> pointers;

    ~ParentSchema() { release_children(children); }
};

// A column's array owns its values.
struct ChildArray {
    Values values;
    const void* buffers[2] = {nullptr, nullptr};
};

struct ParentArray {
    std::vector<ArrowArray> children;
    std::vector<ArrowArray*> pointers;
    const void* buffers[1] = {nullptr};

    ~ParentArray() { release_children(children); }
};

void fill_child_schema(ArrowSchema& schema, std::string name, const char* format) {
    auto data = std::make_unique<ChildSchema>(ChildSchema{std::move(name)});
    schema = ArrowSchema{};
    schema.format = format;
    schema.name = data->name.c_str();
    schema.private_data = data.release();
    schema.release = release_owner<ChildSchema>;
}

void fill_child_array(ArrowArray& array, Values values) {
    auto data = std::make_unique<ChildArray>();
    const auto length = static_cast<std::int64_t>(length_of(values));
    data->values = std::move(values);
    data->buffers[1] = data_of(data->values);
    array = ArrowArray{};
    array.length = length;
    array.n_buffers = 2;
    array.buffers = data->buffers;
    array.private_data = data.release();
    array.release = release_owner<ChildArray>;
}

}  // namespace

void BatchBuilder::add_column(std::string name, std::vector<std::uint64_t> values) {
    columns_.push_back(Column{std::move(name), std::move(values)});
}

void BatchBuilder::add_column(std::string name, std::vector<double> values) {
    columns_.push_back(Column{std::move(name), std::move(values)});
}

std::expected<ExportedBatch, ArrowError> BatchBuilder::finish() && {
    const std::size_t rows = columns_.empty() ? 0 : length_of(columns_.front().values);
    for (const Column& column : columns_)
        if (const std::size_t length = length_of(column.values); length != rows)
            return std::unexpected(ArrowError{
                column.name, "has " + std::to_string(length) +
                                 " rows where the first column has " + std::to_string(rows)});

    // Until they are handed to the exported structs, these release whatever was filled in.
    const std::size_t n = columns_.size();
    auto schema_data = std::make_unique<ParentSchema>();
    auto array_data = std::make_unique<ParentArray>();
    schema_data->children.resize(n);
    array_data->children.resize(n);
    for (std::size_t i = 0; i < n; ++i) {
        Column& column = columns_[i];
        fill_child_schema(schema_data->children[i], std::move(column.name),
                          format_of(column.values));
        fill_child_array(array_data->children[i], std::move(column.values));
        schema_data->pointers.push_back(&schema_data->children[i]);
        array_data->pointers.push_back(&array_data->children[i]);
    }
    columns_.clear();

    ExportedBatch batch{OwnedSchema::blank(), OwnedArray::blank()};
    ArrowSchema& schema = *batch.schema.get();
    schema.format = "+s";
    schema.name = "";
    schema.n_children = static_cast<std::int64_t>(n);
    schema.children = n == 0 ? nullptr : schema_data->pointers.data();
    schema.private_data = schema_data.release();
    schema.release = release_owner<ParentSchema>;

    ArrowArray& array = *batch.array.get();
    array.length = static_cast<std::int64_t>(rows);
    array.n_buffers = 1;
    array.buffers = array_data->buffers;
    array.n_children = static_cast<std::int64_t>(n);
    array.children = n == 0 ? nullptr : array_data->pointers.data();
    array.private_data = array_data.release();
    array.release = release_owner<ParentArray>;
    return batch;
}

}  // namespace velkor::arrow
