#include "core/quoted_text.hpp"

#include <cstdio>

namespace velkor {

std::string quoted_text(std::string_view text) {
    std::string out;
    out.reserve(text.size() + 2);
    out.push_back('"');
    for (const char c : text) {
        switch (c) {
            case '"': out += "\\\""; break;
            case '\\': out += "\\\\"; break;
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            case '\t': out += "\\t"; break;
            case '\0': out += "\\0"; break;
            default: {
                const auto byte = static_cast<unsigned char>(c);
                if (byte < 0x20 || byte == 0x7f) {
                    char escape[12];
                    std::snprintf(escape, sizeof escape, "\\u{%x}", byte);
                    out += escape;
                } else {
                    out.push_back(c);
                }
            }
        }
    }
    out.push_back('"');
    return out;
}

}  // namespace velkor
