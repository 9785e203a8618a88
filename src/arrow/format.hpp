// What a C Data Interface format string says about an array's layout: the buffer count and
// validity buffer of the formats the layer knows, and which of them the views read. Formats
// it does not know are accepted as opaque; only their generic structure is checked.
#pragma once

#include <cstdint>
#include <expected>
#include <string>
#include <string_view>

namespace velkor::arrow {

struct Format {
    enum class Kind {
        Unknown,      // layout not known here: buffers are not inspected
        Integer,      // any fixed-width integer, usable as dictionary indices
        Int64,        // "l", the dictionary indices the views read
        Float64,      // "g"
        Timestamp,    // "ts{s,u,n}:{tz}"
        TimestampMs,  // "tsm:{tz}"
        Utf8,         // "u": 32-bit offsets the views read
        Struct,       // "+s"
        Other,        // known layout, never read
    };

    Kind kind = Kind::Unknown;
    std::int64_t buffers = -1;     // exact buffer count, -1 when unknown
    bool validity = false;         // buffer 0 is a validity bitmap
    std::int64_t alignment = 0;    // required alignment of buffer 1 when the views read it

    [[nodiscard]] bool is_integer() const { return kind == Kind::Integer || kind == Kind::Int64; }
};

// The layout of a format string, or the fault of a malformed one.
[[nodiscard]] std::expected<Format, std::string> parse_format(std::string_view format);

}  // namespace velkor::arrow
