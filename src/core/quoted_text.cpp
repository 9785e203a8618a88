#include "core/quoted_text.hpp"

#include <cstddef>
#include <cstdint>
#include <cstdio>

namespace velkor {
namespace {

// Length of the well-formed UTF-8 sequence starting at text[i] and its code point, or 0 when
// the bytes there are not one (overlong forms, surrogates and values above U+10FFFF included).
std::size_t decode(std::string_view text, std::size_t i, std::uint32_t& code) {
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[i + k]); };
    const unsigned char lead = byte(0);
    std::size_t length = 0;
    std::uint32_t min = 0;
    if (lead < 0x80) {
        code = lead;
        return 1;
    } else if ((lead & 0xe0) == 0xc0) {
        length = 2, min = 0x80, code = lead & 0x1fU;
    } else if ((lead & 0xf0) == 0xe0) {
        length = 3, min = 0x800, code = lead & 0x0fU;
    } else if ((lead & 0xf8) == 0xf0) {
        length = 4, min = 0x10000, code = lead & 0x07U;
    } else {
        return 0;
    }
    if (i + length > text.size()) return 0;
    for (std::size_t k = 1; k < length; ++k) {
        if ((byte(k) & 0xc0) != 0x80) return 0;
        code = (code << 6) | (byte(k) & 0x3fU);
    }
    if (code < min || code > 0x10ffff || (code >= 0xd800 && code <= 0xdfff)) return 0;
    return length;
}

void append_escape(std::string& out, const char* format, unsigned value) {
    char escape[16];
    std::snprintf(escape, sizeof escape, format, value);
    out += escape;
}

}  // namespace

std::string quoted_text(std::string_view text) {
    std::string out;
    out.reserve(text.size() + 2);
    out.push_back('"');
    for (std::size_t i = 0; i < text.size();) {
        std::uint32_t code = 0;
        const std::size_t length = decode(text, i, code);
        if (length == 0) {
            // Not text: the byte is shown, so the message stays valid UTF-8.
            append_escape(out, "\\x{%x}", static_cast<unsigned char>(text[i]));
            ++i;
            continue;
        }
        switch (code) {
            case '"': out += "\\\""; break;
            case '\\': out += "\\\\"; break;
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            case '\t': out += "\\t"; break;
            case '\0': out += "\\0"; break;
            default:
                // C0 and C1 control characters and DEL.
                if (code < 0x20 || (code >= 0x7f && code <= 0x9f))
                    append_escape(out, "\\u{%x}", code);
                else
                    out.append(text.substr(i, length));
        }
        i += length;
    }
    out.push_back('"');
    return out;
}

}  // namespace velkor
