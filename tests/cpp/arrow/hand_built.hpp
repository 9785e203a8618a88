// Hand-built C Data Interface structs for the Arrow layer's tests. A Node keeps the buffers
// and children of one array; every struct's release callback counts its calls on its node.
#pragma once

#include <cstdint>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "arrow/c_data_interface.hpp"
#include "arrow/owned.hpp"

namespace velkor::arrow::testing {

struct Node {
    std::string format;
    std::string name;
    ArrowSchema schema{};
    ArrowArray array{};
    // 8-byte words, so every buffer is aligned for the widest value.
    std::vector<std::vector<std::uint64_t>> storage;
    std::vector<const void*> buffers;
    std::vector<std::unique_ptr<Node>> children;
    std::unique_ptr<Node> dictionary;
    std::vector<ArrowSchema*> schema_children;
    std::vector<ArrowArray*> array_children;
    int schema_releases = 0;
    int array_releases = 0;

    template <class T>
    const void* add_buffer(const std::vector<T>& values) {
        auto& words = storage.emplace_back((values.size() * sizeof(T) + 7) / 8 + 1, 0);
        if (!values.empty()) std::memcpy(words.data(), values.data(), values.size() * sizeof(T));
        return words.data();
    }

    // Points both structs at this node's storage; done again after every change of shape.
    Node& wire() {
        schema_children.clear();
        array_children.clear();
        for (auto& child : children) {
            schema_children.push_back(&child->schema);
            array_children.push_back(&child->array);
        }
        schema.format = format.c_str();
        schema.name = name.c_str();
        schema.n_children = static_cast<std::int64_t>(children.size());
        schema.children = schema_children.empty() ? nullptr : schema_children.data();
        schema.dictionary = dictionary ? &dictionary->schema : nullptr;
        schema.release = [](ArrowSchema* s) {
            ++static_cast<Node*>(s->private_data)->schema_releases;
            s->release = nullptr;
        };
        schema.private_data = this;
        array.n_buffers = static_cast<std::int64_t>(buffers.size());
        array.buffers = buffers.empty() ? nullptr : buffers.data();
        array.n_children = schema.n_children;
        array.children = array_children.empty() ? nullptr : array_children.data();
        array.dictionary = dictionary ? &dictionary->array : nullptr;
        array.release = [](ArrowArray* a) {
            ++static_cast<Node*>(a->private_data)->array_releases;
            a->release = nullptr;
        };
        array.private_data = this;
        return *this;
    }

    Node& child(std::size_t i) { return *children.at(i); }
};

using NodePtr = std::unique_ptr<Node>;

// A validity bitmap for the given flags (true = valid); empty flags give no bitmap.
inline const void* add_validity(Node& node, const std::vector<bool>& valid) {
    if (valid.empty()) return nullptr;
    std::vector<std::uint8_t> bits((valid.size() + 7) / 8, 0);
    std::int64_t nulls = 0;
    for (std::size_t i = 0; i < valid.size(); ++i) {
        if (valid[i]) bits[i / 8] |= static_cast<std::uint8_t>(1U << (i % 8));
        else ++nulls;
    }
    node.array.null_count = nulls;
    return node.add_buffer(bits);
}

template <class T>
NodePtr primitive(std::string format, const std::vector<T>& values,
                  const std::vector<bool>& valid = {}) {
    auto node = std::make_unique<Node>();
    node->format = std::move(format);
    node->array.length = static_cast<std::int64_t>(values.size());
    node->buffers = {add_validity(*node, valid), node->add_buffer(values)};
    node->wire();
    return node;
}

inline NodePtr int64s(const std::vector<std::int64_t>& values,
                      const std::vector<bool>& valid = {}) {
    return primitive("l", values, valid);
}
inline NodePtr float64s(const std::vector<double>& values, const std::vector<bool>& valid = {}) {
    return primitive("g", values, valid);
}
inline NodePtr timestamps(const std::vector<std::int64_t>& values, std::string format = "tsm:",
                          const std::vector<bool>& valid = {}) {
    return primitive(std::move(format), values, valid);
}

// Utf8 strings; nullopt is a null slot with no bytes.
inline NodePtr strings(const std::vector<std::optional<std::string>>& values,
                       std::string format = "u") {
    auto node = std::make_unique<Node>();
    node->format = std::move(format);
    node->array.length = static_cast<std::int64_t>(values.size());
    std::vector<std::int32_t> offsets{0};
    std::string data;
    std::vector<bool> valid;
    bool any_null = false;
    for (const auto& value : values) {
        if (value) data += *value;
        any_null = any_null || !value;
        valid.push_back(value.has_value());
        offsets.push_back(static_cast<std::int32_t>(data.size()));
    }
    const void* validity = any_null ? add_validity(*node, valid) : nullptr;
    node->buffers = {validity, node->add_buffer(offsets),
                     node->add_buffer(std::vector<char>(data.begin(), data.end()))};
    node->wire();
    return node;
}

inline NodePtr dictionary(NodePtr indices, NodePtr values) {
    indices->dictionary = std::move(values);
    indices->wire();
    return indices;
}

inline NodePtr named(std::string name, NodePtr node) {
    node->name = std::move(name);
    node->wire();
    return node;
}

// A struct array without nulls whose length is the first field's.
inline NodePtr structure(std::vector<NodePtr> fields) {
    auto node = std::make_unique<Node>();
    node->format = "+s";
    node->array.length = fields.empty() ? 0 : fields.front()->array.length;
    node->buffers = {nullptr};
    node->children = std::move(fields);
    node->wire();
    return node;
}

inline OwnedSchema take_schema(Node& node) { return OwnedSchema::take(&node.schema); }
inline OwnedArray take_array(Node& node) { return OwnedArray::take(&node.array); }

}  // namespace velkor::arrow::testing
