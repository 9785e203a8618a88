#include "arrow/validation.hpp"

#include <cstdint>
#include <limits>

#include "arrow/format.hpp"

namespace velkor::arrow {
namespace {

// Deeper nesting than any real schema has; it also stops a producer's cycle.
constexpr int kMaxDepth = 64;

using Checked = std::expected<void, ArrowError>;

std::string str(std::int64_t value) { return std::to_string(value); }

std::unexpected<ArrowError> fail(const std::string& path, std::string fault) {
    return std::unexpected(ArrowError{path, std::move(fault)});
}

// What every array must satisfy, whatever its format.
Checked check_generic(const ArrowSchema& schema, const ArrowArray& array,
                      const std::string& path) {
    if (array.length < 0) return fail(path, "length is negative (" + str(array.length) + ")");
    if (array.offset < 0) return fail(path, "offset is negative (" + str(array.offset) + ")");
    if (array.offset > std::numeric_limits<std::int64_t>::max() - array.length)
        return fail(path, "offset + length overflows");
    if (array.null_count < -1 || array.null_count > array.length)
        return fail(path, "null_count " + str(array.null_count) + " is outside [-1, length " +
                              str(array.length) + "]");
    if (array.n_buffers < 0)
        return fail(path, "buffer count is negative (" + str(array.n_buffers) + ")");
    if (array.n_buffers > 0 && array.buffers == nullptr)
        return fail(path, "buffers pointer is null");
    if (schema.n_children < 0 || array.n_children < 0)
        return fail(path, "child count is negative");
    if (schema.n_children != array.n_children)
        return fail(path, "schema has " + str(schema.n_children) + " children, array has " +
                              str(array.n_children));
    if (schema.n_children > 0 && schema.children == nullptr)
        return fail(path, "schema children pointer is null");
    if (array.n_children > 0 && array.children == nullptr)
        return fail(path, "array children pointer is null");
    for (std::int64_t i = 0; i < schema.n_children; ++i) {
        if (schema.children[i] == nullptr) return fail(path, "schema child " + str(i) + " is null");
        if (array.children[i] == nullptr) return fail(path, "array child " + str(i) + " is null");
    }
    return {};
}

// The offsets of the slots in use define the data extent: they start at zero or above, never
// go backwards, and need a data buffer as soon as they reach past zero.
Checked check_utf8_offsets(const ArrowArray& array, const std::string& path) {
    const auto* offsets = static_cast<const std::int32_t*>(array.buffers[1]);
    const std::int64_t first = array.offset;
    const std::int64_t last = array.offset + array.length;
    if (offsets[first] < 0)
        return fail(path, "Utf8 offset " + str(offsets[first]) + " at position " + str(first) +
                              " is negative");
    for (std::int64_t i = first + 1; i <= last; ++i)
        if (offsets[i] < offsets[i - 1])
            return fail(path, "Utf8 offsets decrease at position " + str(i) + " (" +
                                  str(offsets[i - 1]) + " then " + str(offsets[i]) + ")");
    if (offsets[last] > 0 && array.buffers[2] == nullptr)
        return fail(path, "buffer 2 is null but the offsets reach " + str(offsets[last]));
    return {};
}

// The buffers of a format whose layout is known.
Checked check_layout(const Format& format, const ArrowArray& array, const std::string& path) {
    if (array.n_buffers != format.buffers)
        return fail(path, "expected " + str(format.buffers) + " buffers, got " +
                              str(array.n_buffers));
    // A null count of -1 (not computed) with no bitmap means no nulls.
    if (format.validity && array.null_count > 0 && array.buffers[0] == nullptr)
        return fail(path, "validity buffer is null but null_count is " + str(array.null_count));
    if (array.length == 0) return {};
    // The data of variable-size binary is required by its offsets, not by the length.
    const std::int64_t required = format.buffers == 3 ? 2 : format.buffers;
    for (std::int64_t i = format.validity ? 1 : 0; i < required; ++i)
        if (array.buffers[i] == nullptr) return fail(path, "buffer " + str(i) + " is null");
    if (format.alignment > 0 &&
        reinterpret_cast<std::uintptr_t>(array.buffers[1]) %
                static_cast<std::uintptr_t>(format.alignment) !=
            0)
        return fail(path, "buffer 1 is not aligned to " + str(format.alignment) + " bytes");
    if (format.kind == Format::Kind::Utf8) return check_utf8_offsets(array, path);
    return {};
}

Checked check(const ArrowSchema& schema, const ArrowArray& array, const std::string& path,
              int depth);

Checked check_dictionary(const ArrowSchema& schema, const ArrowArray& array,
                         const Format& format, const std::string& path, int depth) {
    if (schema.dictionary == nullptr && array.dictionary == nullptr) return {};
    if (schema.dictionary == nullptr) return fail(path, "array has a dictionary, schema has none");
    if (array.dictionary == nullptr) return fail(path, "schema has a dictionary, array has none");
    if (!format.is_integer())
        return fail(path, "dictionary index format '" + std::string(schema.format) +
                              "' is not an integer type");
    return check(*schema.dictionary, *array.dictionary, path + " (dictionary)", depth + 1);
}

Checked check(const ArrowSchema& schema, const ArrowArray& array, const std::string& path,
              int depth) {
    if (depth > kMaxDepth) return fail(path, "nesting deeper than " + str(kMaxDepth) + " levels");
    if (schema.release == nullptr) return fail(path, "schema is released");
    if (array.release == nullptr) return fail(path, "array is released");
    if (schema.format == nullptr) return fail(path, "format string is missing");
    auto format = parse_format(schema.format);
    if (!format) return fail(path, format.error());

    if (auto ok = check_generic(schema, array, path); !ok) return ok;
    if (format->buffers >= 0) {
        if (auto ok = check_layout(*format, array, path); !ok) return ok;
    }
    if (auto ok = check_dictionary(schema, array, *format, path, depth); !ok) return ok;

    for (std::int64_t i = 0; i < schema.n_children; ++i) {
        const ArrowSchema& child_schema = *schema.children[i];
        const ArrowArray& child = *array.children[i];
        const std::string name = field_path(path, child_schema, i);
        if (auto ok = check(child_schema, child, name, depth + 1); !ok) return ok;
        // Struct slot i is slot offset + i of every child.
        if (format->kind == Format::Kind::Struct && child.length < array.offset + array.length)
            return fail(name, "length " + str(child.length) +
                                  " is shorter than the parent's offset + length " +
                                  str(array.offset + array.length));
    }
    return {};
}

}  // namespace

std::string field_path(const std::string& parent, const ArrowSchema& field, std::int64_t index) {
    std::string name = field.name != nullptr && *field.name != '\0' ? std::string(field.name)
                                                                     : "[" + str(index) + "]";
    return parent.empty() ? name : parent + "." + name;
}

std::expected<void, ArrowError> validate_array(const ArrowSchema& schema, const ArrowArray& array,
                                               const std::string& path) {
    return check(schema, array, path, 0);
}

}  // namespace velkor::arrow
