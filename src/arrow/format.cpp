#include "arrow/format.hpp"

#include <array>

namespace velkor::arrow {
namespace {

using Kind = Format::Kind;

struct KnownFormat {
    std::string_view text;
    Format format;
};

// The fixed formats with their layouts; timestamps carry a time zone and are parsed apart.
constexpr std::array kKnownFormats = {
    KnownFormat{"n", {Kind::Other, 0, false, 0}},
    KnownFormat{"b", {Kind::Other, 2, true, 0}},
    KnownFormat{"c", {Kind::Integer, 2, true, 0}},
    KnownFormat{"C", {Kind::Integer, 2, true, 0}},
    KnownFormat{"s", {Kind::Integer, 2, true, 0}},
    KnownFormat{"S", {Kind::Integer, 2, true, 0}},
    KnownFormat{"i", {Kind::Integer, 2, true, 0}},
    KnownFormat{"I", {Kind::Integer, 2, true, 0}},
    KnownFormat{"l", {Kind::Int64, 2, true, 8}},
    KnownFormat{"L", {Kind::Integer, 2, true, 0}},
    KnownFormat{"e", {Kind::Other, 2, true, 0}},
    KnownFormat{"f", {Kind::Other, 2, true, 0}},
    KnownFormat{"g", {Kind::Float64, 2, true, 8}},
    KnownFormat{"z", {Kind::Other, 3, true, 0}},
    KnownFormat{"Z", {Kind::Other, 3, true, 0}},
    KnownFormat{"u", {Kind::Utf8, 3, true, 4}},
    KnownFormat{"U", {Kind::Other, 3, true, 0}},
    KnownFormat{"tdD", {Kind::Other, 2, true, 0}},
    KnownFormat{"tdm", {Kind::Other, 2, true, 0}},
    KnownFormat{"tts", {Kind::Other, 2, true, 0}},
    KnownFormat{"ttm", {Kind::Other, 2, true, 0}},
    KnownFormat{"ttu", {Kind::Other, 2, true, 0}},
    KnownFormat{"ttn", {Kind::Other, 2, true, 0}},
    KnownFormat{"tDs", {Kind::Other, 2, true, 0}},
    KnownFormat{"tDm", {Kind::Other, 2, true, 0}},
    KnownFormat{"tDu", {Kind::Other, 2, true, 0}},
    KnownFormat{"tDn", {Kind::Other, 2, true, 0}},
    KnownFormat{"tiM", {Kind::Other, 2, true, 0}},
    KnownFormat{"tiD", {Kind::Other, 2, true, 0}},
    KnownFormat{"tin", {Kind::Other, 2, true, 0}},
    KnownFormat{"+s", {Kind::Struct, 1, true, 0}},
    KnownFormat{"+l", {Kind::Other, 2, true, 0}},
    KnownFormat{"+L", {Kind::Other, 2, true, 0}},
    KnownFormat{"+m", {Kind::Other, 2, true, 0}},
};

}  // namespace

std::expected<Format, std::string> parse_format(std::string_view format) {
    if (format.empty()) return std::unexpected(std::string("format string is empty"));
    // "ts" + unit + ":" + time zone (possibly empty).
    if (format.starts_with("ts")) {
        const std::string_view units = "smun";
        if (format.size() < 4 || units.find(format[2]) == std::string_view::npos ||
            format[3] != ':')
            return std::unexpected("malformed timestamp format '" + std::string(format) + "'");
        const Kind kind = format[2] == 'm' ? Kind::TimestampMs : Kind::Timestamp;
        return Format{kind, 2, true, 8};
    }
    for (const auto& known : kKnownFormats)
        if (known.text == format) return known.format;
    return Format{};
}

}  // namespace velkor::arrow
