// Hash maps keyed by name that can be searched with a string_view, so a lookup on a hot path
// never builds a string.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>

namespace velkor {

struct NameHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view name) const noexcept {
        return std::hash<std::string_view>{}(name);
    }
};

template <class Value>
using NameMap = std::unordered_map<std::string, Value, NameHash, std::equal_to<>>;

}  // namespace velkor
